#include "text/file_releaser.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

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
    // Held descriptors must leave the writes enough of their own.
    struct rlimit limit {};
    const rlim_t descriptors = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 64;
    max_open_ = static_cast<std::size_t>(std::clamp<rlim_t>(descriptors / 4, 1, 256));
    for (std::size_t i = 0; i < kThreads; ++i) threads_.emplace_back([this] { Work(); });
  }
  changed_.wait(lock, [this] { return open_ < max_open_; });
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
