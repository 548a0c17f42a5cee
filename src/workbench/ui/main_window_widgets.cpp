// The main window's widgets: its tool bars, its tabs with the three panes, the find bar and the
// editing actions, built once by the constructor.
#include <QComboBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "editor/lexers.h"
#include "editor/ruler.h"
#include "editor/teditor.h"
#include "qt_text/cp932_text.h"
#include "workbench/markup_tools.h"
#include "workbench/ui/find_bar.h"
#include "workbench/ui/main_tool_icons.h"
#include "workbench/ui/main_window.h"
#include "workbench/ui/markup_toolbar.h"
#include "workbench/ui/page_document.h"

namespace zorvik {
namespace {

QFont PaneFont() {
  QFont font(QStringList{QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                         QStringLiteral("monospace")});
  font.setStyleHint(QFont::Monospace);
  // 13 pixels at the usual 96 dpi; QScintilla takes sizes in points.
  font.setPointSizeF(9.75);
  return font;
}

}  // namespace

void TForm1::BuildToolBar() {
  ToolBar1 = addToolBar(QString());
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->setMovable(false);
  // Every button is wired to exactly one handler, given as a callable.
  auto add = [this](const char* name, const char* hint, TMainTool icon, const QKeySequence& keys,
                    std::function<void()> handler) {
    QAction* action = ToolBar1->addAction(MainToolIcon(icon), QString::fromUtf8(hint));
    action->setObjectName(name);
    // The tool tip names the button's key, where it has one.
    action->setToolTip(keys.isEmpty() ? QString::fromUtf8(hint)
                                      : QStringLiteral("%1（%2）")
                                            .arg(QString::fromUtf8(hint),
                                                 keys.toString(QKeySequence::NativeText)));
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
  tbCheckPage = add("tbCheckPage", "書き出し後にページを確認", TMainTool::kCheck, {}, [] {});
  tbCheckPage->setCheckable(true);
  tbCheckPage->setChecked(true);
  ToolBar1->addSeparator();
  tbDisplayWriteFiles = add("tbDisplayWriteFiles", "連続書換フォームの表示", TMainTool::kBatch, {},
                            [this] { tbDisplayWriteFilesClick(); });
  tbPublish = add("tbPublish", "公開", TMainTool::kPublish, {}, [this] { tbPublishClick(); });
  ToolBar1->addSeparator();
  tbHelp = add("tbHelp", "ヘルプ", TMainTool::kHelp, QKeySequence::HelpContents,
               [this] { tbHelpClick(); });
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

// The status bar's two boxes: the encoding the page source is saved in, and how files without
// a byte-order mark are read.
void TForm1::BuildEncodingBoxes() {
  cbEncoding = new QComboBox(this);
  cbEncoding->setObjectName("cbEncoding");
  cbEncoding->addItems({QStringLiteral("シフトJIS"), QStringLiteral("UTF-8")});
  cbEncoding->setToolTip(QStringLiteral("ページ原稿を保存する文字コード"));
  statusBar()->addPermanentWidget(cbEncoding);
  connect(cbEncoding, &QComboBox::activated, this, [this](int index) {
    const TEncoding chosen = index == 1 ? TEncoding::kUtf8 : TEncoding::kCp932;
    if (chosen == edEditSource->Encoding()) return;
    // Nothing may be lost: a character Shift-JIS cannot hold keeps the page in UTF-8.
    const QString text = edEditSource->text();
    if (chosen == TEncoding::kCp932 && FromCp932(ToCp932(text)) != text) {
      cbEncoding->setCurrentIndex(1);
      dialogs_.ShowError(this,
                         QStringLiteral("シフトJISにない文字があるので、UTF-8 のままにします"));
      return;
    }
    edEditSource->SetEncoding(chosen);
    edEditSource->MarkModified();
    // A page never saved: new pages take this encoding from now on.
    if (document_->SaveName().isEmpty()) {
      settings_.WriteString(kNewPageEncodingSettingsKey, index == 1 ? "utf-8" : "cp932");
    }
  });
  cbReadEncoding = new QComboBox(this);
  cbReadEncoding->setObjectName("cbReadEncoding");
  cbReadEncoding->addItems({QStringLiteral("読み込み：自動判別"),
                            QStringLiteral("読み込み：シフトJIS"),
                            QStringLiteral("読み込み：UTF-8")});
  cbReadEncoding->setToolTip(QStringLiteral(
      "BOM のないページ原稿、テンプレート、読み込むファイルを読む文字コード（自動判別では、"
      "UTF-8 の文字が UTF-8 にならないバイトの 4 倍より多いファイルが UTF-8）"));
  statusBar()->addPermanentWidget(cbReadEncoding);
  connect(cbReadEncoding, &QComboBox::activated, this, [this](int index) {
    settings_.WriteString(kReadEncodingSettingsKey, index == 1   ? "cp932"
                                                    : index == 2 ? "utf-8"
                                                                 : "");
    ApplyReadEncoding();
  });
}

}  // namespace zorvik
