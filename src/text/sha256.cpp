#include "text/sha256.h"

#include <openssl/evp.h>

namespace zorvik {

TSha256 Sha256(std::string_view bytes) {
  TSha256 digest{};
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr);
  return digest;
}

std::string Sha256Hex(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char byte : Sha256(bytes)) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 15];
  }
  return hex;
}

}  // namespace zorvik
