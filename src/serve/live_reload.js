// Zorvik's live reload.
(function () {
  "use strict";
  var key = "zorvik-scroll:" + location.pathname;
  var saved = sessionStorage.getItem(key);
  if (saved !== null) {
    sessionStorage.removeItem(key);
    var xy = saved.split(",");
    var restore = function () { window.scrollTo(Number(xy[0]), Number(xy[1])); };
    if (document.readyState === "complete") restore(); else addEventListener("load", restore);
  }
  function decoded(path) { try { return decodeURIComponent(path); } catch (e) { return path; } }
  function pagePath() {
    var path = location.pathname;
    return path.charAt(path.length - 1) === "/" ? path + "index.html" : path;
  }
  function uses(path) {
    path = decoded(path);
    if (path === decoded(pagePath())) return true;
    var loaded = performance.getEntriesByType("resource");
    for (var i = 0; i < loaded.length; i++) {
      var url = new URL(loaded[i].name);
      if (url.origin === location.origin && decoded(url.pathname) === path) return true;
    }
    return false;
  }
  var overlay = null;
  function showErrors(lines) {
    if (overlay === null) {
      overlay = document.createElement("pre");
      overlay.id = "zorvik-errors";
      overlay.setAttribute("style", "position:fixed;z-index:2147483647;left:0;right:0;bottom:0;" +
        "max-height:50%;overflow:auto;margin:0;padding:0.8em 1em;background:#fff0f0;color:#800;" +
        "border-top:3px solid #c00;font:13px/1.5 monospace;white-space:pre-wrap;text-align:left");
      document.documentElement.appendChild(overlay);
    }
    overlay.textContent = lines.join("\n");
  }
  function clearErrors() {
    if (overlay !== null) overlay.remove();
    overlay = null;
  }
  var stop = listen({
    open: function () { window.zorvikListening = true; },
    reload: function (data) {
      var paths = JSON.parse(data);
      for (var i = 0; i < paths.length; i++) {
        if (uses(paths[i])) {
          sessionStorage.setItem(key, window.scrollX + "," + window.scrollY);
          stop();
          location.reload();
          return;
        }
      }
    },
    errors: function (data) { showErrors(JSON.parse(data)); },
    cleared: clearErrors
  });
  // The pages of the site open in this browser share one event stream through a worker: a
  // browser opens at most six connections to a host, and each stream holds one. Without
  // shared workers, each page opens its own. Returns what ends the page's listening.
  function listen(on) {
    if (typeof SharedWorker === "function") {
      try {
        var worker = new SharedWorker("/.zorvik/live-worker.js", "zorvik-live");
        worker.port.onmessage = function (message) {
          var handler = on[message.data.type];
          if (handler) handler(message.data.data);
        };
        worker.port.start();
        var bye = function () { worker.port.postMessage("bye"); };
        addEventListener("pagehide", bye);
        return bye;
      } catch (e) {
        // Not allowed here: a stream of the page's own.
      }
    }
    var events = new EventSource("/.zorvik/events");
    ["open", "reload", "errors", "cleared"].forEach(function (type) {
      events.addEventListener(type, function (event) { on[type](event.data); });
    });
    return function () { events.close(); };
  }
})();
