// The workbench's windows keep their widgets to themselves: tests and the screenshot program
// find a control by its object name, as a user's tools find it.
#pragma once

#include <QObject>
#include <QString>
#include <QTabWidget>
#include <string>

#include "editor/teditor.h"

namespace zorvik::testing {

template <typename T>
T* Part(const QObject& window, const char* name) {
  return window.findChild<T*>(QString::fromLatin1(name));
}

// The main window's three panes: the page source, the written HTML and the log.
inline TEditor* SourcePane(const QObject& main) { return Part<TEditor>(main, "edEditSource"); }
inline TEditor* HtmlPane(const QObject& main) { return Part<TEditor>(main, "edWriteOutHTML"); }
inline TEditor* LogPane(const QObject& main) { return Part<TEditor>(main, "edLogs"); }

// The name of the main window's tab in front (tsPageEditor, tsHTML or tsLogs), and the click
// on a tab.
inline std::string FrontTab(const QObject& main) {
  return Part<QTabWidget>(main, "PageControl1")->currentWidget()->objectName().toStdString();
}
inline void ShowTab(const QObject& main, const char* tab) {
  Part<QTabWidget>(main, "PageControl1")->setCurrentWidget(Part<QWidget>(main, tab));
}

}  // namespace zorvik::testing
