#include "workbench/ui/batch_window.h"

#include <QDragEnterEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMimeData>
#include <QTimer>
#include <QVBoxLayout>
#include <thread>

#include "batch/background_batch.h"
#include "batch/batch_messages.h"
#include "batch/batch_run.h"
#include "batch/group_file.h"
#include "check/group_check.h"
#include "check/page_in_site.h"
#include "editor/teditor.h"
#include "engine/engine_session.h"
#include "engine/messages.h"
#include "qt_text/cp932_text.h"
#include "text/file_names.h"
#include "workbench/document_rules.h"
#include "workbench/ui/finding_log.h"
#include "workbench/ui/main_tool_icons.h"
#include "workbench/ui/qt_adapters.h"
#include "workbench/ui/qt_paths.h"

namespace zorvik {
namespace {

// How often a running batch's progress and log are drawn: often enough to look alive, seldom
// enough that drawing costs the run nothing.
constexpr int kDrawEveryMs = 100;

}  // namespace

TForm5::TForm5(QWidget* owner, TPageSource& page, TEngineSession& session, TDialogs& dialogs)
    : QDialog(owner, Qt::WindowStaysOnTopHint), page_(page), session_(session), dialogs_(dialogs) {
  setObjectName("Form5");
  setWindowTitle(QStringLiteral("連続書換フォーム"));
  resize(295, 452);
  setAcceptDrops(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* toolbar = new QToolBar(this);
  auto add = [&](const char* name, const char* hint, TMainTool icon) {
    QAction* action = toolbar->addAction(MainToolIcon(icon), QString::fromUtf8(hint));
    action->setObjectName(name);
    action->setToolTip(QString::fromUtf8(hint));
    return action;
  };
  tbOpenFiles = add("tbOpenFiles", "ファイルを開く(直接複数ファイルを選択)", TMainTool::kOpen);
  toolbar->addSeparator();
  tbOpenGroupFile = add("tbOpenGroupFile", "グループファイルを開く", TMainTool::kBatch);
  tbSaveGroupFile = add("tbSaveGroupFile", "グループファイルを保存", TMainTool::kSave);
  toolbar->addSeparator();
  tbWriteOutHTMLFiles = add("tbWriteOutHTMLFiles", "連続書き込み", TMainTool::kWrite);
  tbCheckGroup = add("tbCheckGroup", "グループを確認", TMainTool::kCheck);
  toolbar->addSeparator();
  tbPublish = add("tbPublish", "公開", TMainTool::kPublish);
  layout->addWidget(toolbar);
  lbDataFiles = new QListWidget(this);
  lbDataFiles->setObjectName("lbDataFiles");
  layout->addWidget(lbDataFiles);
  auto* status = new QHBoxLayout;
  progress = new QLabel(this);
  progress->setObjectName("progress");
  status->addWidget(progress, 1);
  btStop = new QPushButton(QStringLiteral("中止"), this);
  btStop->setObjectName("btStop");
  btStop->setToolTip(QStringLiteral("連続書き込みを次のページの前で止める"));
  btStop->hide();
  status->addWidget(btStop);
  layout->addLayout(status);

  connect(tbOpenFiles, &QAction::triggered, this, &TForm5::tbOpenFilesClick);
  connect(tbOpenGroupFile, &QAction::triggered, this, &TForm5::tbOpenGroupFileClick);
  connect(tbSaveGroupFile, &QAction::triggered, this, &TForm5::tbSaveGroupFileClick);
  connect(tbWriteOutHTMLFiles, &QAction::triggered, this, &TForm5::tbWriteOutHTMLFilesClick);
  connect(tbCheckGroup, &QAction::triggered, this, &TForm5::tbCheckGroupClick);
  connect(tbPublish, &QAction::triggered, this, &TForm5::tbPublishClick);
  connect(lbDataFiles, &QListWidget::itemDoubleClicked, this, &TForm5::lbDataFilesDblClick);
  connect(btStop, &QPushButton::clicked, this, [this] {
    if (running_ != nullptr) running_->Stop();
    btStop->setEnabled(false);
  });
}

void TForm5::reject() {
  if (busy_) {
    if (running_ != nullptr) btStop->click();
    return;  // closes once the run has ended
  }
  QDialog::reject();
}

void TForm5::SetRunning(bool running, bool stoppable) {
  busy_ = running;
  for (QAction* action : {tbOpenFiles, tbOpenGroupFile, tbSaveGroupFile, tbWriteOutHTMLFiles,
                          tbCheckGroup, tbPublish}) {
    action->setEnabled(!running);
  }
  lbDataFiles->setEnabled(!running);
  btStop->setEnabled(running && stoppable);
  btStop->setVisible(running && stoppable);
}

void TForm5::ShowProgress(TBackgroundBatch& batch) {
  progress->setText(QStringLiteral("%1 / %2").arg(batch.Done()).arg(batch.Total()));
  for (TBackgroundBatch::TEntry& entry : batch.TakeLog()) {
    session_.Log().AddEntry(std::move(entry.text), entry.place);
  }
}

namespace {

// How a batch ended, as its last message says it: done only when every page was written.
QString EndMessage(const TBackgroundBatch& batch) {
  const TBatchOutcome& outcome = batch.Outcome();
  const QString pages = QStringLiteral("%1 / %2").arg(outcome.written).arg(batch.Total());
  if (outcome.stopped_at) {
    return QStringLiteral("連続書き込みを中止しました：%1 / %2 ページを書き換えました")
        .arg(*outcome.stopped_at)
        .arg(batch.Total());
  }
  if (outcome.errors > 0) {
    QString where;
    if (const auto& first = batch.FirstError()) {
      // The message with its line, as the log has it.
      where = PathText(first->place.file) + QStringLiteral("\r\n") +
              FromCp932(std::string(LogMessageOf(first->text)));
    } else if (outcome.first_error_at) {
      where = PathText(batch.Entry(*outcome.first_error_at));
    }
    return QStringLiteral(
               "HTML書き出しでエラーがありました：%1 ページを書き出しました。"
               "エラーのあったページから先は書き出していません。\r\n\r\n"
               "最初のエラー：%2")
        .arg(pages, where);
  }
  if (outcome.file_missing) {
    return QStringLiteral(
               "読めないページ原稿がありました：%1 ページを書き出しました。"
               "ログを見てください。")
        .arg(pages);
  }
  return FromCp932(std::string(engine_message::kHtmlWriteDone));
}

}  // namespace

QString TForm5::RunInBackground(const std::vector<std::string>& entries) {
  QEventLoop loop;
  TBackgroundBatch batch(session_.RunSettings(), entries, [&loop] {
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  running_ = &batch;
  SetRunning(true, true);
  QTimer clock;
  connect(&clock, &QTimer::timeout, this, [this, &batch] { ShowProgress(batch); });
  clock.start(kDrawEveryMs);
  loop.exec();
  batch.Wait();
  ShowProgress(batch);
  running_ = nullptr;
  SetRunning(false, false);
  page_.ShowWrittenHtml(batch.LastResult());
  return EndMessage(batch);
}

void TForm5::WhileAnswering(const std::function<void()>& work) {
  QEventLoop loop;
  SetRunning(true, false);
  std::thread worker([&work, &loop] {
    work();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  SetRunning(false, false);
}

std::vector<std::string> TForm5::Entries() const {
  std::vector<std::string> entries;
  for (int i = 0; i < lbDataFiles->count(); ++i) {
    entries.push_back(lbDataFiles->item(i)->data(Qt::UserRole).toByteArray().toStdString());
  }
  return entries;
}

void TForm5::SetEntries(const std::vector<std::string>& entries) {
  lbDataFiles->clear();
  for (const std::string& entry : entries) {
    auto* item = new QListWidgetItem(PathText(entry), lbDataFiles);
    item->setData(Qt::UserRole, QByteArray::fromStdString(entry));
  }
}

void TForm5::BringToFront() {
  raise();
  activateWindow();
}

void TForm5::tbOpenFilesClick() {
  const QStringList files = dialogs_.OpenFileNames(
      this, QString(), QStringLiteral("データファイル(*.dat);;テキストファイル(*.txt)"),
      QStringLiteral("dat"));
  if (files.isEmpty()) return;
  std::vector<std::string> entries;
  for (const QString& file : files) entries.push_back(PathBytes(file));
  SetEntries(entries);
}

void TForm5::ReadGroupFile(const QString& path) {
  SetEntries(zorvik::ReadGroupFile(PathBytes(path), session_.Context().running_folder));
  SaveDialog1FileName = path;
}

void TForm5::tbOpenGroupFileClick() {
  const auto path = dialogs_.OpenFileName(
      this, QStringLiteral("グループファイルを開きます"),
      QStringLiteral("グループファイル(*.gro);;テキストファイル(*.txt);;すべてのファイル(*)"),
      QStringLiteral("gro"), OpenDialog2FileName);
  if (!path) return;
  OpenDialog2FileName = *path;
  ReadGroupFile(*path);
}

void TForm5::tbSaveGroupFileClick() {
  const auto path =
      dialogs_.SaveFileName(this, QStringLiteral("グループファイルを保存します"),
                            QStringLiteral("グループファイル(*.gro);;テキストファイル(*.txt)"),
                            QStringLiteral("gro"), SaveDialog1FileName);
  if (!path) return;
  SaveDialog1FileName = *path;
  ErrorUnless(dialogs_, this, QStringLiteral("保存に失敗しました"),
              SaveGroupFile(PathBytes(*path), Entries(), session_.Context().running_folder));
}

void TForm5::lbDataFilesDblClick() {
  QListWidgetItem* item = lbDataFiles->currentItem();
  if (item == nullptr) return;  // no entry selected: nothing to open
  const QString path = PathText(item->data(Qt::UserRole).toByteArray().toStdString());
  if (!ErrorUnless(dialogs_, this, QStringLiteral("ファイルが存在しません\r\n\r\n[") + path + "]",
                   QFileInfo(path).isFile())) {
    return;
  }
  if (page_.OpenDocument(path)) accept();
}

void TForm5::tbWriteOutHTMLFilesClick() {
  const std::vector<std::string> entries = Entries();
  if (!ErrorUnless(dialogs_, this, QStringLiteral("ファイルが存在しません"), !entries.empty()))
    return;
  if (!page_.ConfirmUnsavedChanges()) return;
  page_.ForgetUnsavedChanges();  // saved or let go: no load of this batch asks again
  const QString remembered = page_.LastOpenedName();
  const int log_start = page_.LogEnd();
  const QString ended = RunInBackground(entries);
  if (!remembered.isEmpty() && QFileInfo(remembered).isFile()) {
    page_.OpenDocument(remembered);
  } else {
    page_.NewDocument();
  }
  // After reopening the document (which shows the editor page), so that the log stays in front.
  page_.ShowLogFrom(log_start);
  dialogs_.ShowMessage(this, ended);
  progress->clear();
  accept();
}

void TForm5::tbCheckGroupClick() {
  const std::vector<std::string> entries = Entries();
  if (!ErrorUnless(dialogs_, this, QStringLiteral("ファイルが存在しません"), !entries.empty())) {
    return;
  }
  // Every page generated in memory, nothing written; the findings go to the main window's log.
  const int start = page_.LogEnd();
  TGroupCheck result;
  // The site's folder is the group file's; for a list never saved, the first page source's.
  const std::string site_folder =
      ExtractFolder(GroupFile().isEmpty() ? entries.front() : PathBytes(GroupFile()));
  WhileAnswering([&, home = UserHome(), settings = session_.RunSettings()] {
    result = CheckGroup(entries, settings, home, site_folder);
  });
  const std::array<int, 3> counts = LogFindings(session_.Log(), result.findings);
  const QString summary =
      QStringLiteral(
          "グループを確認しました：%1 ページ、エラー %2 件、警告 %3 件、メモ %4 件"
          "（書き出しのエラー %5 件、外部のアドレス %6 件は取りに行っていません）")
          .arg(result.pages)
          .arg(counts[0])
          .arg(counts[1])
          .arg(counts[2])
          .arg(result.generation_errors)
          .arg(result.external);
  session_.Log().AddLog(ToCp932(QStringLiteral("(確認) ") + summary));
  session_.Log().AddLog("");
  page_.ShowLogFrom(start);
  dialogs_.ShowMessage(this, summary);
}

QString TForm5::GroupFile() const {
  return !SaveDialog1FileName.isEmpty() ? SaveDialog1FileName : OpenDialog2FileName;
}

void TForm5::tbPublishClick() {
  const QString group = GroupFile();
  if (!ErrorUnless(dialogs_, this,
                   QStringLiteral("グループファイルを開くか保存してから公開してください"),
                   !group.isEmpty() && QFileInfo(group).isFile())) {
    return;
  }
  accept();
  if (OnPublish) OnPublish(group);
}

void TForm5::FilesDropped(const QStringList& paths) {
  if (RefusedDrop(*this, dialogs_, CheckDrop(PathsBytes(paths), {"gro"}),
                  QStringLiteral("ファイルの拡張子は.groに限定されます"))) {
    return;
  }
  OpenDialog2FileName = paths.first();
  ReadGroupFile(paths.first());
  BringToFront();
}

void TForm5::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm5::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  FilesDropped(DroppedFiles(*event));
}

}  // namespace zorvik
