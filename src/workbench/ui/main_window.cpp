#include "workbench/ui/main_window.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>
#include <functional>
#include <iostream>

#include "editor/lexers.h"
#include "editor/ruler.h"
#include "editor/teditor.h"
#include "engine/generation_run.h"
#include "engine/messages.h"
#include "preview/ui/preview_window.h"
#include "qt_text/cp932_text.h"
#include "text/app_title.h"
#include "text/file_names.h"
#include "workbench/markup_tools.h"
#include "workbench/ui/batch_window.h"
#include "workbench/ui/find_bar.h"
#include "workbench/ui/live_preview.h"
#include "workbench/ui/main_tool_icons.h"
#include "workbench/ui/markup_toolbar.h"
#include "workbench/ui/qt_adapters.h"
#include "workbench/ui/qt_paths.h"
#include "workbench/ui/system_settings_window.h"
#include "workbench/ui/user_tag_window.h"
#include "workbench/user_tags.h"

namespace zorvik {
namespace {

// Why the last system call failed, in the words of the system.
QString SystemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

QFont PaneFont() {
  QFont font(QStringList{QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                         QStringLiteral("monospace")});
  font.setStyleHint(QFont::Monospace);
  // 13 pixels at the usual 96 dpi; QScintilla takes sizes in points.
  font.setPointSizeF(9.75);
  return font;
}

}  // namespace

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
  document_ = std::make_unique<TPageDocument>(*this, *edEditSource, dialogs_, state_,
                                              running_folder_, [this] { edEditSourceChange(); });
  log_.SetListener([this](const std::string& entry, const TLogPlace& place) {
    if (place.Known()) log_places_[LogEnd()] = place;
    edLogs->AppendText(entry + "\r\n");
  });
}

TForm1::~TForm1() { log_.SetListener(nullptr); }

void TForm1::BuildToolBar() {
  ToolBar1 = addToolBar(QString());
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->setMovable(false);
  // Every button is wired to exactly one handler, given as a callable.
  auto add = [this](const char* name, const char* hint, TMainTool icon, const QKeySequence& keys,
                    std::function<void()> handler) {
    QAction* action = ToolBar1->addAction(MainToolIcon(icon), QString::fromUtf8(hint));
    action->setObjectName(name);
    action->setToolTip(QString::fromUtf8(hint));
    if (!keys.isEmpty()) action->setShortcut(keys);
    connect(action, &QAction::triggered, this, std::move(handler));
    return action;
  };
  tbNewFile = add("tbNewFile", "新規作成", TMainTool::kNew, QKeySequence::New,
                  [this] { tbNewFileClick(); });
  tbOpenFile = add("tbOpenFile", "ファイルを開く", TMainTool::kOpen, QKeySequence::Open,
                   [this] { tbOpenFileClick(); });
  tbSaveData = add("tbSaveData", "上書き保存", TMainTool::kSave, QKeySequence::Save,
                   [this] { tbSaveDataClick(); });
  tbSaveAs = add("tbSaveAs", "別名で保存", TMainTool::kSaveAs,
                 QKeySequence(QStringLiteral("Ctrl+Shift+S")), [this] { tbSaveAsClick(); });
  ToolBar1->addSeparator();
  tbSetHTML = add("tbSetHTML", "HTMLソース書き出し", TMainTool::kGenerate, {},
                  [this] { tbSetHTMLClick(); });
  tbPreview = add("tbPreview", "プレビュー", TMainTool::kPreview, QKeySequence(Qt::Key_F5),
                  [this] { tbPreviewClick(); });
  tbWriteoutHTMLFile = add("tbWriteoutHTMLFile", "HTMLファイル書き出し", TMainTool::kWrite, {},
                           [this] { tbWriteoutHTMLFileClick(); });
  ToolBar1->addSeparator();
  tbDisplayWriteFiles = add("tbDisplayWriteFiles", "連続書換フォームの表示", TMainTool::kBatch, {},
                            [this] { tbDisplayWriteFilesClick(); });
  ToolBar1->addSeparator();
  tbAbout = add("tbAbout", "このツールについて", TMainTool::kAbout, {}, [this] { tbAboutClick(); });
  tbSaveData->setEnabled(false);
}

