// Test helper: the zorvik binary run in a folder of its own, with a fixed clock, time zone and
// locale; files written as a page source would be (UTF-8 given, CP932 with CR LF stored).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_process.h"
#include "support/test_engine.h"

namespace zorvik::testing {

// 2026-12-07 09:05:30 UTC
inline constexpr const char* kTestEpoch = "1796634330";

class CliTest : public ::testing::Test {
 protected:
  explicit CliTest(const std::string& prefix) {
    ::setenv("SOURCE_DATE_EPOCH", kTestEpoch, 1);
    ::setenv("TZ", "UTC", 1);
    ::setenv("LC_ALL", "C", 1);
    dir_ = std::filesystem::temp_directory_path() /
           (prefix + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~CliTest() override { std::filesystem::remove_all(dir_); }

  void Write(const std::string& name, const std::string& utf8) {
    std::ofstream(dir_ / name, std::ios::binary) << Page(utf8);
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  ProcessResult Zorvik(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {ZORVIK_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, "");
  }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};

}  // namespace zorvik::testing
