// "ユーザータグ定義画面": edits the ten snippets, registers them under a group name, shows and
// deletes groups of the user-tag store.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <array>
#include <memory>
#include <string>

#include "settings/settings_store.h"
#include "workbench/ui/dialogs.h"

namespace zorvik {

// The group box; its "text" property is what the settings store keeps.
class TUserTagBox : public QComboBox {
  Q_OBJECT
  Q_PROPERTY(QString text READ currentText WRITE setEditText)
 public:
  explicit TUserTagBox(QWidget* parent = nullptr);
};

class TForm4 : public QDialog {
  Q_OBJECT

 public:
  TForm4(QWidget* parent, TDialogs& dialogs);

  // Its part of the settings: the group box's text is a component of the store (registered
  // before the store loads), the user-tag store a value of it.
  void RegisterSettings(TZQIniFile& settings);
  void LoadSettings(const TZQIniFile& settings);
  void SaveSettings(TZQIniFile& settings) const;
  // The snippet of number button n (0 to 9), as its field holds it: CP932 and as text.
  std::string Snippet(int n) const;
  QString SnippetText(int n) const;

 signals:
  // The field of number button n changed.
  void SnippetChanged(int n, const QString& text);

 private:
  void ShowGroup(const QString& group);
  void RefreshGroupList();
  void RegisterGroup(const QString& group);
  void tbRegistUserGroupTagsClick();
  void tbDeleteUserGroupTagsClick();
  void cbUserTagsChange();

  std::vector<std::string> ListEntries() const;
  std::unique_ptr<TPropertyHost> box_host_;
  void SetListEntries(const std::vector<std::string>& list);

  TDialogs& dialogs_;
  // The user-tag store's text (CP932), saved in the settings under "_USERTAGS_".
  std::string user_tag_store_;

  // Its controls, found by their object names from outside ("edStr0" to "edStr9").
  TUserTagBox* cbUserTags;
  QAction* tbRegistUserGroupTags;
  QAction* tbDeleteUserGroupTags;
  std::array<QLineEdit*, 10> edStr{};
  QPushButton* btnOK;
};

}  // namespace zorvik
