#include "workbench/ui/elided_label.h"

#include <QFontMetrics>

namespace zorvik {

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TElidedLabel::SetFullText(const QString& text) {
  full_text_ = text;
  Elide();
}

QSize TElidedLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

QSize TElidedLabel::sizeHint() const { return {0, QLabel::sizeHint().height()}; }

void TElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void TElidedLabel::Elide() {
  const QString shown = fontMetrics().elidedText(full_text_, Qt::ElideRight, std::max(0, width()));
  setText(shown);
  setToolTip(shown == full_text_ ? QString() : full_text_);
}

}  // namespace zorvik
