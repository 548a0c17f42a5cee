#include "workbench/ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QStatusBar>
#include <iostream>

#include "editor/teditor.h"
#include "preview/ui/preview_window.h"
#include "qt_text/cp932_text.h"
#include "text/app_title.h"
#include "workbench/document_rules.h"
#include "workbench/markup_tools.h"
#include "workbench/ui/batch_window.h"
#include "workbench/ui/guide_help.h"
#include "workbench/ui/live_preview.h"
#include "workbench/ui/markup_toolbar.h"
#include "workbench/ui/publish_window.h"
#include "workbench/ui/qt_adapters.h"
#include "workbench/ui/qt_paths.h"
#include "workbench/ui/system_settings_window.h"
#include "workbench/ui/user_tag_window.h"
#include "zorvik_version.h"

namespace zorvik {

TForm1::TForm1(TDialogs& dialogs, TEngineSession& session, std::string settings_file)
    : dialogs_(dialogs),
      session_(session),
      running_folder_(session.Context().running_folder),
      settings_(
          std::move(settings_file),
          running_folder_.empty() ? "" : running_folder_.substr(0, running_folder_.size() - 1)),
      log_(session.Log()),
      pattern_(session.Pattern()),
      state_(session.State()),
      context_(session.Context()) {
  setObjectName("Form1");
  setWindowTitle(QString::fromUtf8(kMainWindowCaption));
  setAcceptDrops(true);
  resize(900, 680);
  BuildToolBar();
  BuildPages();
  BuildEditActions();
  SetupPanes();
  BuildEncodingBoxes();
  document_ = std::make_unique<TPageDocument>(*this, *edEditSource, dialogs_, state_,
                                              running_folder_, [this] { edEditSourceChange(); });
  FollowLog();
}

TForm1::~TForm1() { log_.SetListener(nullptr); }

TEditor* TForm1::FrontPane() const {
  QWidget* page = PageControl1->currentWidget();
  if (page == tsHTML) return edWriteOutHTML;
  if (page == tsLogs) return edLogs;
  return edEditSource;
}

void TForm1::AttachWindows(const TWindows& windows) {
  windows_ = windows;
  MarkupTools->AttachWindows(windows.form3, windows.form4);
  // F1 opens the guide at the window in front. Tool windows share the main window's keys, so
  // the help button's handler finds their section; the other windows get a key of their own.
  guide_pages_ = {{windows.form2, QStringLiteral("workbench.html#preview")},
                  {windows.form3, QStringLiteral("workbench.html#system-commands")},
                  {windows.form4, QStringLiteral("workbench.html#user-tags")},
                  {windows.form5, QStringLiteral("workbench.html#batch-window")},
                  {windows.publish, QStringLiteral("workbench.html#publish")}};
  if (windows.form5 != nullptr) {
    windows.form5->OnPublish = [this](const QString& group) { tbPublishClick(group); };
  }
  for (const auto& [window, page] : guide_pages_) {
    if (window != nullptr && window->windowType() != Qt::Tool) {
      AddGuideKey(*window, dialogs_, page);
    }
  }
  if (windows.form2 != nullptr) {
    live_preview_ = std::make_unique<TLivePreview>(*this, session_, *windows.form2);
    connect(edEditSource, &QsciScintilla::textChanged, live_preview_.get(),
            &TLivePreview::SourceChanged);
  }
}

QList<QWidget*> TForm1::Forms() const {
  QList<QWidget*> forms{const_cast<TForm1*>(this)};
  for (QWidget* w :
       {static_cast<QWidget*>(windows_.form2), static_cast<QWidget*>(windows_.form3),
        static_cast<QWidget*>(windows_.form4), static_cast<QWidget*>(windows_.form5)}) {
    if (w != nullptr) forms << w;
  }
  return forms;
}

void TForm1::StartUp() {
  state_.DataFolder.clear();
  state_.BatchMode = false;
  utility_.SetupEditors(Forms());
  // A log row that names a line takes the user there; other rows open URLs as every pane does.
  edLogs->on_double_click = [this, open_url = edLogs->on_double_click](TEditor& pane) {
    if (!GoToLogPlace(pane.CaretRow()) && open_url) open_url(pane);
  };
  edLogs->on_return = [this](TEditor& pane) { return GoToLogPlace(pane.CaretRow()); };
  TZQUtility::ResetPageControls(Forms());
  cbSystemTags->clear();
  for (std::string_view entry : kSystemTagEntries) {
    cbSystemTags->addItem(QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size())));
  }
  cbSystemTags->setCurrentIndex(0);
  if (windows_.form4 != nullptr) windows_.form4->RegisterSettings(settings_);
  settings_.Load();
  if (windows_.form2 != nullptr) windows_.form2->LoadSettings(settings_);
  tbCheckPage->setChecked(settings_.ReadString(kCheckPageSettingsKey) != "0");
  ApplyReadEncoding();
  const std::pair<QWidget*, bool> bounds[] = {{this, false},
                                              {windows_.form2, false},
                                              {windows_.form3, true},
                                              {windows_.form4, true},
                                              {windows_.form5, false}};
  // A preview never placed before opens beside the main window at its first showing.
  preview_placed_ = !settings_.ReadString("Form2.Pos").empty();
  for (const auto& [widget, keep_size] : bounds) {
    if (widget == nullptr) continue;
    TWidgetBounds target(*widget, widget->objectName().toStdString(), *this);
    settings_.RestoreFormBounds(target, keep_size);
  }
  if (windows_.form4 != nullptr) windows_.form4->LoadSettings(settings_);
}

