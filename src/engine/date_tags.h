// The sixteen date and time tags ({$Year4}, {$Month2}, ... {$Month4}), filled from the clock.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/clock.h"
#include "text/utf8.h"

namespace zorvik {

// Replaces every date and time tag in text (letter case ignored), each tag with the clock's
// time at the moment it is replaced; day and month names in the text's encoding.
void ReplaceDateTags(std::string& text, const TClock& clock, TEncoding encoding);

// The sixteen tags, as "{$Year4}", in the order in which they are filled.
std::vector<std::string_view> DateTagNames();

}  // namespace zorvik
