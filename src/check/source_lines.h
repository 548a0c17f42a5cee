// Where the text of a finding was written: a page is made from its page source, the files it
// imports and its template, and an address in the page stands, as written, in one of them
// (directly, or as the value a tag was filled with).
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/site_check.h"
#include "engine/generation_log.h"
#include "text/encoding.h"

namespace zorvik {

struct TSourceLine {
  std::string file;
  int line = 0;         // 1-based
  bool shared = false;  // an imported file or the template, which other pages may share
};

class TSourceLines {
 public:
  // read gives a file's bytes; false when it cannot be read.
  explicit TSourceLines(std::function<bool(const std::string&, std::string&)> read);

  // The files a page was made from: its page source first, then its imports and its template.
  void AddPage(const std::string& page, std::vector<std::string> sources);
  bool Knows(const std::string& page) const { return pages_.count(page) > 0; }

  // The first line, in the page's files in that order, that holds text (UTF-8, looked for in
  // each file's own encoding) standing on its own: not part of a longer address. Nothing when
  // no file holds it, as for an address put together from several tags.
  std::optional<TSourceLine> Find(const std::string& page, std::string_view text);

 private:
  struct TFile {
    bool read = false;
    std::string bytes;
    TEncoding encoding = TEncoding::kCp932;  // found once, when read
  };
  const TFile& Read(const std::string& path);

  std::function<bool(const std::string&, std::string&)> read_;
  std::map<std::string, std::vector<std::string>> pages_;
  std::map<std::string, TFile> files_;
};

// A finding as a user acts on it: at the line of the file where its text was written, the
// page's line kept beside it. A finding in a file that pages share (a template, an import) is
// given once, with the number of pages that have it.
struct TSourceFinding {
  TFinding finding;  // its file and line: the page's
  std::optional<TSourceLine> source;
  int pages = 1;
  // An address of a generated page that none of its files holds as written: put together from
  // several tags, or changed on its way.
  bool unlocated = false;
};
std::vector<TSourceFinding> FindingsAtSource(std::vector<TFinding> findings, TSourceLines& sources);

// A finding as the command line prints it (UTF-8, no line end): "FILE:LINE: error: MESSAGE" at
// its source line with "(PAGE:LINE)" after it, "(PAGE:LINE and N other pages)" for a shared
// one; at the page's line otherwise. shown gives each path as it is to be printed.
std::string FindingLine(const TSourceFinding& at,
                        const std::function<std::string(const std::string&)>& shown);

// Where a log line of the finding points (a double click opens it there): its source line, or
// the page's.
TLogPlace PlaceOfFinding(const TSourceFinding& at);

}  // namespace zorvik
