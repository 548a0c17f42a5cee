// The threads that serve the site's connections: one for each open connection, up to a limit,
// so that a request never waits behind a browser's idle keep-alive connection or a slow client.
// Threads stay for the next connection once theirs closes.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zorvik::cli {

class TConnectionThreads : public httplib::TaskQueue {
 public:
  explicit TConnectionThreads(std::size_t most) : most_(most) {}
  ~TConnectionThreads() override { shutdown(); }
  TConnectionThreads(const TConnectionThreads&) = delete;
  TConnectionThreads& operator=(const TConnectionThreads&) = delete;

  void enqueue(std::function<void()> connection) override;
  // Serves the connections already taken, then ends every thread.
  void shutdown() override;

 private:
  void Serve();

  const std::size_t most_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> waiting_;  // connections no thread has taken yet
  std::size_t idle_ = 0;                       // threads waiting for a connection
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace zorvik::cli
