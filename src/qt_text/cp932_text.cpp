#include "qt_text/cp932_text.h"

#include "text/encoding.h"

namespace zorvik {

QString FromCp932(const std::string& cp932) {
  return QString::fromStdString(ConvertEncoding(cp932, "UTF-8", "CP932", "\xEF\xBF\xBD"));
}

std::string ToCp932(const QString& text) {
  return ConvertEncoding(text.toStdString(), "CP932", "UTF-8", "?");
}

bool RoundTrips(const std::string& cp932) { return ToCp932(FromCp932(cp932)) == cp932; }

}  // namespace zorvik
