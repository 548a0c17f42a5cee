#include "text/file_releaser.h"

#include <unistd.h>

namespace zorvik {

TFileReleaser::~TFileReleaser() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void TFileReleaser::Release(int fd) {
  std::unique_lock lock(mutex_);
  // Threads start with the first file: most runs never replace one.
  if (threads_.empty()) {
    for (std::size_t i = 0; i < kThreads; ++i) threads_.emplace_back([this] { Work(); });
  }
  changed_.wait(lock, [this] { return open_ < kMaxOpen; });
  waiting_.push_back(fd);
  ++open_;
  lock.unlock();
  changed_.notify_all();
}

void TFileReleaser::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return open_ == 0; });
}

void TFileReleaser::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    if (waiting_.empty()) return;  // stopping, and nothing left to close
    const int fd = waiting_.front();
    waiting_.pop_front();
    lock.unlock();
    ::close(fd);
    lock.lock();
    --open_;
    changed_.notify_all();
  }
}

}  // namespace zorvik
