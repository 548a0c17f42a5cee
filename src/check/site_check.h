// Checking a site as a browser and a Linux web server see it: every local address a page or
// style sheet uses names a file (letter case counting), every #fragment an id of its page; the
// pages' own problems (charsets, left-over tags, duplicate ids); and the pages that no other
// page links to. External addresses are collected for whoever fetches them.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "site/page_scan.h"
#include "site/web_root.h"

namespace zorvik {

enum class TFindingKind { kError, kWarning, kNote };

struct TFinding {
  std::string file;  // the output page or style sheet
  int line = 0;      // 1-based
  TFindingKind kind = TFindingKind::kError;
  std::string message;
  std::string text{};  // the address the finding is about, as the page writes it; or none
};

// Where an external address was used.
struct TExternalUse {
  std::string file;
  int line = 0;
};

// Gives a file's bytes: false when there is no regular file to read, with *unreachable the
// system's reason when the path could not even be looked at (left empty for a file that is
// simply not there).
using TReadFile =
    std::function<bool(const std::string& file, std::string& bytes, std::string* unreachable)>;

class TSiteCheck {
 public:
  // root: the folder (with its "/") that addresses starting with "/" are taken from.
  // is_folder tells whether a path is a folder. Both it and read_file are asked only about
  // files no page was added for.
  TSiteCheck(std::string root, TReadFile read_file,
             std::function<bool(const std::string&)> is_folder);

  // The site, when it is known only after the pages were added: its root, and the files the
  // pages link outside it.
  void SetSite(const TSiteOfPages& where);
  // A page of the site, with its bytes as served; group_page for the pages of the group, which
  // are noted when no other page links to them.
  void AddPage(const std::string& path, std::string_view bytes, bool group_page);
  // Checks the addresses of every page added; the findings in page order, then line order.
  std::vector<TFinding> Finish();
  // The external (http, https) addresses and where they were used.
  const std::map<std::string, std::vector<TExternalUse>>& External() const { return external_; }
  std::size_t PageCount() const { return pages_.size(); }
  // The pages added so far and the addresses written in each, as the web root is found from.
  std::vector<TPageLinks> PageLinks() const;

 private:
  struct TPage {
    std::string path;
    std::vector<TPageRef> refs;
    std::set<std::string> ids;
    bool group_page = false;
    bool linked = false;
  };
  // The file an address names from a file at from (no query or fragment), as a browser
  // resolves it: it may lie above the site's root.
  std::string Target(const std::string& from, std::string_view url) const;
  // The name of a file beside target whose name differs from its only in letter case, or "".
  std::string CaseTwin(const std::string& target);
  // What answers target on disk: the file (itself, or its folder's index.html), or "" with the
  // reason when the path could not be looked at.
  struct TOnDisk {
    std::string answering;
    std::string unreachable;
  };
  // Whether target is there (as a file, or a folder with its index.html); the file that answers.
  const TOnDisk& Lookup(const std::string& target);
  const std::set<std::string>* IdsOf(const std::string& file);
  void CheckRefs(const std::string& file, const std::vector<TPageRef>& refs);
  void CheckStyleSheet(const std::string& file);

  std::string root_;
  std::set<std::string> outside_;
  TReadFile read_file_;
  std::function<bool(const std::string&)> is_folder_;
  std::vector<TPage> pages_;
  std::map<std::string, std::size_t> page_index_;
  std::map<std::string, std::set<std::string>> other_ids_;  // HTML files that are not pages
  std::set<std::string> checked_sheets_;
  std::map<std::string, TOnDisk> on_disk_;  // by target
  // folder -> its names in lower case -> as they are
  std::map<std::string, std::map<std::string, std::string>> folder_names_;

  std::vector<TFinding> findings_;
  std::map<std::string, std::vector<TExternalUse>> external_;
};

}  // namespace zorvik
