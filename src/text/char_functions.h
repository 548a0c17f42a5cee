// Search, copy, insert and delete by character position, with a double-byte character (or, in
// a UTF-8 text, a whole UTF-8 sequence) counted as one character. Positions are 1-based
// character positions unless a function says otherwise; each text is in the encoding given.
#pragma once

#include <string>
#include <string_view>

#include "text/utf8.h"

namespace zorvik {

// Character position of the first occurrence of pattern in text, 0 when there is none. A match
// starts only where a character starts, never on the second byte of a double-byte character.
int CharPos(std::string_view pattern, std::string_view text, TEncoding encoding);

// Byte offset of the first occurrence of pattern in text that starts where a character starts,
// or std::string_view::npos.
std::size_t FindAtCharStart(std::string_view text, std::string_view pattern, TEncoding encoding);

// Number of characters of text.
int CharLength(std::string_view text, TEncoding encoding);

// The characters from position index on, at most count of them.
std::string CharCopy(std::string_view text, int index, int count, TEncoding encoding);

// Inserts piece before the character at position index (below 1: at the front; beyond the
// last character: at the end).
void CharInsert(std::string_view piece, std::string& text, int index, TEncoding encoding);

// Removes count characters from position index on (below 1: from the front).
void CharDelete(std::string& text, int index, int count, TEncoding encoding);

// True when the byte at 1-based byte position i is the second byte of a double-byte character.
// Throws std::out_of_range("Illegal Index") for a position outside the text.
bool IsTrailByte(std::string_view text, int i);

// Compares two texts ignoring the case of ASCII letters; the bytes of double-byte characters
// compare exactly.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace zorvik
