#include "serve/live_reload.h"

#include <algorithm>
#include <cctype>

namespace zorvik {
namespace {

constexpr std::string_view kScript = R"js(// Zorvik's live reload.
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
)js";

constexpr std::string_view kWorker =
    R"js(// Zorvik's live reload: one event stream for every page of
// the site open in this browser, its events handed to each page.
"use strict";
var pages = [];
var listening = false;
var state = null;  // the last "errors" or "cleared", for pages that come later
var events = new EventSource("/.zorvik/events");
function send(message) {
  for (var i = 0; i < pages.length; i++) pages[i].postMessage(message);
}
events.addEventListener("open", function () { listening = true; send({ type: "open" }); });
events.addEventListener("error", function () { listening = false; });
events.addEventListener("reload", function (event) { send({ type: "reload", data: event.data }); });
["errors", "cleared"].forEach(function (type) {
  events.addEventListener(type, function (event) {
    state = { type: type, data: event.data };
    send(state);
  });
});
onconnect = function (event) {
  var page = event.ports[0];
  pages.push(page);
  page.onmessage = function (message) {
    var at = pages.indexOf(page);
    if (message.data === "bye" && at >= 0) pages.splice(at, 1);
  };
  page.start();
  if (listening) page.postMessage({ type: "open" });
  if (state !== null) page.postMessage(state);
};
)js";

// text as a JSON string: quotes, backslashes and control characters escaped; other bytes as
// they are (the text is UTF-8).
std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string json = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      json += "\\u00";
      json += kHex[byte >> 4];
      json += kHex[byte & 15];
    } else {
      json += c;
    }
  }
  return json + "\"";
}

std::string JsonArray(const std::vector<std::string>& items) {
  std::string json = "[";
  for (const std::string& item : items) {
    if (json.size() > 1) json += ',';
    json += JsonString(item);
  }
  return json + "]";
}

}  // namespace

std::string_view LiveReloadScript() { return kScript; }

std::string_view LiveWorkerScript() { return kWorker; }

std::string WithLiveReload(std::string_view html) {
  const std::string element = "<script src=\"" + std::string(kLiveScriptPath) + "\"></script>";
  std::string lower(html);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::size_t body_end = lower.rfind("</body");
  std::string result(html);
  result.insert(body_end == std::string::npos ? result.size() : body_end, element);
  return result;
}

std::string ReloadEvent(const std::vector<std::string>& url_paths) {
  return "event: reload\ndata: " + JsonArray(url_paths) + "\n\n";
}

std::string ErrorsEvent(const std::vector<std::string>& lines) {
  return "event: errors\ndata: " + JsonArray(lines) + "\n\n";
}

std::string ClearedEvent() { return "event: cleared\ndata: {}\n\n"; }

}  // namespace zorvik
