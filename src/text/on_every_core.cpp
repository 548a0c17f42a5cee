#include "text/on_every_core.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace zorvik {

void OnEveryCore(std::size_t count, std::size_t batch,
                 const std::function<void(std::size_t)>& each) {
  batch = std::max<std::size_t>(batch, 1);
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t first; (first = next.fetch_add(batch)) < count;) {
      for (std::size_t i = first; i < std::min(first + batch, count); ++i) each(i);
    }
  };
  const std::size_t workers = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
  std::vector<std::thread> threads;
  for (std::size_t i = 1; i < std::min(workers, (count + batch - 1) / batch); ++i)
    threads.emplace_back(work);
  work();
  for (std::thread& thread : threads) thread.join();
}

}  // namespace zorvik
