#include "serve/live_reload.h"

#include <algorithm>
#include <cctype>

#include "live_reload_js.h"
#include "live_worker_js.h"

namespace zorvik {
namespace {

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

std::string_view LiveReloadScript() { return kLiveReloadJs; }

std::string_view LiveWorkerScript() { return kLiveWorkerJs; }

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
