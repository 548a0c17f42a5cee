// Filling a run of value lines ("$name value" lines and "[name]" blocks with nothing else
// between them) in one pass over the working text, instead of one pass per line, for pages with
// thousands of such lines.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/engine_context.h"

namespace zorvik {

// One line of a run: a tag to fill with a value, or (error not empty) an error the parser found
// at that place, logged in turn.
struct TFillLine {
  std::string name;
  std::string value;
  int line = 0;
  std::string error;
};

// Gives the text and the reports that filling the lines one after the other gives: each tag gets
// the first value given for it, a value may hold tags that later lines fill, and a value is not
// searched again by its own line. `report` is called in turn for each error line and for each
// line refused because the text would grow beyond max_size. Returns false, having changed and
// reported nothing, when braces in the text, a name or a value could join into a tag or shift
// the double-byte characters after them once a tag is filled; the lines must then be filled
// one by one.
bool FillTagsInOnePass(std::string& text, const std::vector<TFillLine>& lines, std::size_t max_size,
                       const std::function<void(const TFillLine&)>& report, TEncoding encoding);

// True when filling `lines` tags one by one would scan enough text for the one pass to pay.
inline bool WorthOnePass(std::size_t lines, std::size_t text_size) {
  return lines > 1 && lines * text_size >= (std::size_t{1} << 20);
}

// The same for a run of a page source, on the working text, with errors logged.
bool FillTagsInOnePass(TEngineContext& context, const std::vector<TFillLine>& lines);

}  // namespace zorvik
