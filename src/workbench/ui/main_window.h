// The main window: the page-source editor, the written-HTML and log panes, the document's
// actions (new, open, save, save as, drop, close; the document itself is a TPageDocument) and
// the generation buttons. Its widgets are built in main_window_widgets.cpp, its generation
// buttons handled in main_window_generation.cpp.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QMainWindow>
#include <QTabWidget>
#include <QToolBar>
#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/engine_context.h"
#include "engine/engine_session.h"
#include "settings/settings_store.h"
#include "workbench/ui/dialogs.h"
#include "workbench/ui/editor_setup.h"
#include "workbench/ui/page_document.h"
#include "workbench/ui/page_source.h"

namespace zorvik {

// Whether each generation checks the page it made ("1", the default) or not ("0").
inline constexpr std::string_view kCheckPageSettingsKey = "_CHECKPAGE_";
// The encoding of a new page source: "utf-8", else Shift-JIS.
inline constexpr std::string_view kNewPageEncodingSettingsKey = "_NEWENCODING_";
// The encoding every file without a byte-order mark is read in: "cp932", "utf-8", or found
// from its bytes (empty).
inline constexpr std::string_view kReadEncodingSettingsKey = "_READENCODING_";

class TEditor;
class TRuler;
class TMarkupToolbar;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TPublishWindow;
class TFindBar;
class TLivePreview;

class TForm1 : public QMainWindow, public TPageSource {
  Q_OBJECT

 public:
  // session: the engine's parts, shared with the other windows; settings_file: where the
  // settings live.
  TForm1(TDialogs& dialogs, TEngineSession& session, std::string settings_file);
  ~TForm1() override;

  struct TWindows {
    TForm2* form2 = nullptr;
    TForm3* form3 = nullptr;
    TForm4* form4 = nullptr;
    TForm5* form5 = nullptr;
    TPublishWindow* publish = nullptr;
  };
  void AttachWindows(const TWindows& windows);

  void StartUp();
  bool OpenDocument(const QString& path) override;
  void NewDocument() override;
  // Stores the bounds and each window's settings in the settings file, then asks whether to
  // end.
  bool FormCloseQuery();
  // With unsaved changes in the page source, asks whether to save them: true when the caller
  // may go on (saved, or the user let them go); false on キャンセル or a save that did not
  // happen. True at once without changes.
  bool ConfirmUnsavedChanges() override;
  void ForgetUnsavedChanges() override;
  std::string PageText() const override;
  void ShowWrittenHtml(const std::string& working_text) override;
  // Raises the window and gives it the focus.
  void BringToFront();
  // Handles dropped files, as the shell's drop does.
  void FilesDropped(const QStringList& paths);

  TEngineSession& Session() { return session_; }
  // The log row where the next entry begins, and scrolling the log so that row is at the top.
  // Rows count every line ever logged, also those the pane no longer keeps.
  int LogEnd() const override;
  void ShowLogFrom(int row) override;  // the log page in front, from that row
  QString SaveName() const override { return document_->SaveName(); }
  QString LastOpenedName() const override { return document_->LastOpenedName(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void tbNewFileClick();
  void tbOpenFileClick();
  void tbSaveDataClick();
  void tbSaveAsClick();
  void tbSetHTMLClick();
  void tbWriteoutHTMLFileClick();
  void tbPreviewClick();
  void tbDisplayWriteFilesClick();
  // Reads how files without a byte-order mark are read from the settings, and applies it.
  void ApplyReadEncoding();
  // Shows the publish window, with group_file when one is given.
  void tbPublishClick(const QString& group_file = QString());
  void tbHelpClick();
  // Checks the page just generated in its site, as `zorvik check` would: each finding a log
  // line that points at its source line; counts them by kind (error, warning, note) in
  // check_counts_.
  void CheckGeneratedPage();
  void tbAboutClick();
  void edEditSourceChange();
  // Asks for a line number (counted from 0) and puts the caret at the start of that line.
  void GoToLineClick();
  // Goes to the place a log row names: a line of the page source, or of another file, which
  // it offers to open. False when the row names no place.
  bool GoToLogPlace(int row);
  void ShowPage(QWidget* page);
  // Has the log pane follow the session's log.
  void FollowLog();
  // Drops the oldest rows of the log pane beyond kLogRows.
  void TrimLog();
  // The pane's row for a log row (the first it keeps, for a row it dropped).
  int PaneRow(int row) const;

  void BuildToolBar();
  void BuildPages();
  void BuildEditActions();
  void BuildEncodingBoxes();
  // The editor of the tab in front.
  TEditor* FrontPane() const;
  void SetupPanes();
  // One generation run over the page-source editor; the result goes to the written-HTML pane.
  void Generate();
  QList<QWidget*> Forms() const;

  QToolBar* ToolBar1;
  QAction* tbNewFile;
  QAction* tbOpenFile;
  QAction* tbSaveData;
  QAction* tbSaveAs;
  QAction* tbSetHTML;
  QAction* tbPreview;
  QAction* tbWriteoutHTMLFile;
  QAction* tbDisplayWriteFiles;
  QAction* tbPublish;
  QAction* tbCheckPage;
  QAction* tbHelp;
  QAction* tbAbout;
  // The encoding the page source is saved in: the one it came in, or a new page's; choosing
  // the other converts it at the next save.
  QComboBox* cbEncoding;
  // How files without a byte-order mark are read: found from their bytes, or all in one.
  QComboBox* cbReadEncoding;
  QTabWidget* PageControl1;
  QWidget* tsPageEditor;
  QWidget* tsHTML;
  QWidget* tsLogs;
  QToolBar* ToolBar3;
  QToolBar* ToolBar4;
  QComboBox* cbSystemTags;
  TEditor* edEditSource;
  TEditor* edWriteOutHTML;
  TEditor* edLogs;
  TRuler* rulerLogs;
  TFindBar* FindBar;
  QAction* actFind;
  QAction* actReplace;
  QAction* actFindNext;
  QAction* actFindPrevious;
  QAction* actGoToLine;

  TMarkupToolbar* MarkupTools;

  TDialogs& dialogs_;
  TEngineSession& session_;
  std::string running_folder_;
  TZQUtility utility_;
  TZQIniFile settings_;
  // The session's parts, by the names the window's code uses.
  TGenerationLog& log_;
  TSecondAWKStr& pattern_;  // SecondAWKStr1
  GenerationState& state_;
  TEngineContext& context_;
  // The guide's page and section for each window but this one.
  std::vector<std::pair<QWidget*, QString>> guide_pages_;
  TWindows windows_{};
  std::unique_ptr<TLivePreview> live_preview_;
  std::unique_ptr<TPageDocument> document_;
  // The place each log row names, for the rows that name one.
  std::map<int, TLogPlace> log_places_;
  // The log pane keeps this many rows, the newest: a session of long batches would otherwise
  // hold every line it ever logged. Trimmed a tenth at a time.
  static constexpr int kLogRows = 200000;
  int log_trimmed_ = 0;                // the rows dropped so far
  std::array<int, 3> check_counts_{};  // the last page check's findings: errors, warnings, notes
  bool preview_placed_ = false;        // the preview has a place of its own (saved, or given once)
};

}  // namespace zorvik
