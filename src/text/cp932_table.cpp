#include "text/cp932_table.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

namespace zorvik {
namespace {

struct TCharacter {
  unsigned char length = 0;  // of utf8; 0: no character
  std::array<char, 4> utf8{};
};

struct TCp932Table {
  std::array<TCharacter, 256> single;
  std::array<bool, 256> lead{};  // iconv waits for a second byte after it
  std::array<TCharacter, std::size_t{256} * 256> pair;
  bool ascii_as_is = true;  // every byte below 0x80 is that character, as in every CP932
};

// What iconv makes of bytes alone: the character, nothing for no character; *waits when it
// wants more bytes.
TCharacter Ask(iconv_t cd, std::string_view bytes, bool* waits) {
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  std::array<char, 16> out{};
  char* dst = out.data();
  std::size_t dst_left = out.size();
  const std::size_t rc = ::iconv(cd, &in, &in_left, &dst, &dst_left);
  if (waits != nullptr) *waits = rc == static_cast<std::size_t>(-1) && errno == EINVAL;
  TCharacter character;
  const auto length = static_cast<std::size_t>(dst - out.data());
  if (rc == static_cast<std::size_t>(-1) || in_left != 0 || length == 0 || length > 4)
    return character;
  character.length = static_cast<unsigned char>(length);
  std::copy(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(length), character.utf8.begin());
  return character;
}

const TCp932Table& Table() {
  static const std::unique_ptr<const TCp932Table> table = [] {
    auto made = std::make_unique<TCp932Table>();
    const iconv_t cd = ::iconv_open("UTF-8", "CP932");
    for (int first = 0; first < 256; ++first) {
      const char byte = static_cast<char>(first);
      bool waits = false;
      made->single[first] = Ask(cd, std::string_view(&byte, 1), &waits);
      made->lead[first] = waits;
      if (!waits) continue;
      for (int second = 0; second < 256; ++second) {
        const std::array<char, 2> bytes = {byte, static_cast<char>(second)};
        made->pair[first * 256 + second] =
            Ask(cd, std::string_view(bytes.data(), bytes.size()), nullptr);
      }
    }
    for (int byte = 0; byte < 0x80; ++byte) {
      const TCharacter& character = made->single[byte];
      made->ascii_as_is = made->ascii_as_is && !made->lead[byte] && character.length == 1 &&
                          character.utf8[0] == static_cast<char>(byte);
    }
    ::iconv_close(cd);
    return made;
  }();
  return *table;
}

}  // namespace

std::string DecodeCp932(std::string_view text, std::string_view replacement) {
  const TCp932Table& table = Table();
  // Written in place: no byte makes more than four, or the replacement.
  std::string out(text.size() * std::max<std::size_t>(4, replacement.size()), '\0');
  char* to = out.data();
  for (std::size_t i = 0; i < text.size();) {
    const auto first = static_cast<unsigned char>(text[i]);
    if (first < 0x80 && table.ascii_as_is) {
      *to++ = static_cast<char>(first);
      ++i;
      continue;
    }
    const TCharacter* character = &table.single[first];
    std::size_t length = 1;
    if (table.lead[first]) {
      character = i + 1 < text.size()
                      ? &table.pair[first * 256 + static_cast<unsigned char>(text[i + 1])]
                      : nullptr;
      length = 2;
    }
    if (character != nullptr && character->length != 0) {
      std::memcpy(to, character->utf8.data(), 4);  // the table's four bytes; only length count
      to += character->length;
    } else {
      to = std::copy(replacement.begin(), replacement.end(), to);
      length = i + 1 < text.size() && ((first >= 0x81 && first <= 0x9F) || first >= 0xE0) &&
                       first <= 0xFC
                   ? 2
                   : 1;
    }
    i += length;
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return out;
}

}  // namespace zorvik
