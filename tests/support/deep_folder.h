// Test helper: a folder whose path is longer than the system lets a path be (PATH_MAX), which
// no call can name whole: a walk that reaches it must fail, even for root.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace zorvik::testing {

// Folders nested below base (made where missing), each made from the one above it.
inline void MakeTooDeepFolder(const std::filesystem::path& base) {
  std::filesystem::create_directories(base);
  int folder = ::open(base.c_str(), O_PATH | O_DIRECTORY);
  const std::string name(200, 'd');
  for (int depth = 0; depth < 25; ++depth) {
    ASSERT_EQ(::mkdirat(folder, name.c_str(), 0755), 0);
    const int below = ::openat(folder, name.c_str(), O_PATH | O_DIRECTORY);
    ::close(folder);
    folder = below;
  }
  ::close(folder);
}

// Removes folder and all below it: the system's own remover reaches below the longest path.
inline void RemoveDeepFolder(const std::filesystem::path& folder) {
  EXPECT_EQ(std::system(("rm -rf '" + folder.string() + "'").c_str()), 0);
}

}  // namespace zorvik::testing
