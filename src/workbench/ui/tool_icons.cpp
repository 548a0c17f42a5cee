#include "workbench/ui/tool_icons.h"

#include <QPainter>
#include <QPixmap>

namespace zorvik {

QIcon DrawnIcon(const QString& text, const QColor& foreground, const QColor& background,
                bool bold) {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  if (background != Qt::transparent) {
    painter.setBrush(background);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 3, 3);
  }
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(text.size() > 2 ? 9 : 14);
  font.setBold(bold);
  painter.setFont(font);
  painter.setPen(foreground);
  painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
  return QIcon(pixmap);
}

}  // namespace zorvik
