#include "cli/connection_threads.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

namespace zorvik::cli {
namespace {

// A connection's work is shallow (no recursion, pages on the heap): a small stack lets the
// thousand threads fit where the address space is limited.
constexpr std::size_t kStackBytes = 512u << 10;

// most, or fewer where the address space is limited (ulimit -v): the threads' stacks take at
// most half of what is left, the rest stays for the connections' buffers and the pages.
std::size_t ThreadsThatFit(std::size_t most) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return most;
  std::size_t pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  const std::size_t used = pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t left = limit.rlim_cur > used ? limit.rlim_cur - used : 0;
  return std::clamp<std::size_t>(left / 2 / (kStackBytes + (64u << 10)), 1, most);
}

}  // namespace

TConnectionThreads::TConnectionThreads(std::size_t most) : most_(ThreadsThatFit(most)) {}

TConnectionThreads::~TConnectionThreads() { shutdown(); }

bool TConnectionThreads::StartThread() {
  pthread_attr_t attributes;
  if (::pthread_attr_init(&attributes) != 0) return false;
  ::pthread_attr_setstacksize(&attributes, kStackBytes);
  pthread_t thread{};
  const int made = ::pthread_create(
      &thread, &attributes,
      [](void* self) -> void* {
        static_cast<TConnectionThreads*>(self)->Serve();
        return nullptr;
      },
      this);
  ::pthread_attr_destroy(&attributes);
  if (made != 0) return false;
  threads_.push_back(thread);
  return true;
}

void TConnectionThreads::enqueue(std::function<void()> connection) {
  std::unique_lock lock(mutex_);
  waiting_.push_back(std::move(connection));
  if (waiting_.size() > idle_ && threads_.size() < most_ && !StartThread() && threads_.empty()) {
    // No thread to be had (a limit of threads, processes or address space) and none made
    // before: the connection is served right here. Otherwise it waits for a thread to come free.
    connection = std::move(waiting_.back());
    waiting_.pop_back();
    lock.unlock();
    connection();
    return;
  }
  wake_.notify_one();
}

void TConnectionThreads::shutdown() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
  }
  wake_.notify_all();
  for (const pthread_t thread : threads_) ::pthread_join(thread, nullptr);
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
    try {
      connection();
    } catch (const std::exception&) {
      // Memory ran out within the connection's own work: that connection is lost, not the
      // server with every other one.
    }
  }
}

}  // namespace zorvik::cli
