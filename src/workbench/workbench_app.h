// The workbench program: the windows created in their order, the start-up step, a page source
// named on the command line opened, and the event loop.
#pragma once

#include <functional>

namespace zorvik {

class TForm1;

// on_shown runs once the main window is shown and the event loop has started.
int RunWorkbench(int argc, char** argv, std::function<void(TForm1&)> on_shown = {});

}  // namespace zorvik
