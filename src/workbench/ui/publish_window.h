// "公開": sends the site of a group file to the web server over SFTP or FTPS, as
// `zorvik publish` does, with a progress bar, a line for each file and キャンセル. The
// destination is kept beside the group file (GROUP.publish); a password only in memory.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "workbench/ui/dialogs.h"

namespace zorvik {

class TEngineSession;
struct TPublishJob;

class TPublishWindow : public QDialog {
  Q_OBJECT

 public:
  TPublishWindow(QWidget* owner, TEngineSession& session, TDialogs& dialogs);
  ~TPublishWindow() override;

  // The group whose site is sent; its kept destination fills the box.
  void SetGroupFile(const QString& path);
  // Shows the window in front: for group_file when one is given, else for the group it had, or
  // for fallback when it had none.
  void ShowFor(const QString& group_file, const QString& fallback);
  bool Running() const { return worker_.joinable() && !btPublish->isEnabled(); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void btGroupFileClick();
  void btPublishClick();
  void btCancelClick();
  void Work(TPublishJob& job);  // on the worker thread; wipes the job's password once used
  // Runs work on the window's thread, without waiting, or waiting for it (for a question).
  void Post(std::function<void()> work);
  void Ask(const std::function<void()>& question);
  void Say(const QString& line);
  void Finished(const QString& summary, bool failed);

  TEngineSession& session_;
  TDialogs& dialogs_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::map<std::string, std::string> passwords_;  // "user@host" -> password, this session only

  // Its controls, found by their object names from outside.
  QLineEdit* edGroupFile;
  QPushButton* btGroupFile;
  QLineEdit* edDestination;
  QCheckBox* cbDelete;
  QCheckBox* cbDryRun;
  QPushButton* btPublish;
  QPushButton* btCancel;
  QProgressBar* progressBar;
  QPlainTextEdit* memoLog;
};

}  // namespace zorvik
