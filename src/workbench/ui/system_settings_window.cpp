#include "workbench/ui/system_settings_window.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "editor/teditor.h"
#include "qt_text/cp932_text.h"
#include "workbench/system_settings_block.h"
#include "workbench/ui/main_tool_icons.h"

namespace zorvik {

TForm3::TForm3(QWidget* parent, TDialogs& dialogs, const QString& program_folder)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      dialogs_(dialogs),
      program_folder_(ToCp932(program_folder)) {
  setObjectName("Form3");
  setWindowTitle(QStringLiteral("システムコマンド設定"));
  setSizeGripEnabled(true);
  auto* grid = new QGridLayout(this);
  auto row = [&](int r, const char* label, const char* field, const char* button) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(field);
    edit->setMinimumWidth(360);
    auto* tool = new QToolButton(this);
    tool->setObjectName(button);
    tool->setIcon(MainToolIcon(TMainTool::kOpen));
    grid->addWidget(new QLabel(QString::fromUtf8(label), this), r, 0);
    grid->addWidget(edit, r, 1);
    grid->addWidget(tool, r, 2);
    return std::pair{edit, tool};
  };
  std::tie(edTempFile, sbOpenTemplateFile) =
      row(0, "テンプレートファイル名", "edTempFile", "sbOpenTemplateFile");
  std::tie(edCSSFile, sbWriteOutFileName) =
      row(1, "プレビュー用CSSファイル名", "edCSSFile", "sbWriteOutFileName");
  std::tie(edWriteFile, sbSelectPreviewCSSFile) =
      row(2, "書き出しファイル名", "edWriteFile", "sbSelectPreviewCSSFile");
  cbItemCRLF = new QCheckBox(QStringLiteral("記事改行タグモード"), this);
  cbItemCRLF->setObjectName("cbItemCRLF");
  cbHTMLCRLF = new QCheckBox(QStringLiteral("HTML改行削除モード"), this);
  cbHTMLCRLF->setObjectName("cbHTMLCRLF");
  grid->addWidget(cbItemCRLF, 3, 1);
  grid->addWidget(cbHTMLCRLF, 4, 1);
  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  btnOK->setToolTip(QStringLiteral("システムコマンドの行をクリップボードに入れます"));
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setObjectName("BitBtn2");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(BitBtn2);
  auto* note = new QLabel(
      QStringLiteral("※ OK を押すと、これらのシステムコマンドの行がクリップボードに入ります。"
                     "ページ原稿に貼り付けて使います。"),
      this);
  note->setObjectName("lbClipboardNote");
  note->setWordWrap(true);
  grid->addWidget(note, 5, 0, 1, 3);
  grid->addLayout(buttons, 6, 0, 1, 3);

  setTabOrder(edTempFile, edCSSFile);
  setTabOrder(edCSSFile, edWriteFile);
  setTabOrder(edWriteFile, cbItemCRLF);
  setTabOrder(cbItemCRLF, cbHTMLCRLF);
  setTabOrder(cbHTMLCRLF, btnOK);
  setTabOrder(btnOK, BitBtn2);

  connect(sbOpenTemplateFile, &QToolButton::clicked, this, &TForm3::sbOpenTemplateFileClick);
  connect(sbWriteOutFileName, &QToolButton::clicked, this, &TForm3::sbWriteOutFileNameClick);
  connect(sbSelectPreviewCSSFile, &QToolButton::clicked, this,
          &TForm3::sbSelectPreviewCSSFileClick);
  connect(btnOK, &QPushButton::clicked, this, &TForm3::btnOKClick);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);  // Esc too: QDialog's reject
}

QString TForm3::Converted(const QString& path) const {
  return FromCp932(FolderMacroConversion(ToCp932(path), program_folder_));
}

void TForm3::Prepare() {
  edWriteFile->clear();
  edTempFile->clear();
  edCSSFile->clear();
  cbItemCRLF->setChecked(false);
  cbHTMLCRLF->setChecked(false);
}

void TForm3::sbOpenTemplateFileClick() {
  if (const auto path =
          dialogs_.OpenFileName(this, QStringLiteral("テンプレートファイルを選択してください"),
                                QStringLiteral("テンプレートファイル(*.tmpl);;すべてのファイル(*)"),
                                QStringLiteral("tmpl"), {})) {
    edTempFile->setText(Converted(*path));
  }
}

void TForm3::sbWriteOutFileNameClick() {
  if (const auto path = dialogs_.OpenFileName(
          this, QString(), QStringLiteral("スタイルシートファイル(*.css);;すべてのファイル(*)"),
          QStringLiteral("css"), {})) {
    edCSSFile->setText(Converted(*path));
  }
}

void TForm3::sbSelectPreviewCSSFileClick() {
  if (const auto path = dialogs_.SaveFileName(
          this, QString(), QStringLiteral("HTMLファイル(*.html)"), QStringLiteral("html"), {})) {
    edWriteFile->setText(Converted(*path));
  }
}

void TForm3::btnOKClick() {
  TSystemSettingsFields fields;
  fields.template_file = ToCp932(edTempFile->text());
  fields.write_file = ToCp932(edWriteFile->text());
  fields.preview_css = ToCp932(edCSSFile->text());
  fields.item_crlf_tag = cbItemCRLF->isChecked();
  fields.html_crlf_yes = cbHTMLCRLF->isChecked();
  QApplication::clipboard()->setText(
      FromCp932(ComposeSystemSettingsBlock(fields, program_folder_)));
  accept();
}

}  // namespace zorvik
