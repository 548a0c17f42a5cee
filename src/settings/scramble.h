// The store's reversible scrambling of values: each byte of a value becomes four characters of
// a 16-character key, behind a leading "_" that marks a scrambled value.
#pragma once

#include <string>
#include <string_view>

namespace zorvik {

enum TScrambleMode { smToggle = 0, smEncode = 1, smDecode = 2 };

// Shown when a key is shorter than 16 characters (never with the store's fixed key).
inline constexpr std::string_view kScrambleKeyError = "ZQPasswordError!!!";

// Encodes or decodes text with key; a text that begins with "_" counts as scrambled. Empty text
// for empty text, and for a key shorter than 16 characters (key_error is then set when given).
std::string ScrambleValue(std::string_view text, std::string_view key, TScrambleMode mode,
                          bool* key_error = nullptr);

// Every byte as two upper-case hexadecimal digits.
std::string HexBytes(std::string_view text);
// Each hexadecimal digit d becomes the (d+1)-th character of key, the key rotating left by one
// after every character.
std::string SubstituteDigits(std::string_view hex, std::string_view key);
// The reverse of SubstituteDigits.
std::string RestoreDigits(std::string_view text, std::string_view key);
// Pairs of hexadecimal digits back to bytes; a pair that is not hexadecimal gives its first
// character, a last single digit its value.
std::string UnhexPairs(std::string_view hex);

}  // namespace zorvik
