// Publishing over SFTP (Debian's libssh): the user's SSH keys and agent, the user's known hosts.
// An unknown host key is never taken silently, and a changed one is always refused.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "publish/destination.h"
#include "publish/remote.h"

namespace zorvik {

struct THostKeyCheck {
  std::string accepted;  // the fingerprint ("SHA256:…") the user accepts for an unknown key
  // Asked with the fingerprint of an unknown key when no fingerprint was given: true accepts.
  std::function<bool(const std::string& fingerprint)> ask = nullptr;
};

// Set from another thread to give up a connection that is still being made (a server that is
// slow to answer, or never does); nothing for a connection that only its timeout ends.
using TCancelFlag = const std::atomic<bool>*;

struct TConnection {
  std::unique_ptr<TRemote> remote;  // nothing when the connection failed
  std::string unknown_key;          // the fingerprint, when refused for an unknown host key
};

// home: the user's home folder, whose .ssh holds the keys and known_hosts. A host key the user
// accepts is added to known_hosts.
TConnection ConnectSftp(const TDestination& destination, const std::string& home,
                        const THostKeyCheck& check, TCancelFlag cancel, std::string* err);

}  // namespace zorvik
