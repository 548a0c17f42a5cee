// Start-up time of the workbench: from the start of main to a shown main window with the
// example page open and the event loop running. Run it on a display (or under xvfb-run):
//
//   build/bench/workbench_startup examples/site/pages/index.dat
#include <QApplication>
#include <chrono>
#include <cstdio>

#include "workbench/ui/main_window.h"
#include "workbench/ui/workbench_app.h"

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();
  return zorvik::RunWorkbench(argc, argv, [start](zorvik::TForm1&) {
    const auto shown = std::chrono::steady_clock::now();
    std::printf("start-up to a shown main window: %.1f ms\n",
                std::chrono::duration<double, std::milli>(shown - start).count());
    QCoreApplication::exit(0);  // quit() would ask the close question
  });
}
