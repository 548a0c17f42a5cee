// The workbench program: the windows created in their order, the start-up step, a page source
// named on the command line opened, and the event loop.
#pragma once

#include <functional>
#include <memory>

class QApplication;
class QTranslator;

namespace zorvik {

class TForm1;

// Names the application and installs Qt's own Japanese texts for the standard dialogs (Yes/No,
// file dialogs, the colour dialog). Captions are left exactly as the windows set them. Returns
// the translator, which must live as long as the application; empty when none was found.
std::unique_ptr<QTranslator> ConfigureApplication(QApplication& app);

// on_shown runs once the main window is shown and the event loop has started.
int RunWorkbench(int argc, char** argv, std::function<void(TForm1&)> on_shown = {});

}  // namespace zorvik
