// What every verb writes to the terminal: a usage error, and standard output checked for a write
// that failed.
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <system_error>

#include "cli/verbs.h"

namespace zorvik::cli {

int UsageError(const std::string& message) {
  std::cerr << "zorvik: " << message << "\nTry 'zorvik --help'.\n";
  return kUsageError;
}

bool WriteStandardOutput(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  return FinishStandardOutput(0) == 0;
}

int FinishStandardOutput(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  std::cerr << "zorvik: cannot write to standard output: "
            << std::error_code(errno, std::generic_category()).message() << '\n';
  return kUsageError;
}

}  // namespace zorvik::cli
