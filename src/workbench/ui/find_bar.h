// The find bar under the main window's tabs: finds text or a pattern in the pane in front and,
// in the page source, replaces every hit as one undo step.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include "pattern/pattern_component.h"
#include "workbench/text_search.h"
#include "workbench/ui/elided_label.h"

namespace zorvik {

class TEditor;

class TFindBar : public QWidget {
  Q_OBJECT

 public:
  explicit TFindBar(QWidget* parent = nullptr);

  // The one pane whose text may be replaced; the others are output.
  void AllowReplaceIn(TEditor& editor) { replaceable_ = &editor; }

  // Shows the bar for editor, with the replace field when replace is true (and the pane may be
  // replaced in); a selection within one line becomes the text to find.
  void Open(TEditor& editor, bool replace);
  // Moves the bar to another pane, as when the tab in front changes.
  void Retarget(TEditor& editor);
  void Close();

  void FindNext();
  void FindPrevious();
  void ReplaceAll();

 private:
  QLineEdit* edFind;
  QLineEdit* edReplace;
  QCheckBox* cbMatchCase;
  QCheckBox* cbPattern;
  QPushButton* btFindNext;
  QPushButton* btFindPrevious;
  QPushButton* btReplaceAll;
  QToolButton* btClose;
  TElidedLabel* lbStatus;  // elided: a long message never widens the window

  // Sets the query from the fields; shows a malformed pattern's message and returns false.
  bool PrepareQuery();
  void Find(bool forward);
  void ShowReplace(bool show);

  bool Replaceable() const { return editor_ != nullptr && editor_ == replaceable_; }

  TEditor* editor_ = nullptr;
  TEditor* replaceable_ = nullptr;
  TSecondAWKStr pattern_;
  TTextSearch search_{pattern_};
};

}  // namespace zorvik
