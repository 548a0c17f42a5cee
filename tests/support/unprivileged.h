// Test helper: runs a check as an ordinary user. Tests often run as root (CI does), and root
// may write where nobody else may, so a check of a refused write would prove nothing there.
// Under root the check runs in a child process that has become "nobody"; otherwise directly.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace zorvik::testing {

inline constexpr uid_t kNobody = 65534;

// Gives folder (and what it holds) to the user the check runs as.
inline void GiveToCheckUser(const std::string& path) {
  if (::geteuid() == 0) (void)::chown(path.c_str(), kNobody, kNobody);
}

// True when check returned true, run as an ordinary user.
inline bool AsOrdinaryUser(const std::function<bool()>& check) {
  if (::geteuid() != 0) return check();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace zorvik::testing
