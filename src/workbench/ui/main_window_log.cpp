// The main window's log pane: it follows the session's log, keeps the newest rows only, and
// leads from a row back to the line it names.

#include "editor/teditor.h"
#include "workbench/ui/main_window.h"
#include "workbench/ui/qt_paths.h"

namespace zorvik {

void TForm1::FollowLog() {
  // The log is only ever appended to: an undo history of it would grow with every line.
  edLogs->SendScintilla(QsciScintilla::SCI_SETUNDOCOLLECTION, 0UL);
  log_.SetListener([this](const std::string& entry, const TLogPlace& place) {
    if (place.Known()) log_places_[LogEnd()] = place;
    edLogs->AppendText(entry + "\r\n");
    if (edLogs->lines() > kLogRows + kLogRows / 10) TrimLog();
  });
}

void TForm1::TrimLog() {
  const int dropped = edLogs->lines() - kLogRows;
  const long end = edLogs->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE,
                                         static_cast<unsigned long>(dropped));
  edLogs->SendScintilla(QsciScintilla::SCI_DELETERANGE, 0UL, end);
  log_trimmed_ += dropped;
  log_places_.erase(log_places_.begin(), log_places_.lower_bound(log_trimmed_));
}

int TForm1::LogEnd() const { return log_trimmed_ + std::max(0, edLogs->lines() - 1); }

int TForm1::PaneRow(int row) const { return std::max(0, row - log_trimmed_); }

void TForm1::ShowLogFrom(int row) {
  ShowPage(tsLogs);
  edLogs->setCursorPosition(PaneRow(row), 0);
  edLogs->SetTopRow(PaneRow(row));
}

bool TForm1::GoToLogPlace(int row) {
  const auto found = log_places_.find(row + log_trimmed_);
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

}  // namespace zorvik
