// A batch run on a thread of its own, for a window that must keep answering while it works.
// The run has a session of its own, made from the window's settings, so that nothing on the
// thread touches a widget: the window asks for the progress and the new log entries when it
// draws, and may ask the run to stop between two pages.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "batch/batch_run.h"
#include "engine/engine_session.h"

namespace zorvik {

class TBackgroundBatch {
 public:
  struct TEntry {
    std::string text;  // stamped, as the log shows it
    TLogPlace place;
  };

  // Starts the run at once; on_finished is called on the run's thread as it ends.
  TBackgroundBatch(const TRunSettings& settings, std::vector<std::string> entries,
                   std::function<void()> on_finished = nullptr);
  // Stops the run and waits for it.
  ~TBackgroundBatch();
  TBackgroundBatch(const TBackgroundBatch&) = delete;
  TBackgroundBatch& operator=(const TBackgroundBatch&) = delete;

  // Ends the run before the next page; the log says which.
  void Stop() { stop_ = true; }
  // Waits for the run to end; then Outcome() and LastResult() hold.
  void Wait();

  std::size_t Done() const { return done_; }  // pages begun
  std::size_t Total() const { return entries_.size(); }
  const std::string& Entry(std::size_t index) const { return entries_[index]; }
  // The log entries added since the last call, in order.
  std::vector<TEntry> TakeLog();

  const TBatchOutcome& Outcome() const { return outcome_; }
  // The run's first error entry that names a line, when it logged one.
  const std::optional<TEntry>& FirstError() const { return first_error_; }
  // The last page's result, as the HTML pane shows it.
  const std::string& LastResult() const { return last_result_; }

 private:
  class THost;

  TEngineSession session_;
  const std::vector<std::string> entries_;
  std::atomic<std::size_t> done_{0};
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<TEntry> log_;  // guarded by mutex_
  std::optional<TEntry> first_error_;
  TBatchOutcome outcome_;
  std::string last_result_;
  std::thread thread_;
};

}  // namespace zorvik
