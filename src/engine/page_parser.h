// The page source parser: walks a text line by line and applies each line at once. Comments
// ("//") and blank lines are skipped, "@" lines go to the system commands, "$name value" lines
// and "[name]" ... "[/name]" blocks fill every "{$name}" tag of the working text (letter case
// ignored). Line numbers count from 0.
#pragma once

#include <string_view>

#include "engine/engine_context.h"

namespace zorvik {

void ParsePageSource(TEngineContext& context, std::string_view text);

// Parses the text of each record of list (Imports or LastImports) that it holds when the pass
// starts.
void ParseImportList(TEngineContext& context, TImportList GenerationState::*list);

// Fills every "{$name}" tag of the working text with value; line numbers the error when the
// text would grow beyond the context's limit.
void FillTag(TEngineContext& context, std::string_view name, std::string_view value, int line);

}  // namespace zorvik
