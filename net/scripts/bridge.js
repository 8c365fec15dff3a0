// Installed in every document at its creation, in the browser's isolated script world: reports the
// document's creation, its load, its going away and trusted right clicks. The top document
// reports through the web channel object named objectName; documents of other origins, which
// cannot reach it, print token + " " + report to the console instead. The isolated world keeps
// these names away from the page's own scripts; the listeners are added before any page script
// runs, so the page cannot stop them.
// A function expression; the program calls it with its values as JavaScript literals.
(function (token, objectName) {
  'use strict';
  if (window.__zvBridgeDoc) return;
  var ids = new Uint32Array(2);
  crypto.getRandomValues(ids);
  var docId = String((ids[0] & 0x1fffff) * 4294967296 + ids[1] || 1);
  Object.defineProperty(window, '__zvBridgeDoc', {value: docId});
  var isTop = window === window.top;
  var log = console.log.bind(console);
  var stringify = JSON.stringify;
  if (isTop) {
    var queue = [], bridge = null, failed = false;
    var deliver = function (m) {
      if (bridge) bridge.report(m);
      else if (failed) log(token + ' ' + m);
      else queue.push(m);
    };
    Object.defineProperty(window, '__zvReport', {value: deliver});
    try {
      new QWebChannel(qt.webChannelTransport, function (channel) {
        bridge = channel.objects[objectName];
        var pending = queue; queue = [];
        for (var i = 0; i < pending.length; i++) bridge.report(pending[i]);
      });
    } catch (e) {
      failed = true;
      for (var j = 0; j < queue.length; j++) log(token + ' ' + queue[j]);
      queue = [];
    }
  }
  var send = function (kind) {
    var m = stringify({k: kind, d: docId, u: String(location.href), t: isTop});
    try { window.top.__zvReport(m); } catch (e) { log(token + ' ' + m); }
  };
  send('created');
  if (document.readyState === 'complete') send('load');
  else window.addEventListener('load', function (e) {
    if (e.target === document) send('load');
  });
  window.addEventListener('pagehide', function () { send('gone'); });
  window.addEventListener('pageshow', function (e) {
    if (e.persisted) { send('created'); send('load'); }
  });
  window.addEventListener('contextmenu', function (e) {
    if (e.isTrusted) send('menu');
  }, true);
})
