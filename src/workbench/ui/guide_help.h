// Help: the guide opened in the user's browser, at the section of the window in front.
#pragma once

#include <QString>
#include <QWidget>

#include "workbench/ui/dialogs.h"

namespace zorvik {

// The folder of the guide's pages: the build's copy beside the program (guide/html), else the
// installed one (../share/doc/zorvik/guide from the program's folder), which is also the answer
// when neither is there.
QString GuideFolder(const QString& program_folder);

// Opens page (with its #section) of the guide in the user's browser; an error box when the
// guide is not installed.
void OpenGuide(QWidget* parent, TDialogs& dialogs, const QString& page);

// F1 on window opens the guide at page.
void AddGuideKey(QWidget& window, TDialogs& dialogs, const QString& page);

}  // namespace zorvik
