// What may be read of a site from disk, by the preview and by `serve`: regular files below the
// site's folders, and the preview style sheet. A script in a page (pages embed third-party
// scripts) must not reach anything else the user can read.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

struct TSiteAccess {
  std::vector<std::string> roots;  // folders, resolved, each with its trailing "/"
  std::string style_sheet;         // the preview style sheet file, resolved; may be empty
  bool narrowed = false;           // a folder of the page's holds more than the site: left out
  // Files below a root that are not the site's all the same: generation inputs (templates,
  // imports) that no page links. Resolved paths.
  std::set<std::string> left_out;
};

// Files larger than this are not served: no page needs them, and they would fill memory.
inline constexpr std::uintmax_t kMaxServedFileBytes = 256u << 20;

// The site of a page: the deepest folder that holds both the page source and the output file.
// A folder that holds more than a site is never one: the file-system root, the home folder
// and every folder above it, a folder that others may write to (sticky or world-writable, as
// /tmp), and what lies under /proc, /sys and /dev (but /dev/shm). For such a folder the two
// files' own folders are taken instead, where they are not such folders themselves, and the
// site is marked narrowed. Paths are file-system paths; empty ones are left out.
TSiteAccess PreviewSiteFor(std::string_view page_source, std::string_view output_file,
                           std::string_view style_sheet, std::string_view home);

// Whether a resolved path (no links, no "." or ".." parts) may be served: inside a root, with no
// dot-file or dot-folder below it, not left out by its name (IsLeftOutByName) or by the site,
// or the style sheet itself.
bool MayServe(const TSiteAccess& site, std::string_view resolved_path);

// Opens path for serving when it resolves to a regular file that MayServe allows and that is
// at most kMaxServedFileBytes long; the descriptor, or -1. The file is opened beneath its root
// without following any link, so that a folder swapped for a link meanwhile is refused, not
// followed. Never blocks on a FIFO or device. A file that grows after the open must still be
// read no further than kMaxServedFileBytes. On failure errno says why: ENOENT also for a file
// that is not the site's or not a regular file, EFBIG for one too large.
int OpenServedFile(const TSiteAccess& site, const std::string& path);

}  // namespace zorvik
