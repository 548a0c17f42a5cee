// Cutting a token or a line off the front of a text, and trimming spaces and blank lines.
// Spaces are the ASCII space and the full-width space (U+3000: 0x81 0x40 in CP932, E3 80 80 in
// UTF-8); tabs are not spaces. A blank line is a CR LF pair. Characters are taken in the
// encoding given.
#pragma once

#include <string>
#include <string_view>

#include "text/utf8.h"

namespace zorvik {

// Returns the part of text before the first byte that equals any byte of separators (never a
// trail byte); text keeps what follows that separator. Without a separator the whole text is
// the head and text becomes empty.
std::string CutToken(std::string& text, std::string_view separators, TEncoding encoding);

// Returns the text up to the first CR (an LF alone does not end a line); text keeps what
// follows that CR and the LF right after it.
std::string CutLine(std::string& text, TEncoding encoding);

void TrimLeadingSpaces(std::string& text, TEncoding encoding);
void TrimTrailingSpaces(std::string& text, TEncoding encoding);
std::string TrimSpaces(std::string_view text, TEncoding encoding);
// The same, as a view into text.
std::string_view TrimSpacesView(std::string_view text, TEncoding encoding);

std::string TrimLeadingBlankLines(std::string_view text);
std::string TrimTrailingBlankLines(std::string_view text, TEncoding encoding);
std::string TrimBlankLines(std::string_view text, TEncoding encoding);

}  // namespace zorvik