void TForm1::BuildPages() {
  auto* central = new QWidget(this);
  auto* central_layout = new QVBoxLayout(central);
  central_layout->setContentsMargins(0, 0, 0, 0);
  central_layout->setSpacing(0);
  PageControl1 = new QTabWidget(central);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setDocumentMode(true);
  FindBar = new TFindBar(central);
  central_layout->addWidget(PageControl1, 1);
  central_layout->addWidget(FindBar);
  setCentralWidget(central);

  tsPageEditor = new QWidget;
  tsPageEditor->setObjectName("tsPageEditor");
  auto* layout = new QVBoxLayout(tsPageEditor);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  ToolBar3 = new QToolBar(tsPageEditor);
  ToolBar3->setObjectName("ToolBar3");
  ToolBar4 = new QToolBar(tsPageEditor);
  ToolBar4->setObjectName("ToolBar4");
  cbSystemTags = new QComboBox(ToolBar4);
  cbSystemTags->setObjectName("cbSystemTags");
  edEditSource = new TEditor(tsPageEditor);
  edEditSource->setObjectName("edEditSource");
  MarkupTools = new TMarkupToolbar(*ToolBar3, *ToolBar4, *cbSystemTags, *edEditSource, pattern_,
                                   dialogs_, this);
  layout->addWidget(ToolBar3);
  layout->addWidget(ToolBar4);
  layout->addWidget(edEditSource);

  tsHTML = new QWidget;
  tsHTML->setObjectName("tsHTML");
  auto* html_layout = new QVBoxLayout(tsHTML);
  html_layout->setContentsMargins(0, 0, 0, 0);
  edWriteOutHTML = new TEditor(tsHTML);
  edWriteOutHTML->setObjectName("edWriteOutHTML");
  html_layout->addWidget(edWriteOutHTML);

  tsLogs = new QWidget;
  tsLogs->setObjectName("tsLogs");
  auto* log_layout = new QVBoxLayout(tsLogs);
  log_layout->setContentsMargins(0, 0, 0, 0);
  edLogs = new TEditor(tsLogs);
  edLogs->setObjectName("edLogs");
  edLogs->SendScintilla(QsciScintilla::SCI_SETENDATLASTLINE,
                        0UL);  // a run's start can stand at the top
  rulerLogs = new TRuler(*edLogs, tsLogs);
  rulerLogs->setObjectName("rulerLogs");
  log_layout->addWidget(rulerLogs);
  log_layout->addWidget(edLogs);

  PageControl1->addTab(tsPageEditor, QStringLiteral("ページ編集用データ"));
  PageControl1->addTab(tsHTML, QStringLiteral("書き出しHTML"));
  PageControl1->addTab(tsLogs, QStringLiteral("書き出しログ"));
  connect(edEditSource, &QsciScintilla::textChanged, this, &TForm1::edEditSourceChange);
  connect(edEditSource, &QsciScintilla::modificationChanged, this, &TForm1::edEditSourceChange);
}

