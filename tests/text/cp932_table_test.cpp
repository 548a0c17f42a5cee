// The table decoder against iconv itself, run the way the conversion ran before it: over every
// byte and byte pair, and over random texts with broken characters among good ones.
#include "text/cp932_table.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>

namespace zorvik {
namespace {

// iconv over text; at what it cannot convert, the replacement, then on after the character's
// bytes (two for a byte that may start a two-byte character, when one follows).
std::string ByIconv(std::string_view text) {
  const iconv_t cd = ::iconv_open("UTF-8", "CP932");
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    char* in = const_cast<char*>(text.data() + i);
    std::size_t in_left = text.size() - i;
    char buffer[4096];
    char* dst = buffer;
    std::size_t dst_left = sizeof buffer;
    const std::size_t rc = ::iconv(cd, &in, &in_left, &dst, &dst_left);
    const int error = errno;
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    i = text.size() - in_left;
    if (rc != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    const auto b = static_cast<unsigned char>(text[i]);
    out += "?";
    i += i + 1 < text.size() && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  ::iconv_close(cd);
  return out;
}

TEST(Cp932TableTest, DecodesAsIconvDoesByteForByte) {
  for (int first = 0; first < 256; ++first) {
    const std::string one(1, static_cast<char>(first));
    ASSERT_EQ(DecodeCp932(one, "?"), ByIconv(one)) << first;
    for (int second = 0; second < 256; ++second) {
      const std::string two = one + static_cast<char>(second);
      ASSERT_EQ(DecodeCp932(two + "A", "?"), ByIconv(two + "A")) << first << " " << second;
    }
  }
  // Text as pages hold it, with stray lead bytes, bad trails and bytes no character uses.
  std::mt19937 random(932);
  const char kAlphabet[] =
      "aZ<>\r\n\\~\x81\x40\x82\xA0\x88\x9F\x87\x40\xED\x40\xFA\x40\xA1\xDF\x80\xA0\xFD"
      "\xFF\xE0\xFC\x7F\x00";
  const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);  // the NUL written in it too
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) {
      text += random() % 4 == 0 ? static_cast<char>(random() % 256)
                                : alphabet[random() % alphabet.size()];
    }
    ASSERT_EQ(DecodeCp932(text, "?"), ByIconv(text)) << round;
  }
}

}  // namespace
}  // namespace zorvik
