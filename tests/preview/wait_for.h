// Test helper: keeps the event loop turning until a condition holds, as the browser engine
// works asynchronously.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <functional>

namespace zorvik::testing {

// True once done() holds; false when timeout_ms passed first.
inline bool WaitFor(const std::function<bool()>& done, int timeout_ms = 30000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return true;
}

}  // namespace zorvik::testing
