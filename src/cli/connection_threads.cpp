#include "cli/connection_threads.h"

namespace zorvik::cli {

void TConnectionThreads::enqueue(std::function<void()> connection) {
  std::lock_guard lock(mutex_);
  waiting_.push_back(std::move(connection));
  if (waiting_.size() > idle_ && threads_.size() < most_) {
    threads_.emplace_back([this] { Serve(); });
  } else {
    wake_.notify_one();
  }
}

void TConnectionThreads::shutdown() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void TConnectionThreads::Serve() {
  for (;;) {
    std::function<void()> connection;
    {
      std::unique_lock lock(mutex_);
      ++idle_;
      wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
      --idle_;
      if (waiting_.empty()) return;  // stopping, nothing left
      connection = std::move(waiting_.front());
      waiting_.pop_front();
    }
    connection();
  }
}

}  // namespace zorvik::cli
