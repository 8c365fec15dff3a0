// frames[index].location = url in the top document; false when that fails.
// A function expression; the program calls it with its values as JavaScript literals.
(function (index, url) {
  try {
    var f = window.frames;
    if (!(index >= 0 && index < f.length)) return false;
    f[index].location = url;
    return true;
  } catch (e) { return false; }
})
