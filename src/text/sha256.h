// SHA-256 of bytes, as lowercase hex (OpenSSL's libcrypto).
#pragma once

#include <string>
#include <string_view>

namespace zorvik {

std::string Sha256Hex(std::string_view bytes);

}  // namespace zorvik
