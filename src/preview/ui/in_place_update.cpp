#include "preview/ui/in_place_update.h"

#include "in_place_update_js.h"

namespace zorvik {

QString InPlaceUpdateScript(const QByteArray& document) {
  return QString::fromUtf8(kInPlaceUpdateJs.data(), static_cast<qsizetype>(kInPlaceUpdateJs.size()))
      .arg(QString::fromLatin1(document.toBase64()));
}

}  // namespace zorvik
