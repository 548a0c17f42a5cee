#include "workbench/ui/page_document.h"

#include <QDateTime>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <utility>

#include "editor/teditor.h"
#include "text/app_title.h"
#include "workbench/document_rules.h"
#include "workbench/ui/qt_adapters.h"
#include "workbench/ui/qt_paths.h"

namespace zorvik {
namespace {

// Bytes as one hexadecimal code: "0xFA4A".
QString HexCode(const std::string& bytes) {
  return "0x" + QByteArray::fromStdString(bytes).toHex().toUpper();
}

}  // namespace

TPageDocument::TPageDocument(QWidget& window, TEditor& editor, TDialogs& dialogs,
                             GenerationState& state, std::string running_folder,
                             std::function<void()> changed)
    : window_(window),
      editor_(editor),
      dialogs_(dialogs),
      state_(state),
      running_folder_(std::move(running_folder)),
      changed_(std::move(changed)),
      caption_(QString::fromUtf8(kMainWindowCaption)) {}

bool TPageDocument::Open(const QString& path) {
  if (!ConfirmUnsavedChanges()) return false;
  std::size_t nul = std::string::npos;
  if (editor_.LoadFile(PathBytes(path), &nul, forced_encoding_) ==
      TEditor::TLoadResult::kUnreadable) {
    return false;
  }
  // A batch saves nothing and generates the file's own bytes, so it does not warn.
  // Saving a file cut at a NUL byte would cut the file on disk: it is shown, not edited.
  editor_.setReadOnly(nul != std::string::npos);
  if (nul != std::string::npos && !state_.BatchMode) {
    dialogs_.ShowError(
        &window_,
        QStringLiteral(
            "このファイルはオフセット %1 に NUL バイトを含みます。"
            "その位置から後ろは読み込まれていません。保存するとファイルが切り詰められるため、"
            "このファイルは編集できないようにしてあります。\r\n\r\n[")
                .arg(nul) +
            path + "]");
  }
  // The editor holds Unicode: these bytes would change on saving.
  const std::optional<TEditor::TLoss> loss =
      state_.BatchMode ? std::nullopt : editor_.LossOnSaving();
  if (loss) {
    dialogs_.ShowError(
        &window_,
        QStringLiteral("このファイルには、保存すると元のバイトに戻らない文字が %1 か所あります。"
                       "最初は %2 行目の「%3」(%4) で、保存すると %5 になります。\r\n\r\n[")
                .arg(loss->places)
                .arg(loss->line)
                .arg(loss->character, HexCode(loss->bytes), HexCode(loss->back)) +
            path + "]");
  }
  save_name_ = path;
  last_opened_name_ = path;
  state_.DataFolder = PathBytes(QFileInfo(path).absolutePath() + "/");
  editor_.setModified(false);
  SetTitle(path);
  NoteFileOnDisk();
  read_stamp_ = disk_stamp_;
  return true;
}

void TPageDocument::New() {
  editor_.setReadOnly(false);
  editor_.clear();
  state_.DataFolder.clear();
  save_name_.clear();
  disk_stamp_.clear();
  read_stamp_.clear();
  editor_.setModified(false);
  SetTitle({});
}

void TPageDocument::Save() {
  if (save_name_.isEmpty()) {
    SaveAs();
    return;
  }
  // Another program saved the file since it was read here: its work is not overwritten unasked.
  const QString now = DiskStamp();
  if (!read_stamp_.isEmpty() && !now.isEmpty() && now != read_stamp_ &&
      !dialogs_.AskYes(&window_,
                       QStringLiteral("編集中のファイルは、読み込んだあとでほかのプログラムによって"
                                      "変更されています。上書きして保存しますか？（いいえ：保存"
                                      "しません）\r\n\r\n[") +
                           save_name_ + "]",
                       true)) {
    return;
  }
  if (!editor_.SaveFile(PathBytes(save_name_))) {
    // The old file stays whole; the document stays modified.
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    dialogs_.ShowError(&window_, QStringLiteral("ファイルを保存できませんでした\r\n\r\n[") +
                                     save_name_ + "]\r\n" + reason);
    return;
  }
  editor_.setModified(false);
  state_.DataFolder = PathBytes(QFileInfo(save_name_).absolutePath() + "/");
  SetTitle(save_name_);
  NoteFileOnDisk();
  read_stamp_ = disk_stamp_;
}

void TPageDocument::SaveAs() {
  const auto path = dialogs_.SaveFileName(
      &window_, QString(), QStringLiteral("サイトデータファイル(*.dat)"), QStringLiteral("dat"),
      save_name_.isEmpty() ? DialogFolder() : save_name_);
  if (!path) return;
  save_name_ = *path;
  read_stamp_.clear();  // the dialog asked before a file there is replaced
  Save();
}

bool TPageDocument::ConfirmUnsavedChanges() {
  if (!editor_.isModified()) return true;
  BringToFront(window_);
  switch (dialogs_.AskSaveChanges(&window_, QStringLiteral("変更を保存しますか？"))) {
    case TSaveAnswer::kSave:
      Save();
      return !editor_.isModified();  // a save that failed or was cancelled keeps everything
    case TSaveAnswer::kDiscard:
      return true;
    case TSaveAnswer::kCancel:
      break;
  }
  return false;
}

QString TPageDocument::DiskStamp() const {
  const QFileInfo info(save_name_);
  return save_name_.isEmpty() || !info.exists()
             ? QString()
             : QStringLiteral("%1 %2 %3")
                   .arg(info.size())
                   .arg(info.lastModified().toMSecsSinceEpoch())
                   .arg(info.metadataChangeTime().toMSecsSinceEpoch());
}

void TPageDocument::NoteFileOnDisk() { disk_stamp_ = DiskStamp(); }

void TPageDocument::CheckFileOnDisk() {
  if (save_name_.isEmpty() || disk_stamp_.isEmpty() || checking_disk_ || state_.BatchMode) return;
  const QString before = disk_stamp_;
  NoteFileOnDisk();
  if (disk_stamp_ == before) return;
  checking_disk_ = true;  // the question itself activates the window again
  if (disk_stamp_.isEmpty()) {
    // Removed: the editor keeps the text, now unsaved, so that a save puts the file back.
    dialogs_.ShowError(
        &window_, QStringLiteral(
                      "編集中のファイルが、ほかのプログラムによって削除されました。"
                      "エディタの内容は残っています。保存するとファイルを作り直します。\r\n\r\n[") +
                      save_name_ + "]");
    editor_.MarkModified();
  } else if (dialogs_.AskYes(
                 &window_,
                 QStringLiteral(
                     "編集中のファイルが、ほかのプログラムによって変更されました。"
                     "読み込み直しますか？（いいえ：エディタの内容をそのまま残します）\r\n\r\n[") +
                     save_name_ + "]",
                 // The file on disk is the newer text: taken by default unless this one has edits
                 // of its own, which a later save does not write over it unasked.
                 editor_.isModified())) {
    editor_.setModified(false);  // the answer was to take the file as it is now
    Open(save_name_);
  } else {
    editor_.MarkModified();
  }
  checking_disk_ = false;
}

QString TPageDocument::Caption() const {
  return editor_.isModified() ? QStringLiteral("* ") + caption_ : caption_;
}

void TPageDocument::SetTitle(const QString& path) {
  caption_ = PathText(DocumentCaption(kMainWindowCaption, PathBytes(path), running_folder_));
  if (changed_) changed_();
}

QString TPageDocument::DialogFolder() const {
  if (!save_name_.isEmpty()) return save_name_;
  if (!last_opened_name_.isEmpty()) return last_opened_name_;
  return PathText(running_folder_);
}

}  // namespace zorvik
