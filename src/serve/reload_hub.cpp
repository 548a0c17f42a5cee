#include "serve/reload_hub.h"

#include "serve/live_reload.h"

namespace zorvik {

void TReloadHub::Publish(std::string event) {
  {
    const std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
    if (events_.size() > kKept) {
      events_.pop_front();
      ++dropped_;
    }
  }
  changed_.notify_all();
}

void TReloadHub::SetErrors(std::vector<std::string> lines) {
  std::string event;
  {
    const std::lock_guard lock(mutex_);
    if (lines == errors_) return;
    errors_ = std::move(lines);
    event = errors_.empty() ? ClearedEvent() : ErrorsEvent(errors_);
  }
  Publish(std::move(event));
}

std::string TReloadHub::Greeting() const {
  const std::lock_guard lock(mutex_);
  // A broken connection is tried again soon; the errors of the site as it stands.
  return "retry: 500\n\n" + (errors_.empty() ? std::string() : ErrorsEvent(errors_));
}

std::uint64_t TReloadHub::Published() const {
  const std::lock_guard lock(mutex_);
  return dropped_ + events_.size();
}

std::vector<std::string> TReloadHub::Wait(std::uint64_t& next, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout,
                    [this, &next] { return stopped_ || next < dropped_ + events_.size(); });
  std::vector<std::string> events;
  if (stopped_) return events;
  if (next < dropped_) next = dropped_;
  for (std::uint64_t i = next - dropped_; i < events_.size(); ++i) events.push_back(events_[i]);
  next = dropped_ + events_.size();
  return events;
}

void TReloadHub::Stop() {
  {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
}

bool TReloadHub::Stopped() const {
  const std::lock_guard lock(mutex_);
  return stopped_;
}

}  // namespace zorvik
