#include "workbench/ui/dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "text/app_title.h"

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

// Widens a box so that its caption is shown whole: a short message would leave the window
// system too little room for it.
void FitCaption(QMessageBox& box) {
  const int caption = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(caption, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

QMessageBox::StandardButton RunBox(
    QMessageBox::Icon icon, QWidget* parent, const QString& message,
    QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton default_button = QMessageBox::NoButton) {
  QMessageBox box(icon, BoxTitle(), message, buttons, parent);
  if (default_button != QMessageBox::NoButton) box.setDefaultButton(default_button);
  FitCaption(box);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void TQtDialogs::ShowError(QWidget* parent, const QString& message) {
  RunBox(QMessageBox::Critical, parent, message, QMessageBox::Ok);
}

void TQtDialogs::ShowMessage(QWidget* parent, const QString& message) {
  RunBox(QMessageBox::Information, parent, message, QMessageBox::Ok);
}

void TQtDialogs::ShowAbout(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::about(parent, title, text);
}

bool TQtDialogs::AskYes(QWidget* parent, const QString& message, bool default_no) {
  return RunBox(QMessageBox::Question, parent, message, QMessageBox::Yes | QMessageBox::No,
                default_no ? QMessageBox::No : QMessageBox::Yes) == QMessageBox::Yes;
}

TSaveAnswer TQtDialogs::AskSaveChanges(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Warning, BoxTitle(), message, QMessageBox::NoButton, parent);
  QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(cancel);
  box.setEscapeButton(cancel);
  FitCaption(box);
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

std::optional<int> TQtDialogs::AskNumber(QWidget* parent, const QString& title,
                                         const QString& label, int value, int min, int max) {
  bool ok = false;
  const int number = QInputDialog::getInt(parent, title, label, value, min, max, 1, &ok);
  if (!ok) return std::nullopt;
  return number;
}

std::optional<QString> TQtDialogs::AskPassword(QWidget* parent, const QString& label) {
  bool ok = false;
  const QString password = QInputDialog::getText(parent, QStringLiteral("パスワード"), label,
                                                 QLineEdit::Password, QString(), &ok);
  if (!ok) return std::nullopt;
  return password;
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
