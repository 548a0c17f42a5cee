#include "workbench/dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "workbench/app_title.h"

namespace zorvik {
namespace {

std::optional<QString> RunFileDialog(QWidget* parent, const QString& title, const QString& filter,
                                     const QString& suffix, const QString& preset, bool save) {
  QFileDialog dialog(parent, title, preset, filter);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(suffix);
  if (!preset.isEmpty() && !preset.endsWith('/')) dialog.selectFile(preset);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

// Boxes carry the application's title, not the program file's name that the window system
// would show for an empty one.
QString BoxTitle() { return QString::fromUtf8(kApplicationTitle); }

}  // namespace

void TQtDialogs::ShowError(QWidget* parent, const QString& message) {
  QMessageBox::critical(parent, BoxTitle(), message, QMessageBox::Ok);
}

void TQtDialogs::ShowMessage(QWidget* parent, const QString& message) {
  QMessageBox::information(parent, BoxTitle(), message, QMessageBox::Ok);
}

void TQtDialogs::ShowAbout(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::about(parent, title, text);
}

bool TQtDialogs::AskYes(QWidget* parent, const QString& message, bool default_no) {
  return QMessageBox::question(parent, BoxTitle(), message, QMessageBox::Yes | QMessageBox::No,
                               default_no ? QMessageBox::No : QMessageBox::Yes) ==
         QMessageBox::Yes;
}

TSaveAnswer TQtDialogs::AskSaveChanges(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Warning, BoxTitle(), message, QMessageBox::NoButton, parent);
  QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(cancel);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return TSaveAnswer::kSave;
  return box.clickedButton() == discard ? TSaveAnswer::kDiscard : TSaveAnswer::kCancel;
}

std::optional<QString> TQtDialogs::OpenFileName(QWidget* parent, const QString& title,
                                                const QString& filter, const QString& suffix,
                                                const QString& preset) {
  return RunFileDialog(parent, title, filter, suffix, preset, false);
}

std::optional<QString> TQtDialogs::SaveFileName(QWidget* parent, const QString& title,
                                                const QString& filter, const QString& suffix,
                                                const QString& preset) {
  return RunFileDialog(parent, title, filter, suffix, preset, true);
}

QStringList TQtDialogs::OpenFileNames(QWidget* parent, const QString& title, const QString& filter,
                                      const QString& suffix) {
  QFileDialog dialog(parent, title, QString(), filter);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDefaultSuffix(suffix);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

std::optional<QColor> TQtDialogs::PickColor(QWidget* parent) {
  const QColor color = QColorDialog::getColor(Qt::white, parent);
  if (!color.isValid()) return std::nullopt;
  return color;
}

std::optional<int> TQtDialogs::AskNumber(QWidget* parent, const QString& title, const QString& label,
                                         int value, int min, int max) {
  bool ok = false;
  const int number = QInputDialog::getInt(parent, title, label, value, min, max, 1, &ok);
  if (!ok) return std::nullopt;
  return number;
}

bool ErrorUnless(TDialogs& dialogs, QWidget* parent, const QString& message, bool condition) {
  if (!condition) dialogs.ShowError(parent, message);
  return condition;
}

bool AnsweredNo(TDialogs& dialogs, QWidget* parent, const QString& message, bool skip,
                bool default_no, bool invert) {
  bool yes = true;
  if (!skip) {
    yes = dialogs.AskYes(parent, message, default_no);
    if (invert) yes = !yes;
  }
  return !yes;
}

bool AskDefaultNo(TDialogs& dialogs, QWidget* parent, const QString& message) {
  return dialogs.AskYes(parent, message, true);
}

}  // namespace zorvik
