// Marker-delimited blocks and the named comment blocks that keep sections inside one text:
// "<!--" name "-->" value "<!--/" name "-->".
#pragma once

#include <string>
#include <string_view>

#include "text/utf8.h"

namespace zorvik {

// Cuts the first block from start_marker to the first end_marker (both markers included) out of
// text and returns its inner text with blank lines trimmed at both ends. A non-empty placeholder
// stands where the block stood. With a marker missing, empty, or the end before the start,
// returns an empty text and leaves text unchanged.
std::string ExtractBlock(std::string& text, std::string_view start_marker,
                         std::string_view end_marker, std::string_view placeholder,
                         TEncoding encoding);

std::string WrapCommentBlock(std::string_view name, std::string_view inner);

// The inner text of the comment block called name; with cut, the block is removed from text.
std::string ExtractCommentBlock(std::string& text, std::string_view name, bool cut,
                                TEncoding encoding);

}  // namespace zorvik
