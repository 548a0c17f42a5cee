#include "text/byte_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zorvik {
namespace {

TEST(ByteScanTest, FindByteOrNulAgreesWithALoopAtEveryPlace) {
  // One hit (or none) at every offset of texts that run past two rounds of 128 bytes.
  for (const char hit : {'<', '\0', 'x'}) {
    for (std::size_t size = 0; size < 300; size += 7) {
      for (std::size_t at = 0; at <= size; at += 3) {
        std::string text(size, 'a');
        if (at < size) text[at] = hit;
        const std::size_t want = hit != 'x' && at < size ? at : size;
        ASSERT_EQ(FindByteOrNul(text.data(), 0, size, '<'), want) << size << " " << at;
      }
    }
  }
}

TEST(ByteScanTest, FindBytesAgreesWithFindAcrossBlocks) {
  // A small alphabet makes near misses common; sizes run past two 32-byte blocks.
  std::mt19937 rng(8);
  for (int round = 0; round < 3000; ++round) {
    std::string text(rng() % 80, ' ');
    for (char& c : text) c = "<!-x"[rng() % 4];
    std::string needle(1 + rng() % 5, ' ');
    for (char& c : needle) c = "<!-x"[rng() % 4];
    const std::size_t from = rng() % (text.size() + 2);
    ASSERT_EQ(FindBytes(text, from, needle), std::string_view(text).find(needle, from))
        << text << " / " << needle << " from " << from;
  }
}

}  // namespace
}  // namespace zorvik
