// Start-up set-up of the editor panes and page controls of every window.
#pragma once

#include <QList>

class QWidget;

namespace zorvik {

class TEditor;

class TZQUtility {
 public:
  // Every editor pane of the given windows: wrap column fitted to its width, double click opens
  // a URL or mail address under the caret (else selects the token), the wheel scrolls one row.
  void SetupEditors(const QList<QWidget*>& forms);
  // Every tab control of the given windows shows its first page.
  static void ResetPageControls(const QList<QWidget*>& forms);
  // The wrap column that fits the editor's width.
  static void FitWrapToWidth(TEditor& editor);
};

}  // namespace zorvik
