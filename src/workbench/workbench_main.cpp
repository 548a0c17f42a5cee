// zorvik-workbench: creates the windows in their order, runs the start-up step, opens a page
// source named on the command line, and runs the event loop.
#include <QApplication>
#include <QFileInfo>

#include "settings/zq_ini_file.h"
#include "text/file_names.h"
#include "workbench/dialogs.h"
#include "workbench/main_window.h"
#include "workbench/secondary_windows.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("zorvik-workbench"));
  QApplication::setApplicationDisplayName(QStringLiteral("Kirabo Zorvik 3号"));

  zorvik::TQtDialogs dialogs;
  const std::string executable = QFile::encodeName(QApplication::applicationFilePath()).toStdString();
  zorvik::TForm1 form1(dialogs, zorvik::SettingsFilePath(executable), zorvik::ProgramFolder());
  zorvik::TdmBrowserModule browser_module;
  zorvik::TForm2 form2;
  zorvik::TForm3 form3(&form1);
  zorvik::TForm4 form4(&form1);
  zorvik::TForm5 form5(&form1);
  form1.AttachWindows({&form2, &form3, &form4, &form5});
  form1.StartUp();
  form1.show();
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) form1.OpenDocument(QFileInfo(args.at(1)).absoluteFilePath());
  return QApplication::exec();
}
