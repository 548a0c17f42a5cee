// SHA-256 of bytes, as lowercase hex (OpenSSL's libcrypto).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace zorvik {

using TSha256 = std::array<unsigned char, 32>;

TSha256 Sha256(std::string_view bytes);
std::string Sha256Hex(std::string_view bytes);

}  // namespace zorvik
