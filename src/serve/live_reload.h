// Live reload: the script that each served HTML page gets, and the events it listens to.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

// Where the script and the event stream are served. A dot-folder, which no site file can be.
inline constexpr std::string_view kLiveScriptPath = "/.zorvik/live.js";
inline constexpr std::string_view kEventStreamPath = "/.zorvik/events";
inline constexpr std::string_view kLiveWorkerPath = "/.zorvik/live-worker.js";

// The script: reloads the page, keeping its scroll position, when its own file or a file it
// loaded (a style sheet, an image) was rewritten; shows the lines of a failed generation over
// the page until a good one.
std::string_view LiveReloadScript();

// The shared worker that holds the one event stream of a browser for all its pages of the site.
std::string_view LiveWorkerScript();

// html with the script's element before its last </body> (any letter case), or at its end.
std::string WithLiveReload(std::string_view html);

// Server-sent events: the URL paths that were rewritten; the log lines of a generation with
// errors (UTF-8); and the end of those errors.
std::string ReloadEvent(const std::vector<std::string>& url_paths);
std::string ErrorsEvent(const std::vector<std::string>& lines);
std::string ClearedEvent();

}  // namespace zorvik
