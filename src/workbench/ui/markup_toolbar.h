// The two toolbars above the page-source editor: colour markers, strong/em/u/s, links, colour
// value (ToolBar3); the user-tag window and the ten user tags, tag deletion, the "$" and block
// marks, the system-command list and the system settings dialog (ToolBar4). Each handler
// applies a rule of the core to the editor's selection.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QObject>
#include <QToolBar>
#include <array>

#include "pattern/pattern_component.h"
#include "workbench/markup_tools.h"
#include "workbench/ui/dialogs.h"

namespace zorvik {

class TEditor;
class TForm3;
class TForm4;

class TMarkupToolbar : public QObject {
  Q_OBJECT

 public:
  TMarkupToolbar(QToolBar& toolbar3, QToolBar& toolbar4, QComboBox& system_tags, TEditor& editor,
                 TSecondAWKStr& pattern, TDialogs& dialogs, QWidget* owner);
  void AttachWindows(TForm3* form3, TForm4* form4);

 private:
  void tbMarkerClick(int tag);
  void tbBoldClick(int tag);
  void tbSetLinksClick(int tag);
  void tbColorSelectClick();
  void tbDeleteTagsClick();
  void tbDisplayDollerClick(int tag);
  void tbDisplaySysComClick();
  void tbUserTag0Click(int tag);
  void tbDisplayUsertagFormClick();
  void tbDisplaySysComFormClick();

  QAction* tbBoldBtn;
  std::array<QAction*, 10> user_tags{};

  void Apply(const TSelectionEdit& edit);
  QAction* Add(QToolBar& bar, const char* name, const char* hint, const QIcon& icon);

  TEditor& editor_;
  QComboBox& system_tags_;
  TSecondAWKStr& pattern_;
  TDialogs& dialogs_;
  QWidget* owner_;
  TForm3* form3_ = nullptr;
  TForm4* form4_ = nullptr;
};

}  // namespace zorvik
