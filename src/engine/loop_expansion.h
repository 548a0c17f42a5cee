// Loop blocks: "{#name}" body "{/#name}" (or the same tags with "{$Count:name}" inside the
// braces) repeated count times, "{$Count}" and "{$Count:name}" numbered in each copy.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/engine_context.h"

namespace zorvik {

// Stands where the loop block stood until the expansion replaces it.
inline constexpr std::string_view kLoopMarker = "\t{_#LOOPTAG#_}\t";

void ExpandLoop(TEngineContext& context, std::string_view name, std::string_view count_text,
                int line);

}  // namespace zorvik
