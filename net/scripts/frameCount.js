// The length of the top document's frames collection; -1 when the object model fails.
// A function expression; the program calls it with its values as JavaScript literals.
(function () {
  try { return window.frames.length; } catch (e) { return -1; }
})
