// "連続書換フォーム": a list of page sources, kept in group files, generated and written in one go
// through the main window's editor and engine.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QToolBar>
#include <string>
#include <vector>

#include "workbench/ui/dialogs.h"

namespace zorvik {

class TForm1;

class TForm5 : public QDialog {
  Q_OBJECT

 public:
  TForm5(TForm1& main_window, TDialogs& dialogs);

  void tbOpenFilesClick();
  void tbOpenGroupFileClick();
  void tbSaveGroupFileClick();
  void tbWriteOutHTMLFilesClick();
  void lbDataFilesDblClick();
  void FilesDropped(const QStringList& paths);
  // Reads a group file into the list (macros expanded).
  void ReadGroupFile(const QString& path);

  // The entries as the list holds them (path bytes).
  std::vector<std::string> Entries() const;
  void SetEntries(const std::vector<std::string>& entries);

  QAction* tbOpenFiles;
  QAction* tbOpenGroupFile;
  QAction* tbSaveGroupFile;
  QAction* tbWriteOutHTMLFiles;
  QListWidget* lbDataFiles;
  QLabel* progress;
  QString OpenDialog2FileName;
  QString SaveDialog1FileName;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BringToFront();

  TForm1& main_;
  TDialogs& dialogs_;
};

}  // namespace zorvik
