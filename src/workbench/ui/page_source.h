// What the other windows ask of the page source that the main window holds. They reach it
// through this, never through the main window's widgets.
#pragma once

#include <QString>
#include <string>

namespace zorvik {

class TPageSource {
 public:
  virtual ~TPageSource() = default;
  // Opens a page source file (after the question about unsaved changes); false when it was not
  // opened.
  virtual bool OpenDocument(const QString& path) = 0;
  // An empty, unnamed page source.
  virtual void NewDocument() = 0;
  // With unsaved changes, asks whether to save them: true when the caller may go on.
  virtual bool ConfirmUnsavedChanges() = 0;
  // Lets the unsaved changes go without a question (they were saved, or the user let them go).
  virtual void ForgetUnsavedChanges() = 0;
  // The page source's text in its encoding (the file's own bytes while unchanged).
  virtual std::string PageText() const = 0;
  // Shows a run's result in the written-HTML pane.
  virtual void ShowWrittenHtml(const std::string& working_text) = 0;
  // The page source's file, empty while it was never saved; the file opened last.
  virtual QString SaveName() const = 0;
  virtual QString LastOpenedName() const = 0;
  // The log row where the next entry begins; shows the log from a row of it.
  virtual int LogEnd() const = 0;
  virtual void ShowLogFrom(int row) = 0;
};

}  // namespace zorvik
