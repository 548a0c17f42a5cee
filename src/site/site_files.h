// The files of a site as a publish sends them: every regular file under the site's folder but
// dot files and dot folders, links (which could lead out of the site), the files Zorvik reads
// to make the pages (templates, imports), and page sources, group files and publish settings
// (".dat", ".gro", ".publish"), also where no group names them, and editors' backups.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

struct TSiteFile {
  std::string relative;  // under the site's folder, "/" between folders
  std::string path;      // on disk
};

struct TSiteFiles {
  std::vector<TSiteFile> files;      // in path order
  std::vector<std::string> skipped;  // links and other files that are not sent (on disk)
};

// Whether a file is never one of a site's by its name alone: a dot file, a page source, group
// file or publish settings, or an editor's backup.
bool IsLeftOutByName(std::string_view name);

// root: the site's folder, with its trailing "/", that the files are named under; from: the
// folder the walk starts in, root or one below it; leave_out: paths on disk (normalised) that
// are not sent; also: files (the pages' links) taken from above from too. Nothing, with *err naming
// the folder or file and the system's reason, when any part of the walk fails (a folder that may
// not be read, one renamed away meanwhile): a list with a part missing would have a publish remove
// that part from the server.
std::optional<TSiteFiles> ListSiteFiles(const std::string& root, const std::string& from,
                                        const std::set<std::string>& leave_out,
                                        const std::set<std::string>& also, std::string* err);

// The bytes of a site file, read without following a link; nothing when it cannot be read.
std::optional<std::string> ReadSiteFileBytes(const std::string& path);

}  // namespace zorvik
