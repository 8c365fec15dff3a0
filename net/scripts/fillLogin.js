// The login walk over the fourth frame's elements: {ok, frameCount, filled}.
//
// The saved login goes only to the service's own pages: the fourth frame's document must come over
// http or https from one of the hosts given. A frame of another origin than the top document
// refuses access and ends the walk with ok false. The element count is read once; an element that
// vanishes during the walk ends it with ok false. The engine normalises the type property to lower
// case; the name is compared as the page wrote it.
// A function expression; the program calls it with its values as JavaScript literals.
(function (user, pass, hosts) {
  var filled = 0, count = 0;
  try {
    count = window.frames.length;
    if (count !== 4) return {ok: true, frameCount: count, filled: 0};
    var where = window.frames[3].document.location;
    var host = String(where.hostname).toLowerCase()
                   .replace(/^\[/, '').replace(/\]$/, '');
    if ((where.protocol !== 'http:' && where.protocol !== 'https:') ||
        hosts.indexOf(host) < 0)
      return {ok: true, frameCount: count, filled: 0};
    var all = window.frames[3].document.getElementsByTagName('*');
    var length = all.length;
    for (var i = 0; i < length; i++) {
      var e = all[i];
      if (String(e.tagName).toUpperCase() !== 'INPUT') continue;
      var type = e.type;
      if (type !== 'text' && type !== 'password') continue;
      var value;
      if (e.name === 'UserName') value = user;
      else if (e.name === 'UserPassword') value = pass;
      else continue;
      e.value = value;
      filled++;
      e.dispatchEvent(new Event('input', {bubbles: true}));
    }
    return {ok: true, frameCount: count, filled: filled};
  } catch (err) {
    return {ok: false, frameCount: count, filled: filled};
  }
})
