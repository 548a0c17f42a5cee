#include "text/utf8.h"

#include <cstdint>
#include <cstring>

namespace zorvik {

std::optional<std::size_t> FirstInvalidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t len = Utf8CharBytesAt(text, i);
    if (len == 1) return i;
    i += len;
  }
  return std::nullopt;
}

std::vector<TStrayRun> StrayUtf8Runs(std::string_view text) {
  std::vector<TStrayRun> runs;
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t len = Utf8CharBytesAt(text, i);
    if (len == 1) {
      if (!runs.empty() && runs.back().offset + runs.back().length == i) {
        ++runs.back().length;
      } else {
        runs.push_back({i, 1});
      }
    }
    i += len;
  }
  return runs;
}

namespace {

// Read from the start, a text whose stray bytes reach twice its UTF-8 characters and this many
// more is Shift-JIS beyond doubt: UTF-8 text with a few accidents never gets there, Shift-JIS
// text does within its first dozen characters, so the rest need not be read.
constexpr std::size_t kStraysBeyondDoubt = 16;

}  // namespace

TEncodingChoice ChooseEncoding(std::string_view bytes, const TEncoding* forced) {
  if (bytes.starts_with(kUtf8Bom)) return {TEncoding::kUtf8};
  if (forced != nullptr) return {*forced};
  TEncodingChoice choice;
  for (std::size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      // Markup and commands are mostly ASCII: eight bytes at a time while none is high.
      std::uint64_t word = 0;
      while (i + 8 <= bytes.size() &&
             (std::memcpy(&word, bytes.data() + i, 8), word & 0x8080808080808080ULL) == 0) {
        i += 8;
      }
      while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
      continue;
    }
    const std::size_t len = Utf8CharBytesAt(bytes, i);
    i += len;
    if (len > 1) {
      ++choice.utf8_characters;
    } else if (++choice.stray_bytes >= 2 * choice.utf8_characters + kStraysBeyondDoubt) {
      return choice;
    }
  }
  const std::size_t utf8 = choice.utf8_characters;
  const std::size_t stray = choice.stray_bytes;
  const bool mostly_utf8 = utf8 > 4 * stray;
  choice.encoding = mostly_utf8 ? TEncoding::kUtf8 : TEncoding::kCp932;
  choice.doubtful = stray > 0 && (mostly_utf8 || utf8 >= stray);
  return choice;
}

}  // namespace zorvik
