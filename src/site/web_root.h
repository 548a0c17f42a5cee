// The web root of a site: the deepest folder that holds every page the group writes and every
// local file those pages link (through style sheets too), and the folder that addresses
// starting with "/" are taken from. Page sources, templates and imports count only where a
// page links them. The preview, `serve`, `check` and `publish` all take the site so.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "site/site_access.h"

namespace zorvik {

// A page and the addresses written in it (as ScanHtmlPage finds them).
struct TPageLinks {
  std::string page;
  std::vector<std::string> addresses;
};

struct TSiteOfPages {
  TSiteAccess site;  // no roots when the pages lie in a folder that holds more than a site
  std::string root;  // the web root: one of site.roots, the one holding the first page
  // The local files the pages and their style sheets link: regular files, not links, named from
  // the pages' resolved folders.
  std::set<std::string> linked;
  // What they link outside the site's folder: not the site's, so never served nor published.
  std::set<std::string> outside;
  std::string pages_folder;  // the deepest folder that holds every page, resolved, with its "/"
};

// path with its links followed as far as it exists.
std::string ResolvedPath(const std::string& path);

// The addresses of an HTML page's bytes.
std::vector<std::string> PageAddresses(std::string_view html);

// The site of pages. Linked files count where they exist as regular files; a style sheet among
// them is read for its own addresses. The root never climbs above site_folder (the group
// file's folder, or a lone page source's) or the pages' own folder, whichever is higher: what
// the pages link above both is outside the site. When the folder that holds them all holds
// more than a site (the home folder, /, a folder others may write), the pages' own folder is
// taken where it may be one, and the site is marked narrowed.
TSiteOfPages SiteOfPages(const std::vector<TPageLinks>& pages, const std::string& first_page,
                         const std::string& home, const std::string& site_folder);

// A page on disk and its addresses (none when it is not there).
TPageLinks PageLinksOnDisk(const std::string& page);

// The same for pages that lie on disk.
TSiteOfPages SiteOfPagesOnDisk(const std::vector<std::string>& pages, const std::string& first_page,
                               const std::string& home, const std::string& site_folder);

}  // namespace zorvik
