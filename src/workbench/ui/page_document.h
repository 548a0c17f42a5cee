// The page source as a document of the main window: its file (opened, saved, saved under a new
// name, changed or removed by another program), the question about unsaved changes, and the
// caption that names it.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "engine/generation_state.h"
#include "workbench/ui/dialogs.h"

namespace zorvik {

class TEditor;

class TPageDocument {
 public:
  // window: where the questions and messages stand; editor: the page-source pane; state: the
  // session's (its DataFolder follows the file); running_folder: the program's, with "/";
  // changed: called when the caption or the unsaved state may have changed.
  TPageDocument(QWidget& window, TEditor& editor, TDialogs& dialogs, GenerationState& state,
                std::string running_folder, std::function<void()> changed);

  // The encoding of page sources without a byte-order mark, when the user forces one.
  void SetForcedEncoding(std::optional<TEncoding> encoding) { forced_encoding_ = encoding; }
  // Loads the file (after the question about unsaved changes); false when it was not loaded.
  bool Open(const QString& path);
  void New();
  // Save runs Save As for a page never saved; a failure is said and keeps the changes.
  void Save();
  void SaveAs();
  // With unsaved changes, asks whether to save them: true when the caller may go on (saved, or
  // let go); false on キャンセル or a save that did not happen. True at once without changes.
  bool ConfirmUnsavedChanges();
  // When another program changed or removed the file since it was loaded or saved, asks what
  // to do.
  void CheckFileOnDisk();

  // The caption, with the modified mark while there are unsaved changes.
  QString Caption() const;
  // Where the file dialogs start: the page, the one opened last, else the program's folder.
  QString DialogFolder() const;
  const QString& SaveName() const { return save_name_; }
  const QString& LastOpenedName() const { return last_opened_name_; }

 private:
  void SetTitle(const QString& path);
  // Remembers the file as it stands on disk now: size, time and identity.
  void NoteFileOnDisk();
  // The file at save_name_ as size and times; empty when there is none.
  QString DiskStamp() const;

  QWidget& window_;
  TEditor& editor_;
  TDialogs& dialogs_;
  GenerationState& state_;
  std::string running_folder_;
  std::function<void()> changed_;
  QString save_name_;
  QString last_opened_name_;
  QString caption_;     // without the modified mark
  QString disk_stamp_;  // the file as last looked at
  QString read_stamp_;  // the file as last loaded or saved: a save over another is asked first
  bool checking_disk_ = false;
  std::optional<TEncoding> forced_encoding_;
};

}  // namespace zorvik
