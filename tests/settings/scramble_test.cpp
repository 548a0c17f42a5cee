#include "settings/scramble.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

constexpr std::string_view kKey = "pmxdrwfoltcaubv#";

TEST(ScrambleTest, EachByteBecomesFourKeyCharacters) {
  EXPECT_EQ(ScrambleValue("A", kKey, smEncode), "_dwwr");
  EXPECT_EQ(ScrambleValue("ab", kKey, smEncode), "_dowroatt");
  EXPECT_EQ(ScrambleValue("\x95\x5C", kKey, smEncode), "_dcwloccc");  // 表
  const std::string plain = "C:\\pages\r\n\t\x81\x40 mixed";
  const std::string scrambled = ScrambleValue(plain, kKey, smEncode);
  EXPECT_EQ(scrambled.size(), 1 + 4 * plain.size());
  EXPECT_EQ(scrambled[0], '_');
  EXPECT_EQ(ScrambleValue(scrambled, kKey, smDecode), plain);
  EXPECT_EQ(ScrambleValue(scrambled, kKey, smToggle), plain);
  EXPECT_EQ(ScrambleValue(plain, kKey, smToggle), scrambled);
}

TEST(ScrambleTest, LeadingUnderscoreMarksAScrambledValue) {
  // A plain value that begins with "_" loses it: encoding drops the mark first.
  const std::string scrambled = ScrambleValue("_abc", kKey, smEncode);
  EXPECT_EQ(ScrambleValue(scrambled, kKey, smDecode), "abc");
  // Decoding without the mark decodes the whole text.
  EXPECT_EQ(ScrambleValue(scrambled.substr(1), kKey, smDecode), "abc");
}

TEST(ScrambleTest, EmptyTextAndShortKeys) {
  EXPECT_EQ(ScrambleValue("", kKey, smEncode), "");
  bool key_error = false;
  EXPECT_EQ(ScrambleValue("abc", "short", smEncode, &key_error), "");
  EXPECT_TRUE(key_error);
  ScrambleValue("abc", kKey, smEncode, &key_error);
  EXPECT_FALSE(key_error);
}

TEST(ScrambleTest, HelperSteps) {
  EXPECT_EQ(HexBytes("\x01\xAB"), "01AB");
  // The key turns left after every character: "F" takes the last character of the turned key.
  EXPECT_EQ(SubstituteDigits("0F0", kKey), "ppx");
  EXPECT_EQ(RestoreDigits("ppx", kKey), "0F0");
  EXPECT_EQ(UnhexPairs("4142"), "AB");
  EXPECT_EQ(UnhexPairs("4G42"), "4B");  // a pair that is not hexadecimal gives its first character
  EXPECT_EQ(UnhexPairs("414"), std::string("A\x04", 2));
}

}  // namespace
}  // namespace zorvik
