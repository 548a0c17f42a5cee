// Feeds random pages to the site check: the page is parsed and its addresses checked against a
// site of three files held in memory (the page itself, a style sheet made of the input's tail,
// and a folder). Besides crashes, hangs and sanitizer reports it checks that every finding
// points at a line of its file.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "check/site_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  const std::string sheet = page.substr(size / 2);
  zorvik::TSiteCheck check(
      "/s/",
      [&sheet](const std::string& file, std::string& bytes, std::string*) {
        if (file != "/s/a.css") return false;
        bytes = sheet;
        return true;
      },
      [](const std::string& path) { return path == "/s/d/"; });
  check.AddPage("/s/p.html", page, true);
  // Lines end at LF, CR LF and a lone CR, as the HTML parser counts them.
  int page_lines = 1;
  for (std::size_t i = 0; i < page.size(); ++i) {
    page_lines +=
        page[i] == '\n' || (page[i] == '\r' && (i + 1 == page.size() || page[i + 1] != '\n'));
  }
  for (const zorvik::TFinding& finding : check.Finish()) {
    if (finding.line < 1 || (finding.file == "/s/p.html" && finding.line > page_lines))
      std::abort();
  }
  return 0;
}
