// A one-line label that never asks for more room than it gets: a text too long for it ends
// in "…", with the whole text as its tool tip.
#pragma once

#include <QLabel>
#include <QString>

namespace zorvik {

class TElidedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TElidedLabel(QWidget* parent = nullptr);
  void SetFullText(const QString& text);
  const QString& FullText() const { return full_text_; }
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QString full_text_;
};

}  // namespace zorvik
