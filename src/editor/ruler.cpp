#include "editor/ruler.h"

#include <QPainter>

#include "editor/teditor.h"

namespace zorvik {

TRuler::TRuler(TEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  connect(&editor_, &QsciScintillaBase::SCN_UPDATEUI, this, [this] { update(); });
}

QSize TRuler::sizeHint() const { return {100, fontMetrics().height() + 6}; }

int TRuler::CharWidth() const {
  const long width = editor_.SendScintilla(QsciScintillaBase::SCI_TEXTWIDTH, 0UL, "0");
  return std::max(1, static_cast<int>(width));
}

int TRuler::TextLeft() const {
  int margins = 0;
  for (int margin = 0; margin < 5; ++margin) margins += editor_.marginWidth(margin);
  const long scrolled = editor_.SendScintilla(QsciScintillaBase::SCI_GETXOFFSET);
  const long padding = editor_.SendScintilla(QsciScintillaBase::SCI_GETMARGINLEFT);
  return editor_.viewport()->x() + margins + static_cast<int>(padding - scrolled);
}

int TRuler::ColumnAt(int x) const { return (x - TextLeft()) / CharWidth(); }

void TRuler::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawLine(0, height() - 1, width(), height() - 1);
  painter.setPen(palette().color(QPalette::WindowText));
  const int char_width = CharWidth();
  const int left = TextLeft();
  const int first = std::max(0, (0 - left) / char_width);
  for (int column = first;; ++column) {
    const int x = left + column * char_width;
    if (x > width()) break;
    const int tick = column % 10 == 0  ? height() / 2
                     : column % 5 == 0 ? height() / 3
                                       : height() / 6;
    painter.drawLine(x, height() - 1 - tick, x, height() - 1);
    if (column % 10 == 0 && column > 0) {
      painter.drawText(QRect(x + 2, 0, 10 * char_width, height() - tick),
                       Qt::AlignLeft | Qt::AlignVCenter, QString::number(column));
    }
  }
}

}  // namespace zorvik