void TForm1::BuildEditActions() {
  auto add = [this](const char* name, const char* text, const QKeySequence& keys,
                    std::function<void()> handler) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(name);
    action->setShortcut(keys);
    addAction(action);
    connect(action, &QAction::triggered, this, std::move(handler));
    return action;
  };
  actFind = add("actFind", "検索", QKeySequence(QStringLiteral("Ctrl+F")),
                [this] { FindBar->Open(*FrontPane(), false); });
  actReplace = add("actReplace", "置換", QKeySequence(QStringLiteral("Ctrl+H")), [this] {
    ShowPage(tsPageEditor);
    FindBar->Open(*edEditSource, true);
  });
  actFindNext = add("actFindNext", "次を検索", QKeySequence(Qt::Key_F3), [this] {
    FindBar->Retarget(*FrontPane());
    FindBar->FindNext();
  });
  actFindPrevious =
      add("actFindPrevious", "前を検索", QKeySequence(QStringLiteral("Shift+F3")), [this] {
        FindBar->Retarget(*FrontPane());
        FindBar->FindPrevious();
      });
  actGoToLine = add("actGoToLine", "行へ移動", QKeySequence(QStringLiteral("Ctrl+G")),
                    [this] { GoToLineClick(); });
  FindBar->AllowReplaceIn(*edEditSource);
  FindBar->Retarget(*edEditSource);
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this] { FindBar->Retarget(*FrontPane()); });
}

TEditor* TForm1::FrontPane() const {
  QWidget* page = PageControl1->currentWidget();
  if (page == tsHTML) return edWriteOutHTML;
  if (page == tsLogs) return edLogs;
  return edEditSource;
}

void TForm1::GoToLineClick() {
  ShowPage(tsPageEditor);
  const int last = std::max(0, edEditSource->lines() - 1);
  const auto row = dialogs_.AskNumber(this, QStringLiteral("行へ移動"),
                                      QStringLiteral("行番号（0 から %1）:").arg(last),
                                      edEditSource->CaretRow(), 0, last);
  if (!row) return;
  edEditSource->setCursorPosition(*row, 0);
  edEditSource->ensureLineVisible(*row);
  edEditSource->setFocus();
}

bool TForm1::GoToLogPlace(int row) {
  const auto found = log_places_.find(row);
  if (found == log_places_.end()) return false;
  const TLogPlace place = found->second;
  const bool in_editor =
      !place.imported && (place.file.empty() || place.file == PathBytes(SaveName()));
  if (!in_editor) {
    const QString path = PathText(place.file);
    if (!dialogs_.AskYes(
            this,
            QStringLiteral(
                "このメッセージは次のファイルの %1 行目を指しています。開きますか？\r\n\r\n[")
                    .arg(place.line) +
                path + "]",
            false) ||
        !OpenDocument(path)) {
      return true;
    }
  }
  ShowPage(tsPageEditor);
  edEditSource->SelectLine(place.line);
  edEditSource->setFocus();
  return true;
}

void TForm1::SetupPanes() {
  const QFont font = PaneFont();
  const auto common = [&font](TEditor* pane, TPaneLexer* lexer) {
    lexer->setDefaultFont(font);
    for (int style = 0; style < 8; ++style) {
      QFont styled = font;
      styled.setBold(lexer->font(style).bold());
      lexer->setFont(styled, style);
    }
    pane->setMarginsFont(font);
    lexer->setDefaultColor(Qt::black);
    pane->setLexer(lexer);
    pane->ShowLineEndMarks(true);
    pane->setWrapMode(QsciScintilla::WrapNone);
    pane->setSelectionBackgroundColor(QColor(0, 0, 128));
    pane->setSelectionForegroundColor(Qt::white);
    pane->SendScintilla(
        QsciScintilla::SCI_SETVIRTUALSPACEOPTIONS,
        QsciScintilla::SCVS_RECTANGULARSELECTION | QsciScintilla::SCVS_USERACCESSIBLE);
    pane->setMarginWidth(1, 0);
    // Room under each line, so that an underscore ("ft_rd", "<_p>") stays visible, also
    // under a selection.
    pane->SendScintilla(QsciScintilla::SCI_SETEXTRADESCENT, 2UL);
  };
  common(edEditSource, new TPageSourceLexer(edEditSource));
  common(edWriteOutHTML, new THtmlLexer(edWriteOutHTML));
  common(edLogs, new TLogLexer(edLogs));
  edEditSource->ShowLineNumbersFromZero(true);
  edWriteOutHTML->ShowLineNumbersFromZero(false);
  edLogs->ShowLineNumbersFromZero(false);
}

