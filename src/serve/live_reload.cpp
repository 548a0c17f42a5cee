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
  var events = new EventSource("/.zorvik/events");
  events.addEventListener("open", function () { window.zorvikListening = true; });
  events.addEventListener("reload", function (event) {
    var paths = JSON.parse(event.data);
    for (var i = 0; i < paths.length; i++) {
      if (uses(paths[i])) {
        sessionStorage.setItem(key, window.scrollX + "," + window.scrollY);
        events.close();
        location.reload();
        return;
      }
    }
  });
  events.addEventListener("errors", function (event) { showErrors(JSON.parse(event.data)); });
  events.addEventListener("cleared", clearErrors);
})();
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
