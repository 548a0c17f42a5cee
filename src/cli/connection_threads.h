// The threads that serve the site's connections: one for each open connection, up to a limit,
// so that a request never waits behind a browser's idle keep-alive connection or a slow client.
// Threads stay for the next connection once theirs closes. Where the system gives no more
// threads, connections wait for one to come free.
#pragma once

#include <httplib.h>
#include <pthread.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace zorvik::cli {

class TConnectionThreads : public httplib::TaskQueue {
 public:
  explicit TConnectionThreads(std::size_t most);
  ~TConnectionThreads() override;
  TConnectionThreads(const TConnectionThreads&) = delete;
  TConnectionThreads& operator=(const TConnectionThreads&) = delete;

  void enqueue(std::function<void()> connection) override;
  // Serves the connections already taken, then ends every thread.
  void shutdown() override;

 private:
  // Starts one more thread; false when the system gave none.
  bool StartThread();
  void Serve();

  const std::size_t most_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> waiting_;  // connections no thread has taken yet
  std::size_t idle_ = 0;                       // threads waiting for a connection
  bool stopping_ = false;
  std::vector<pthread_t> threads_;
};

}  // namespace zorvik::cli
