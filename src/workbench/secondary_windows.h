// The windows that the main window creates at start and opens from its buttons. The preview,
// the system settings dialog and the batch window are placeholders of their class and caption
// here; the user-tag window holds its group box, its ten fields and the user-tag store.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QObject>
#include <QWidget>
#include <array>
#include <string>

namespace zorvik {

// The preview's non-visual module.
class TdmBrowserModule : public QObject {
  Q_OBJECT
 public:
  explicit TdmBrowserModule(QObject* parent = nullptr);
};

// "プレビュー"
class TForm2 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);
};

// "システムコマンド設定"
class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);
};

// The group box of the user-tag window; its "text" property is what the settings store keeps.
class TUserTagBox : public QComboBox {
  Q_OBJECT
  Q_PROPERTY(QString text READ currentText WRITE setEditText)
 public:
  explicit TUserTagBox(QWidget* parent = nullptr);
};

// "ユーザータグ定義画面"
class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(QWidget* parent = nullptr);

  TUserTagBox* cbUserTags;
  std::array<QLineEdit*, 10> edStr{};

  // The user-tag store's text (CP932), saved in the settings under "_USERTAGS_".
  std::string UserTagStore;

  void ShowGroup(const QString& group);
  void RefreshGroupList();
};

// "連続書換フォーム"
class TForm5 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm5(QWidget* parent = nullptr);
};

}  // namespace zorvik
