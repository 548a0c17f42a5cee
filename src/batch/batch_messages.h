// The batch run's texts, CP932.
#pragma once

#include <string_view>

namespace zorvik::batch_message {

// ファイルが存在しません
inline constexpr std::string_view kFileMissing =
    "\x83t\x83@\x83"
    "C\x83\x8B\x82\xAA\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1";

// ファイルを読み込めません
inline constexpr std::string_view kFileUnreadable =
    "\x83t\x83@\x83"
    "C\x83\x8B\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1";

}  // namespace zorvik::batch_message
