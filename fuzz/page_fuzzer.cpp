// Feeds random page sources, templates and imported files to the whole generation run.
//
// Input: two bytes of template length, the template, two bytes of import length, the imported
// file, then the page source. The page can name them as /f/t.tmpl and /f/i.dat. Besides
// crashes, hangs and sanitizer reports it checks that the counts only grow and the working
// text stays within its bound.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/generation_run.h"
#include "support/test_engine.h"

namespace {

std::string Take(const std::uint8_t*& data, std::size_t& size) {
  if (size < 2) return {};
  std::size_t length = (static_cast<std::size_t>(data[0]) << 8) | data[1];
  data += 2;
  size -= 2;
  length = std::min(length, size);
  std::string part(reinterpret_cast<const char*>(data), length);
  data += length;
  size -= length;
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zorvik;
  testing::TTestEngine engine;
  // A smaller bound than the program's keeps every input fast.
  engine.context.max_working_text = 1 << 20;
  engine.files.files["/f/t.tmpl"] = Take(data, size);
  engine.files.files["/f/i.dat"] = Take(data, size);
  engine.files.folders.insert("/f/");
  engine.state.DataFolder = "/f/";
  const std::string page(reinterpret_cast<const char*>(data), size);

  RunGeneration(engine.context, page);
  const int errors = engine.state.ErrorCount;
  WriteHtmlFile(engine.context, engine.state.WorkingText);
  if (engine.state.ErrorCount < errors) std::abort();
  // Paragraph tags may add to the text after the last bound check, never by more than a few
  // times its size.
  if (engine.state.WorkingText.size() > 8 * engine.context.max_working_text + size) std::abort();
  return 0;
}
