#include "workbench/secondary_windows.h"

namespace zorvik {

TdmBrowserModule::TdmBrowserModule(QObject* parent) : QObject(parent) {
  setObjectName("dmBrowserModule");
}

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form2");
  setWindowTitle(QStringLiteral("プレビュー"));
  resize(623, 495);
}

}  // namespace zorvik
