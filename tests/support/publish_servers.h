// Test helper: real SFTP (OpenSSH's sshd) and FTPS (pure-ftpd) servers on 127.0.0.1, made in
// a folder of the test's own, with keys, a certificate and a password made for the test.
#pragma once

#include <crypt.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/loopback.h"
#include "support/run_process.h"

namespace zorvik::testing {

// Every process whose parent chain leads to pid, pid itself first.
inline std::vector<pid_t> ProcessTree(pid_t pid) {
  std::vector<pid_t> tree = {pid};
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      const std::string name = entry.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::ifstream stat(entry.path() / "stat");
      std::string line;
      std::getline(stat, line);
      const std::size_t close = line.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream fields(line.substr(close + 2));
      char state = 0;
      pid_t parent = 0;
      fields >> state >> parent;
      const pid_t child = std::stoi(name);
      if (std::find(tree.begin(), tree.end(), parent) != tree.end() &&
          std::find(tree.begin(), tree.end(), child) == tree.end()) {
        tree.push_back(child);
        grew = true;
      }
    }
  }
  return tree;
}

// A program started in the background, its output in files; killed with its children.
class TBackground {
 public:
  TBackground() = default;
  TBackground(const TBackground&) = delete;
  TBackground& operator=(const TBackground&) = delete;
  ~TBackground() { Kill(); }

  void Start(const std::vector<std::string>& argv, const std::string& log) {
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(fd, 1);
      ::dup2(fd, 2);
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
  }
  pid_t Pid() const { return pid_; }
  // The exit status, waiting for it; -1 when killed by a signal.
  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Kill() {
    if (pid_ <= 0) return;
    for (const pid_t pid : ProcessTree(pid_)) ::kill(pid, SIGKILL);
    Wait();
  }

 private:
  pid_t pid_ = 0;
};

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// sshd with a host key of its own, taking the client key at home/.ssh/id_ed25519.
class TSshServer {
 public:
  TSshServer(const std::string& folder, const std::string& home) : folder_(folder) {
    std::filesystem::create_directories(home + "/.ssh");
    RunProcess(
        {"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", home + "/.ssh/id_ed25519"},
        "");
    std::filesystem::copy_file(home + "/.ssh/id_ed25519.pub", folder_ + "/authorized");
    NewHostKey();
    if (::geteuid() == 0) ::mkdir("/run/sshd", 0755);  // sshd's own, as its package makes it
  }

  // A new host key, taken at the next Start.
  void NewHostKey() {
    std::filesystem::remove(folder_ + "/host");
    std::filesystem::remove(folder_ + "/host.pub");
    RunProcess({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", folder_ + "/host"},
               "");
  }
  // "SHA256:…", as ssh-keygen -l shows it.
  std::string Fingerprint() const {
    const std::string line =
        RunProcess({"/usr/bin/ssh-keygen", "-l", "-f", folder_ + "/host.pub"}, "").out;
    return line.substr(line.find(' ') + 1, line.find(' ', line.find(' ') + 1) - line.find(' ') - 1);
  }
  bool Start() {
    if (port_ == 0) port_ = FreePort();
    std::ofstream(folder_ + "/sshd_config")
        << "ListenAddress 127.0.0.1\nPort " << port_ << "\nHostKey " << folder_
        << "/host\nAuthorizedKeysFile " << folder_
        << "/authorized\nStrictModes no\nPasswordAuthentication no\n"
           "KbdInteractiveAuthentication no\nUsePAM no\nPidFile none\nLogLevel ERROR\n"
           "Subsystem sftp internal-sftp\n";
    server_.Start({"/usr/sbin/sshd", "-D", "-e", "-f", folder_ + "/sshd_config"},
                  folder_ + "/sshd.log");
    return WaitForPort(port_);
  }
  void Kill() { server_.Kill(); }
  int Port() const { return port_; }
  std::string User() const { return getpwuid(::geteuid())->pw_name; }

 private:
  std::string folder_;
  int port_ = 0;
  TBackground server_;
};

// pure-ftpd requiring TLS, with one virtual user ("site") whose files lie in folder/root.
// Virtual users take a system user's id: root only.
class TFtpsServer {
 public:
  static constexpr const char* kPassword = "Pw-4zorvik-test";

  explicit TFtpsServer(const std::string& folder) : folder_(folder) {
    std::filesystem::create_directories(folder_ + "/root");
    (void)::chown((folder_ + "/root").c_str(), 65534, 65534);
    ::chmod(folder_.c_str(), 0755);
    std::ofstream(folder_ + "/passwd") << "site:" << ::crypt(kPassword, "$6$zorviktest$")
                                       << ":65534:65534::" << folder_ << "/root/./::::::::::::\n";
    RunProcess({"/usr/bin/pure-pw", "mkdb", folder_ + "/users.pdb", "-f", folder_ + "/passwd"}, "");
    RunProcess({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", folder_ + "/key.pem", "-out",
                folder_ + "/cert.pem", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                "subjectAltName=IP:127.0.0.1"},
               "");
    std::ofstream(folder_ + "/server.pem")
        << Slurp(folder_ + "/key.pem") << Slurp(folder_ + "/cert.pem");
  }
  bool Start() {
    port_ = FreePort();
    server_.Start({"/usr/sbin/pure-ftpd", "-S", "127.0.0.1," + std::to_string(port_), "-l",
                   "puredb:" + folder_ + "/users.pdb", "-E", "-H", "-Y", "2", "-2",
                   folder_ + "/server.pem", "-u", "1", "-g", folder_ + "/pid"},
                  folder_ + "/ftpd.log");
    return WaitForPort(port_);
  }
  int Port() const { return port_; }
  std::string Certificate() const { return folder_ + "/cert.pem"; }
  std::string Root() const { return folder_ + "/root"; }

 private:
  std::string folder_;
  int port_ = 0;
  TBackground server_;
};

}  // namespace zorvik::testing
