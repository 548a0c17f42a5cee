// "連続書換フォーム": a list of page sources, kept in group files, generated and written in one go
// through the main window's editor and engine.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolBar>
#include <functional>
#include <string>
#include <vector>

#include "workbench/ui/dialogs.h"
#include "workbench/ui/page_source.h"

namespace zorvik {

class TBackgroundBatch;
class TEngineSession;
struct TBatchOutcome;

class TForm5 : public QDialog {
  Q_OBJECT

 public:
  // owner: the window it stays on top of; page: the page source a batch loads each page into.
  TForm5(QWidget* owner, TPageSource& page, TEngineSession& session, TDialogs& dialogs);

  // Files dropped on the window: a group file is read into the list.
  void FilesDropped(const QStringList& paths);
  // Reads a group file into the list (macros expanded).
  void ReadGroupFile(const QString& path);

  // The entries as the list holds them (path bytes).
  std::vector<std::string> Entries() const;
  // The group file as it is on disk: the one last saved here, else the one last opened.
  QString GroupFile() const;
  void SetEntries(const std::vector<std::string>& entries);

  // Takes the group file to the publish window.
  std::function<void(const QString& group_file)> OnPublish;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Esc and the close button stop a batch that is running, as 中止 does.
  void reject() override;

 private:
  void tbOpenFilesClick();
  void tbOpenGroupFileClick();
  void tbSaveGroupFileClick();
  void tbWriteOutHTMLFilesClick();
  void tbCheckGroupClick();
  // Hands the group file to the publish window (OnPublish), closing this window.
  void tbPublishClick();
  void lbDataFilesDblClick();
  void BringToFront();
  // Runs the batch on a thread of its own while the window goes on drawing and answering: the
  // progress and the new log lines are drawn by the clock, not after every page. The message
  // that says how it ended.
  QString RunInBackground(const std::vector<std::string>& entries);
  // Runs work on a thread of its own, the window drawing meanwhile; returns when it is done.
  void WhileAnswering(const std::function<void()>& work);
  // While a run works: the buttons that would start another are off, 中止 shows when it can
  // stop the run.
  void SetRunning(bool running, bool stoppable);
  void ShowProgress(TBackgroundBatch& batch);

  // Its controls, found by their object names from outside.
  QAction* tbOpenFiles;
  QAction* tbOpenGroupFile;
  QAction* tbSaveGroupFile;
  QAction* tbWriteOutHTMLFiles;
  QAction* tbCheckGroup;
  QAction* tbPublish;
  QListWidget* lbDataFiles;
  QLabel* progress;
  QPushButton* btStop;
  TBackgroundBatch* running_ = nullptr;  // the batch that 中止 stops
  bool busy_ = false;                    // a batch or a group check is running
  QString OpenDialog2FileName;
  QString SaveDialog1FileName;

  TPageSource& page_;
  TEngineSession& session_;
  TDialogs& dialogs_;
};

}  // namespace zorvik