bool TForm1::FormCloseQuery() {
  for (QWidget* widget : Forms()) {
    TWidgetBounds target(*widget, widget->objectName().toStdString(), *this);
    settings_.SaveFormBounds(target);
  }
  if (windows_.form4 != nullptr) windows_.form4->SaveSettings(settings_);
  if (windows_.form2 != nullptr) windows_.form2->SaveSettings(settings_);
  settings_.WriteString(kCheckPageSettingsKey, tbCheckPage->isChecked() ? "1" : "0");
  // Without a place for it no settings file is kept; a place that refuses the file is said.
  if (!settings_.SettingsFileName().empty() && !settings_.Save()) {
    const QString path = PathText(settings_.SettingsFileName());
    std::cerr << "zorvik-workbench: cannot save the settings file " << path.toStdString() << '\n';
    ErrorUnless(
        dialogs_, this,
        QStringLiteral("設定ファイルを保存できません：%1\n"
                       "ウィンドウの位置と、このたび登録したユーザータグは保存されていません。")
            .arg(path),
        false);
  }
  if (edEditSource->isModified()) return ConfirmUnsavedChanges();
  return !AnsweredNo(dialogs_, this, QStringLiteral("アプリケーションを終了しますか？"));
}

bool TForm1::ConfirmUnsavedChanges() { return document_->ConfirmUnsavedChanges(); }

void TForm1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) document_->CheckFileOnDisk();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  event->accept();
  // Closing the main window ends the program: the other windows go with it.
  for (QWidget* form : Forms()) {
    if (form != this) form->close();
  }
}

void TForm1::BringToFront() { zorvik::BringToFront(*this); }

void TForm1::ShowPage(QWidget* page) { PageControl1->setCurrentWidget(page); }

void TForm1::edEditSourceChange() {
  tbSaveData->setEnabled(edEditSource->isModified());
  cbEncoding->setCurrentIndex(edEditSource->Encoding() == TEncoding::kUtf8 ? 1 : 0);
  if (const QString caption = document_->Caption(); windowTitle() != caption)
    setWindowTitle(caption);
}

void TForm1::ApplyReadEncoding() {
  const std::string setting = settings_.ReadString(kReadEncodingSettingsKey);
  std::optional<TEncoding> forced;
  if (setting == "cp932") forced = TEncoding::kCp932;
  if (setting == "utf-8") forced = TEncoding::kUtf8;
  context_.forced_encoding = forced;
  document_->SetForcedEncoding(forced);
  cbReadEncoding->setCurrentIndex(!forced ? 0 : *forced == TEncoding::kCp932 ? 1 : 2);
}

void TForm1::NewDocument() {
  document_->New();
  edEditSource->SetEncoding(settings_.ReadString(kNewPageEncodingSettingsKey) == "utf-8"
                                ? TEncoding::kUtf8
                                : TEncoding::kCp932);
  edEditSourceChange();
}

void TForm1::tbNewFileClick() {
  // With unsaved changes the one question is whether to save them.
  if (edEditSource->isModified()
          ? !ConfirmUnsavedChanges()
          : AnsweredNo(dialogs_, this, QStringLiteral("新規作成しますか？"))) {
    return;
  }
  NewDocument();
}

void TForm1::tbOpenFileClick() {
  const auto path = dialogs_.OpenFileName(
      this, QString(), QStringLiteral("サイトデータファイル(*.dat);;テキストファイル(*.txt)"),
      QStringLiteral("dat"), document_->DialogFolder());
  if (path) OpenDocument(*path);
}

bool TForm1::OpenDocument(const QString& path) {
  if (!document_->Open(path)) return false;
  ShowPage(tsPageEditor);
  return true;
}

void TForm1::tbSaveDataClick() { document_->Save(); }

void TForm1::tbSaveAsClick() { document_->SaveAs(); }

void TForm1::FilesDropped(const QStringList& paths) {
  if (RefusedDrop(*this, dialogs_, CheckDrop(PathsBytes(paths), {"txt", "dat"}),
                  QStringLiteral("読み込みファイルの拡張子は、.datか.txtに限定されます"))) {
    return;
  }
  OpenDocument(paths.first());
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  FilesDropped(DroppedFiles(*event));
}

void TForm1::ForgetUnsavedChanges() { edEditSource->setModified(false); }

std::string TForm1::PageText() const { return edEditSource->Text(); }

void TForm1::ShowWrittenHtml(const std::string& working_text) {
  edWriteOutHTML->SetEncoding(state_.PageEncoding);
  edWriteOutHTML->SetText(working_text);
}

void TForm1::tbDisplayWriteFilesClick() {
  if (windows_.form5 != nullptr) windows_.form5->exec();
}

void TForm1::tbPublishClick(const QString& group_file) {
  if (windows_.publish == nullptr) return;
  windows_.publish->ShowFor(group_file,
                            windows_.form5 != nullptr ? windows_.form5->GroupFile() : QString());
}

void TForm1::tbHelpClick() {
  QString page = QStringLiteral("workbench.html#main-window");
  for (const auto& [window, section] : guide_pages_) {
    if (window != nullptr && window == QApplication::activeWindow()) page = section;
  }
  OpenGuide(this, dialogs_, page);
}

void TForm1::tbAboutClick() {
  dialogs_.ShowAbout(
      this, QStringLiteral("このツールについて"),
      QString::fromUtf8(kMainWindowCaption) + QStringLiteral("\nバージョン ") +
          QString::fromUtf8(kVersion) +
          QStringLiteral("\n\nページ原稿とテンプレートから静的な HTML を作ります。\n"
                         "ガイド（F1）：%1/index.html\n\nZorvik — C++20, Qt 6, QScintilla")
              .arg(GuideFolder(QApplication::applicationDirPath())));
}

}  // namespace zorvik
