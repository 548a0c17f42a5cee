#include "batch/background_batch.h"

#include <memory>
#include <utility>

namespace zorvik {

// Reads each page source from the disk, as the command line does, and tells the window's side
// what it needs through atomics.
class TBackgroundBatch::THost : public TBatchHost {
 public:
  explicit THost(TBackgroundBatch& batch) : batch_(batch), disk_(batch.session_) {}
  std::optional<std::string> LoadPageSource(const std::string& path) override {
    return disk_.LoadPageSource(path);
  }
  bool LoadsMissingQuietly() const override { return disk_.LoadsMissingQuietly(); }
  void ShowResult(const std::string& working_text) override { batch_.last_result_ = working_text; }
  void Progress(std::size_t done, std::size_t /*total*/) override { batch_.done_ = done; }
  bool StopRequested() override { return batch_.stop_; }

 private:
  TBackgroundBatch& batch_;
  TDiskBatchHost disk_;
};

TBackgroundBatch::TBackgroundBatch(const TRunSettings& settings, std::vector<std::string> entries,
                                   std::function<void()> on_finished)
    : session_(settings, std::make_unique<TDiskFileSystem>()), entries_(std::move(entries)) {
  session_.Log().SetListener([this](const std::string& entry, const TLogPlace& place) {
    const std::lock_guard lock(mutex_);
    if (!first_error_ && place.Known() && !place.warning) first_error_ = TEntry{entry, place};
    log_.push_back({entry, place});
  });
  thread_ = std::thread([this, on_finished = std::move(on_finished)] {
    THost host(*this);
    outcome_ = RunBatch(session_.Context(), entries_, host);
    if (on_finished) on_finished();
  });
}

TBackgroundBatch::~TBackgroundBatch() {
  Stop();
  Wait();
}

void TBackgroundBatch::Wait() {
  if (thread_.joinable()) thread_.join();
}

std::vector<TBackgroundBatch::TEntry> TBackgroundBatch::TakeLog() {
  std::vector<TEntry> taken;
  const std::lock_guard lock(mutex_);
  taken.swap(log_);
  return taken;
}

}  // namespace zorvik
