// A column ruler above an editor pane: a tick per column, a longer one every fifth and a number
// every tenth, following the pane's horizontal scrolling.
#pragma once

#include <QWidget>

namespace zorvik {

class TEditor;

class TRuler : public QWidget {
  Q_OBJECT

 public:
  TRuler(TEditor& editor, QWidget* parent = nullptr);
  QSize sizeHint() const override;
  // The column whose left edge stands at x, as the ruler draws it; for tests and clicks.
  int ColumnAt(int x) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int CharWidth() const;
  int TextLeft() const;  // where column 0 starts, the scroll offset included

  TEditor& editor_;
};

}  // namespace zorvik
