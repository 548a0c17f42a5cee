// CP932 bytes and Qt's Unicode text: the one conversion every window and the preview use, so
// that a text shown, edited and written back is the bytes it was.
#pragma once

#include <QString>
#include <string>

namespace zorvik {

// Bytes that CP932 does not map become U+FFFD.
QString FromCp932(const std::string& cp932);
// Characters that CP932 lacks become "?".
std::string ToCp932(const QString& text);
// True when cp932 comes back byte for byte through Unicode.
bool RoundTrips(const std::string& cp932);

}  // namespace zorvik
