#include "settings/scramble.h"

namespace zorvik {
namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::size_t kKeyLength = 16;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The key as it stands after `steps` rotations: one rotation per character.
char KeyAt(std::string_view key, std::size_t steps, std::size_t index) {
  return key[(steps + index) % kKeyLength];
}

std::string Encode(std::string_view text, std::string_view key) {
  return "_" + SubstituteDigits(HexBytes(HexBytes(text)), key);
}

std::string Decode(std::string_view text, std::string_view key) {
  return UnhexPairs(UnhexPairs(RestoreDigits(text, key)));
}

}  // namespace

std::string HexBytes(std::string_view text) {
  std::string hex;
  hex.reserve(text.size() * 2);
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    hex += kHexDigits[b >> 4];
    hex += kHexDigits[b & 15];
  }
  return hex;
}

std::string SubstituteDigits(std::string_view hex, std::string_view key) {
  std::string out;
  out.reserve(hex.size());
  for (std::size_t n = 0; n < hex.size(); ++n) {
    const std::size_t i = kHexDigits.find(hex[n]);
    // Only hexadecimal digits reach here; anything else keeps its place unchanged.
    out += i == std::string_view::npos ? hex[n] : KeyAt(key, n, i);
  }
  return out;
}

std::string RestoreDigits(std::string_view text, std::string_view key) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t n = 0; n < text.size(); ++n) {
    std::size_t j = 0;
    while (j < kKeyLength && KeyAt(key, n, j) != text[n]) ++j;
    // A character that is not in the key has no digit; it is taken as the digit 0.
    out += kHexDigits[j < kKeyLength ? j : 0];
  }
  return out;
}

std::string UnhexPairs(std::string_view hex) {
  std::string out;
  out.reserve(hex.size() / 2 + 1);
  std::size_t i = 0;
  for (; i + 1 < hex.size(); i += 2) {
    const int high = HexValue(hex[i]);
    const int low = HexValue(hex[i + 1]);
    out += (high < 0 || low < 0) ? hex[i] : static_cast<char>(high * 16 + low);
  }
  if (i < hex.size()) {
    const int single = HexValue(hex[i]);
    out += single < 0 ? hex[i] : static_cast<char>(single);
  }
  return out;
}

std::string ScrambleValue(std::string_view text, std::string_view key, TScrambleMode mode,
                          bool* key_error) {
  if (key_error != nullptr) *key_error = false;
  if (text.empty()) return {};
  if (key.size() < kKeyLength) {
    if (key_error != nullptr) *key_error = true;
    return {};
  }
  key = key.substr(0, kKeyLength);
  if (text[0] == '_') {
    text.remove_prefix(1);
    return mode == smEncode ? Encode(text, key) : Decode(text, key);
  }
  return mode == smDecode ? Decode(text, key) : Encode(text, key);
}

}  // namespace zorvik
