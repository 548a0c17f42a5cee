#include "workbench/secondary_windows.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "editor/teditor.h"
#include "workbench/user_tags.h"

namespace zorvik {

TdmBrowserModule::TdmBrowserModule(QObject* parent) : QObject(parent) {
  setObjectName("dmBrowserModule");
}

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form2");
  setWindowTitle(QStringLiteral("プレビュー"));
  resize(623, 495);
}

TForm3::TForm3(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName("Form3");
  setWindowTitle(QStringLiteral("システムコマンド設定"));
}

TUserTagBox::TUserTagBox(QWidget* parent) : QComboBox(parent) {
  setObjectName("cbUserTags");
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
}

TForm4::TForm4(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName("Form4");
  setWindowTitle(QStringLiteral("ユーザータグ定義画面"));
  auto* layout = new QVBoxLayout(this);
  cbUserTags = new TUserTagBox(this);
  layout->addWidget(cbUserTags);
  auto* fields = new QFormLayout;
  static const char* const kLabels[] = {"０番", "１番", "２番", "３番", "４番",
                                        "５番", "６番", "７番", "８番", "９番"};
  for (int i = 0; i < 10; ++i) {
    edStr[static_cast<std::size_t>(i)] = new QLineEdit(this);
    edStr[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("edStr%1").arg(i));
    fields->addRow(QString::fromUtf8(kLabels[i]), edStr[static_cast<std::size_t>(i)]);
  }
  layout->addLayout(fields);
  connect(cbUserTags, &QComboBox::editTextChanged, this, [this](const QString& text) { ShowGroup(text); });
}

void TForm4::ShowGroup(const QString& group) {
  const TUserTagFields fields = zorvik::ShowGroup(UserTagStore, TEditor::ToCp932(group));
  for (std::size_t i = 0; i < fields.size(); ++i) edStr[i]->setText(TEditor::FromCp932(fields[i]));
}

void TForm4::RefreshGroupList() {
  const QString current = cbUserTags->currentText();
  const QSignalBlocker block(cbUserTags);
  cbUserTags->clear();
  for (const std::string& name : UserTagGroupList(UserTagStore)) {
    cbUserTags->addItem(TEditor::FromCp932(name));
  }
  const int index = cbUserTags->findText(current);
  cbUserTags->setCurrentIndex(index);
  cbUserTags->setEditText(current);
}

TForm5::TForm5(QWidget* parent) : QDialog(parent, Qt::WindowStaysOnTopHint) {
  setObjectName("Form5");
  setWindowTitle(QStringLiteral("連続書換フォーム"));
  resize(295, 452);
}

}  // namespace zorvik
