// Log entries for the terminal: CP932 text in UTF-8, every CR LF turned into LF.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace zorvik::cli {

class TLogLineConverter {
 public:
  std::string Utf8Lines(std::string_view cp932);

 private:
  // The last few runs of non-ASCII characters converted: a batch logs the same messages again
  // and again, and ASCII (a stamp, a path) is the same in UTF-8.
  struct TConverted {
    std::string cp932;
    std::string utf8;
  };
  const std::string& Converted(std::string_view run);
  std::array<TConverted, 8> kept_;
  std::size_t next_kept_ = 0;
};

}  // namespace zorvik::cli
