// What a checked page holds: the addresses it refers to, its ids, its charset declarations and
// what the generator left in it. The page is parsed by an HTML5 parser (gumbo) after a
// conversion to UTF-8 that keeps every line where it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zorvik {

struct TPageRef {
  std::string url;  // as written, in UTF-8, entities decoded
  int line = 0;     // 1-based
};

struct TPageProblem {
  int line = 0;
  bool error = true;  // else a warning
  std::string message;
  std::string text{};  // the faulty text as the page has it, to be found where it was written
};

struct TPageScan {
  std::vector<TPageRef> refs;          // href, src, srcset, action, data, poster; CSS url()
  std::vector<TPageRef> ids;           // id attributes and <a name>, with their lines
  std::vector<TPageRef> charsets;      // declared charsets, with their lines
  std::vector<TPageProblem> problems;  // left-over tags, bad bytes, duplicate ids, ...
  bool html = true;
};

// Pages larger than this are not parsed (only their left-over tags are looked for): the
// parser's tree takes many times a page's size.
inline constexpr std::size_t kMaxParsedPageBytes = 16u << 20;

// Scans an HTML page (its bytes as served).
TPageScan ScanHtmlPage(std::string_view bytes);

// The url() and @import targets of a style sheet (UTF-8 or CP932 bytes; addresses are ASCII in
// practice), lines counted from first_line.
std::vector<TPageRef> ScanCss(std::string_view css, int first_line = 1);

}  // namespace zorvik