void TForm1::AttachWindows(const TWindows& windows) {
  windows_ = windows;
  MarkupTools->AttachWindows(windows.form3, windows.form4);
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
  if (const QString caption = document_->Caption(); windowTitle() != caption)
    setWindowTitle(caption);
}

void TForm1::NewDocument() { document_->New(); }

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
  if (paths.size() != 1) {
    BringToFront();
    dialogs_.ShowError(this, QStringLiteral("ファイルは１つだけドロップしてください"));
    return;
  }
  const QString suffix = QFileInfo(paths.first()).suffix().toLower();
  if (suffix != "txt" && suffix != "dat") {
    BringToFront();
    dialogs_.ShowError(this,
                       QStringLiteral("読み込みファイルの拡張子は、.datか.txtに限定されます"));
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

void TForm1::Generate() {
  const int entry_start = LogEnd();
  context_.source_file = PathBytes(SaveName());
  RunGeneration(context_, edEditSource->Text());
  // The pane only shows the result: what is written or previewed is WorkingText itself.
  edWriteOutHTML->SetText(state_.WorkingText);
  edLogs->SetTopRow(entry_start);
  edLogs->setCursorPosition(entry_start, 0);
}

int TForm1::LogEnd() const { return std::max(0, edLogs->lines() - 1); }

void TForm1::ShowLogFrom(int row) {
  ShowPage(tsLogs);
  edLogs->SetTopRow(row);
  edLogs->setCursorPosition(row, 0);
}

void TForm1::ForgetUnsavedChanges() { edEditSource->setModified(false); }

std::string TForm1::PageText() const { return edEditSource->Text(); }

void TForm1::ShowWrittenHtml(const std::string& working_text) {
  edWriteOutHTML->SetText(working_text);
}

void TForm1::tbSetHTMLClick() {
  Generate();
  ShowPage(SelectResultPage(state_) == TResultPage::kLogs ? tsLogs : tsHTML);
}

void TForm1::tbWriteoutHTMLFileClick() {
  Generate();
  if (WriteHtmlFile(context_, state_.WorkingText) == TWriteOutcome::kFailed && !state_.BatchMode) {
    const QString reason = SystemReason();
    ErrorUnless(dialogs_, this,
                FromCp932(std::string(engine_message::kHtmlSaveFailed)) + "\r\n" +
                    PathText(FileFor(context_, state_.WriteFile)) + "：" + reason,
                false);
  }
  if (state_.WarningCount + state_.ErrorCount > 0) {
    ShowPage(tsLogs);
  } else {
    dialogs_.ShowMessage(this, FromCp932(std::string(engine_message::kHtmlWriteDone)));
  }
}

void TForm1::tbPreviewClick() {
  Generate();
  if (state_.WarningCount + state_.ErrorCount > 0) ShowPage(tsLogs);
  std::string page = state_.WorkingText;
  if (state_.ErrorCount > 0) {
    edWriteOutHTML->clear();
    page.clear();
  }
  TPreviewDocument document = PreviewDocumentFor(context_, page, SaveName());
  if (windows_.form2 != nullptr && !preview_placed_ && !windows_.form2->isVisible()) {
    PlaceBesideMainWindow(*windows_.form2, *this);
    preview_placed_ = true;
  }
  if (windows_.form2 != nullptr)
    windows_.form2->ShowPreview(document.html, document.path, std::move(document.site));
}

void TForm1::tbDisplayWriteFilesClick() {
  if (windows_.form5 != nullptr) windows_.form5->exec();
}

void TForm1::tbAboutClick() {
  dialogs_.ShowAbout(this, QStringLiteral("このツールについて"),
                     QString::fromUtf8(kMainWindowCaption) +
                         QStringLiteral("\n\nページ原稿とテンプレートから静的な HTML を作ります。\n"
                                        "Zorvik — C++20, Qt 6, QScintilla"));
}

}  // namespace zorvik
