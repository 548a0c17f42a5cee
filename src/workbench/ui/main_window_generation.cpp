// The main window's generation buttons (generate, write, preview) and its go-to-line.
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "check/page_in_site.h"
#include "check/source_lines.h"
#include "editor/teditor.h"
#include "engine/generation_run.h"
#include "engine/messages.h"
#include "preview/preview_document.h"
#include "preview/ui/preview_window.h"
#include "qt_text/cp932_text.h"
#include "workbench/ui/finding_log.h"
#include "workbench/ui/main_window.h"
#include "workbench/ui/qt_adapters.h"
#include "workbench/ui/qt_paths.h"

namespace zorvik {
namespace {

// Why the last system call failed, in the words of the system.
QString SystemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

}  // namespace

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

void TForm1::Generate() {
  const int entry_start = LogEnd();
  context_.source_file = PathBytes(SaveName());
  RunGeneration(context_, edEditSource->Text());
  // The pane only shows the result: what is written or previewed is WorkingText itself.
  edWriteOutHTML->SetEncoding(state_.PageEncoding);
  edWriteOutHTML->SetText(state_.WorkingText);
  if (tbCheckPage->isChecked()) CheckGeneratedPage();
  // The caret first: placed in a pane not in front (a line or two high), it would scroll it.
  const int top = PaneRow(entry_start);
  edLogs->setCursorPosition(top, 0);
  edLogs->SetTopRow(top);
}

void TForm1::CheckGeneratedPage() {
  check_counts_ = {};
  if (state_.ErrorCount > 0 || state_.WriteFile.empty()) return;
  const std::string output = FileFor(context_, state_.WriteFile);
  // The page source as the editor holds it: the lines a double click goes to.
  TSourceLines sources([this](const std::string& file, std::string& bytes) {
    bytes = file == context_.source_file ? edEditSource->Text() : context_.files.LoadText(file);
    return bytes != kFileLoadError;
  });
  sources.AddPage(ResolvedPath(output), FilesOfPage(context_));
  const std::vector<TSourceFinding> findings = FindingsAtSource(
      CheckPageInSite(output, RemovePreviewMarker(state_.WorkingText, state_.PageEncoding),
                      UserHome(), ExtractFolder(ToFileSystemPath(context_.source_file))),
      sources);
  check_counts_ = LogFindings(context_.log, findings);
  if (!findings.empty()) context_.log.AddLog("");
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
  const bool checked = check_counts_[0] + check_counts_[1] > 0;
  if (state_.WarningCount + state_.ErrorCount > 0) {
    ShowPage(tsLogs);
  } else if (checked) {
    // The findings are in the log: it comes to the front, and the message says how many.
    ShowPage(tsLogs);
    dialogs_.ShowMessage(this, FromCp932(std::string(engine_message::kHtmlWriteDone)) +
                                   QStringLiteral("（確認：エラー %1 件、警告 %2 件）")
                                       .arg(check_counts_[0])
                                       .arg(check_counts_[1]));
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
  TPreviewDocument document = PreviewDocumentFor(context_, page, PathBytes(SaveName()), UserHome());
  if (windows_.form2 != nullptr && !preview_placed_ && !windows_.form2->isVisible()) {
    PlaceBesideMainWindow(*windows_.form2, *this);
    preview_placed_ = true;
  }
  if (windows_.form2 != nullptr)
    windows_.form2->ShowPreview(document.html, PathText(document.path), std::move(document.site));
}

}  // namespace zorvik
