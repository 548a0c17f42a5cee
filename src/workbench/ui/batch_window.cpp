#include "workbench/ui/batch_window.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QVBoxLayout>

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

// Loads each page source into the main window's editor and shows the result in its HTML pane,
// with the progress in the batch window.
class TEditorBatchHost : public TBatchHost {
 public:
  TEditorBatchHost(TPageSource& page, QLabel& progress) : page_(page), progress_(progress) {}
  std::optional<std::string> LoadPageSource(const std::string& path) override {
    if (!page_.OpenDocument(PathText(path))) return std::nullopt;
    // Unchanged since it was loaded, the editor hands back the file's own bytes.
    return page_.PageText();
  }
  void ShowResult(const std::string& working_text) override { page_.ShowWrittenHtml(working_text); }
  void Progress(std::size_t done, std::size_t total) override {
    progress_.setText(QStringLiteral("%1 / %2").arg(done).arg(total));
    // Keep painting during a long batch; user input waits until the batch is over.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

 private:
  TPageSource& page_;
  QLabel& progress_;
};

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
  progress = new QLabel(this);
  progress->setObjectName("progress");
  layout->addWidget(progress);

  connect(tbOpenFiles, &QAction::triggered, this, &TForm5::tbOpenFilesClick);
  connect(tbOpenGroupFile, &QAction::triggered, this, &TForm5::tbOpenGroupFileClick);
  connect(tbSaveGroupFile, &QAction::triggered, this, &TForm5::tbSaveGroupFileClick);
  connect(tbWriteOutHTMLFiles, &QAction::triggered, this, &TForm5::tbWriteOutHTMLFilesClick);
  connect(tbCheckGroup, &QAction::triggered, this, &TForm5::tbCheckGroupClick);
  connect(tbPublish, &QAction::triggered, this, &TForm5::tbPublishClick);
  connect(lbDataFiles, &QListWidget::itemDoubleClicked, this, &TForm5::lbDataFilesDblClick);
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
  TEditorBatchHost host(page_, *progress);
  RunBatch(session_.Context(), entries, host);
  if (!remembered.isEmpty() && QFileInfo(remembered).isFile()) {
    page_.OpenDocument(remembered);
  } else {
    page_.NewDocument();
  }
  // After reopening the document (which shows the editor page), so that the log stays in front.
  page_.ShowLogFrom(log_start);
  dialogs_.ShowMessage(this, FromCp932(std::string(engine_message::kHtmlWriteDone)));
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
  const TGroupCheck result = CheckGroup(entries, session_.RunSettings(), UserHome());
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
