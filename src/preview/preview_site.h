// What the preview may read from disk besides the page itself: regular files of the site that
// the page belongs to, and the preview style sheet. A script in a previewed page (pages embed
// third-party scripts) must not reach anything else the user can read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

struct TPreviewSite {
  std::vector<std::string> roots;  // folders, resolved, each with its trailing "/"
  std::string style_sheet;         // the preview style sheet file, resolved; may be empty
};

// Files larger than this are not served: no page needs them, and they would fill memory.
inline constexpr std::uintmax_t kMaxServedFileBytes = 256u << 20;

// The site of a page: the deepest folder that holds both the page source and the output file.
// When that is the file-system root or the home folder itself, the two files' own folders
// instead (each with what lies below). Paths are file-system paths; empty ones are left out.
TPreviewSite PreviewSiteFor(std::string_view page_source, std::string_view output_file,
                            std::string_view style_sheet, std::string_view home);

// Whether a resolved path (no links, no "." or ".." parts) may be served: inside a root and
// with no dot-file or dot-folder below it, or the style sheet itself; never /proc, /dev, /sys.
bool MayServe(const TPreviewSite& site, std::string_view resolved_path);

// Opens path for serving when it resolves to a regular file that MayServe allows and that is
// at most kMaxServedFileBytes long; the descriptor, or -1. Never blocks on a FIFO or device.
int OpenServedFile(const TPreviewSite& site, const std::string& path);

}  // namespace zorvik
