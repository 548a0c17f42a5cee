// Letting go of replaced files on background threads. On a disk mounted with online discard,
// freeing the blocks of a file that a rename replaced waits for the device, which would hold
// up a batch that writes thousands of pages; a descriptor kept on the old file moves that wait
// to the thread that closes it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace zorvik {

class TFileReleaser {
 public:
  TFileReleaser() = default;
  TFileReleaser(const TFileReleaser&) = delete;
  TFileReleaser& operator=(const TFileReleaser&) = delete;
  ~TFileReleaser();

  // Hands a descriptor over to be closed; waits while too many are still open.
  void Release(int fd);
  // Returns once every descriptor handed over has been closed.
  void Drain();

 private:
  static constexpr std::size_t kThreads = 2;

  void Work();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<int> waiting_;
  std::size_t open_ = 0;      // handed over and not yet closed
  std::size_t max_open_ = 0;  // a share of the process's descriptors, set with the threads
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace zorvik
