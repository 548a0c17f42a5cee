// "システムコマンド設定": composes the basic system-command lines from three file fields and two
// modes and puts them on the clipboard.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <string>

#include "workbench/ui/dialogs.h"

namespace zorvik {

class TForm3 : public QDialog {
  Q_OBJECT

 public:
  // program_folder: the folder written as {$RunningFolder}, with its trailing "/".
  TForm3(QWidget* parent, TDialogs& dialogs, const QString& program_folder);

  // Empties the fields and clears the boxes (before each showing).
  void Prepare();

 private:
  void sbOpenTemplateFileClick();
  void sbWriteOutFileNameClick();
  void sbSelectPreviewCSSFileClick();
  void btnOKClick();
  QString Converted(const QString& path) const;

  TDialogs& dialogs_;
  std::string program_folder_;  // CP932, as the fields are converted

  // Its controls, found by their object names from outside.
  QLineEdit* edTempFile;
  QLineEdit* edCSSFile;
  QLineEdit* edWriteFile;
  QToolButton* sbOpenTemplateFile;
  QToolButton* sbWriteOutFileName;
  QToolButton* sbSelectPreviewCSSFile;
  QCheckBox* cbItemCRLF;
  QCheckBox* cbHTMLCRLF;
  QPushButton* btnOK;
  QPushButton* BitBtn2;
};

}  // namespace zorvik
