#include "workbench/ui/user_tag_window.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "editor/teditor.h"
#include "qt_text/cp932_text.h"
#include "text/cut_trim.h"
#include "workbench/ui/qt_adapters.h"
#include "workbench/ui/tool_icons.h"
#include "workbench/user_tags.h"

namespace zorvik {
namespace {

const QString kNoGroupName = QStringLiteral("ユーザータググループ名が設定されていません");

}  // namespace

TUserTagBox::TUserTagBox(QWidget* parent) : QComboBox(parent) {
  setObjectName("cbUserTags");
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  // The box keeps exactly what was typed: "a" and "A" are different groups, and a group name
  // that begins another one is a name of its own. Without a completer the box neither completes
  // inline nor matches a list entry without letter case when editing ends.
  setCompleter(nullptr);
}

TForm4::TForm4(QWidget* parent, TDialogs& dialogs)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), dialogs_(dialogs) {
  setObjectName("Form4");
  setWindowTitle(QStringLiteral("ユーザータグ定義画面"));
  auto* layout = new QVBoxLayout(this);
  auto* toolbar = new QToolBar(this);
  cbUserTags = new TUserTagBox(this);
  cbUserTags->setMinimumWidth(220);
  auto* group_label = new QLabel(QStringLiteral("グループ名："), this);
  group_label->setBuddy(cbUserTags);
  toolbar->addWidget(group_label);
  toolbar->addWidget(cbUserTags);
  tbRegistUserGroupTags = toolbar->addAction(DrawnIcon("+", Qt::white, QColor(60, 140, 60), true),
                                             QStringLiteral("ユーザータググループを登録"));
  tbRegistUserGroupTags->setObjectName("tbRegistUserGroupTags");
  tbDeleteUserGroupTags = toolbar->addAction(DrawnIcon("-", Qt::white, QColor(170, 60, 60), true),
                                             QStringLiteral("ユーザータググループを削除"));
  tbDeleteUserGroupTags->setObjectName("tbDeleteUserGroupTags");
  layout->addWidget(toolbar);

  auto* fields = new QFormLayout;
  static const char* const kLabels[] = {"０番", "１番", "２番", "３番", "４番",
                                        "５番", "６番", "７番", "８番", "９番"};
  for (int i = 0; i < 10; ++i) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("edStr%1").arg(i));
    edit->setMinimumWidth(360);
    edStr[static_cast<std::size_t>(i)] = edit;
    connect(edit, &QLineEdit::textChanged, this,
            [this, i](const QString& text) { emit SnippetChanged(i, text); });
    fields->addRow(QString::fromUtf8(kLabels[i]), edit);
  }
  layout->addLayout(fields);
  auto* note =
      new QLabel(QStringLiteral("※ _Seltext_ で選択している部分を表示することが出来ます"), this);
  note->setStyleSheet(QStringLiteral("color: purple; font-weight: bold;"));
  layout->addWidget(note);
  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  layout->addWidget(btnOK, 0, Qt::AlignRight);

  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(tbRegistUserGroupTags, &QAction::triggered, this, &TForm4::tbRegistUserGroupTagsClick);
  connect(tbDeleteUserGroupTags, &QAction::triggered, this, &TForm4::tbDeleteUserGroupTagsClick);
  connect(cbUserTags, &QComboBox::editTextChanged, this, &TForm4::cbUserTagsChange);
}

std::vector<std::string> TForm4::ListEntries() const {
  std::vector<std::string> list;
  for (int i = 0; i < cbUserTags->count(); ++i) list.push_back(ToCp932(cbUserTags->itemText(i)));
  return list;
}

void TForm4::SetListEntries(const std::vector<std::string>& list) {
  const QString current = cbUserTags->currentText();
  const QSignalBlocker block(cbUserTags);
  cbUserTags->clear();
  for (const std::string& name : list) cbUserTags->addItem(FromCp932(name));
  cbUserTags->setCurrentIndex(cbUserTags->findText(current));
  cbUserTags->setEditText(current);
}

void TForm4::ShowGroup(const QString& group) {
  const TUserTagFields fields = zorvik::ShowGroup(user_tag_store_, ToCp932(group));
  for (std::size_t i = 0; i < fields.size(); ++i) edStr[i]->setText(FromCp932(fields[i]));
}

void TForm4::RefreshGroupList() { SetListEntries(UserTagGroupList(user_tag_store_)); }

void TForm4::RegisterGroup(const QString& group) {
  TUserTagFields fields;
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i] = ToCp932(edStr[i]->text());
  std::vector<std::string> list = ListEntries();
  zorvik::RegisterGroup(user_tag_store_, list, ToCp932(group), fields);
  RefreshGroupList();
}

void TForm4::tbRegistUserGroupTagsClick() {
  const std::string group = TrimSpaces(ToCp932(cbUserTags->currentText()), TEncoding::kCp932);
  if (!ErrorUnless(dialogs_, this, kNoGroupName, !group.empty())) return;
  RegisterGroup(FromCp932(group));
}

void TForm4::tbDeleteUserGroupTagsClick() {
  const QString name = cbUserTags->currentText();
  const std::string bytes = ToCp932(name);
  std::vector<std::string> list = ListEntries();
  const auto index = FindGroupInList(list, bytes);
  if (!ErrorUnless(dialogs_, this, kNoGroupName, !TrimSpaces(bytes, TEncoding::kCp932).empty()))
    return;
  if (!ErrorUnless(dialogs_, this,
                   QStringLiteral("登録されていないユーザータググループです\r\n\r\n[") + name + "]",
                   index.has_value())) {
    return;
  }
  if (AnsweredNo(dialogs_, this,
                 QStringLiteral("ユーザータググループを削除します\r\n\r\n[") + name + "]"))
    return;
  DeleteGroup(user_tag_store_, list, bytes, *index);
  SetListEntries(list);
  cbUserTags->setEditText(QString());
  ShowGroup(QString());
}

void TForm4::cbUserTagsChange() { ShowGroup(cbUserTags->currentText()); }

std::string TForm4::Snippet(int n) const { return ToCp932(SnippetText(n)); }

QString TForm4::SnippetText(int n) const { return edStr[static_cast<std::size_t>(n)]->text(); }

void TForm4::RegisterSettings(TZQIniFile& settings) {
  box_host_ = std::make_unique<TQtPropertyHost>(*cbUserTags);
  settings.RegisterComponent(*box_host_, "text", skPlain, "");
}

void TForm4::LoadSettings(const TZQIniFile& settings) {
  user_tag_store_ = settings.ReadString(kUserTagsSettingsKey);
  ShowGroup(cbUserTags->currentText());
  RefreshGroupList();
}

void TForm4::SaveSettings(TZQIniFile& settings) const {
  settings.WriteString(kUserTagsSettingsKey, user_tag_store_);
}

}  // namespace zorvik
