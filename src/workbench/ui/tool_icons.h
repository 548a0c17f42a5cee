// Small drawn icons for the tool buttons: a letter or mark on a coloured square.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace zorvik {

QIcon DrawnIcon(const QString& text, const QColor& foreground,
                const QColor& background = Qt::transparent, bool bold = false);

}  // namespace zorvik
