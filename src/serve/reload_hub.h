// The events that the site's generations send to the browsers: published by the watching
// thread, waited for by one server thread per open page.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace zorvik {

class TReloadHub {
 public:
  // Sends an event (a whole server-sent event, as ReloadEvent makes it) to every page.
  void Publish(std::string event);
  // The errors of the last generation (empty when it had none): sent now when they change, and
  // to every page that connects later.
  void SetErrors(std::vector<std::string> lines);
  // What a page that connects now is told first.
  std::string Greeting() const;
  // The number of events published so far: where a new page starts.
  std::uint64_t Published() const;
  // The events after the first next ones, waiting up to timeout for one; next moves past them.
  // Nothing once stopped.
  std::vector<std::string> Wait(std::uint64_t& next, std::chrono::milliseconds timeout);
  // Ends every wait, now and later.
  void Stop();
  bool Stopped() const;

 private:
  static constexpr std::size_t kKept = 256;  // a page further behind reloads anyway

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> events_;
  std::uint64_t dropped_ = 0;  // events published before events_.front()
  std::vector<std::string> errors_;
  bool stopped_ = false;
};

}  // namespace zorvik
