// Filling a run of value lines ("$name value" lines and "[name]" blocks with nothing else
// between them) in one pass over the working text, instead of one pass per line, for pages with
// thousands of such lines.
#pragma once

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

// Gives the working text and the log that filling the lines one after the other gives: each tag
// gets the first value given for it, a value may hold tags that later lines fill, and a value
// is not searched again by its own line. Returns false, having changed nothing, when braces in
// the text, a name or a value could join into a tag or shift the double-byte characters after
// them once a tag is filled; the lines must then be filled one by one.
bool FillTagsInOnePass(TEngineContext& context, const std::vector<TFillLine>& lines);

}  // namespace zorvik
