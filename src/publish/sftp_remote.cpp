#include "publish/sftp_remote.h"

#include <fcntl.h>
#include <libssh/libssh.h>
#include <libssh/sftp.h>
#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <set>

#include "publish/known_hosts.h"
#include "publish/sftp_uploads.h"

namespace zorvik {
namespace {

constexpr std::size_t kReadChunk = 32768;
constexpr std::size_t kMaxFetched = 64u << 20;
constexpr std::size_t kMostFiles = 1024;  // files under way at once, at most

// One file for PutAll.
class TOneUpload : public TUploads {
 public:
  explicit TOneUpload(TUpload upload) : upload_(std::move(upload)) {}
  std::optional<TUpload> Next() override {
    if (taken_) return std::nullopt;
    taken_ = true;
    return std::move(upload_);
  }
  void Done(std::size_t /*n*/) override {}

 private:
  TUpload upload_;
  bool taken_ = false;
};

class TSftpRemote : public TRemote {
 public:
  TSftpRemote(ssh_session session, sftp_session sftp, std::string folder)
      : session_(session), sftp_(sftp), folder_(std::move(folder)) {
    posix_rename_ = sftp_extension_supported(sftp_, "posix-rename@openssh.com", "1") != 0;
    // Half the handles the server allows, so that another client of the same account keeps
    // some; a server that does not say gets a few dozen.
    if (sftp_extension_supported(sftp_, "limits@openssh.com", "1") != 0) {
      TSftpWire wire(sftp_);
      const std::uint32_t id = wire.Limits();
      TSftpReply reply;
      if (wire.Flush() && wire.Read(reply) && reply.id == id) {
        if (const auto handles = TSftpWire::OpenHandles(reply)) {
          most_files_ =
              *handles == 0 ? kMostFiles : std::clamp<std::uint64_t>(*handles / 2, 1, kMostFiles);
        }
      }
    }
  }
  ~TSftpRemote() override {
    sftp_free(sftp_);
    ssh_disconnect(session_);
    ssh_free(session_);
  }
  TSftpRemote(const TSftpRemote&) = delete;
  TSftpRemote& operator=(const TSftpRemote&) = delete;

  TFetched Fetch(const std::string& path, std::string& bytes, std::string* err) override {
    // Only a file is read: the server's open of a FIFO planted there would never return.
    if (const std::optional<std::uint8_t> type = TypeAt(Full(path))) {
      if (*type != SSH_FILEXFER_TYPE_REGULAR) {
        *err = "refusing to read " + Full(path) + ": the server holds " +
               (*type == SSH_FILEXFER_TYPE_SYMLINK ? "a link" : "something other than a file") +
               " there";
        return TFetched::kFailed;
      }
    } else if (Missing()) {
      return TFetched::kMissing;
    }
    sftp_file file = sftp_open(sftp_, Full(path).c_str(), O_RDONLY, 0);
    if (file == nullptr) {
      const int code = sftp_get_error(sftp_);
      if (code == SSH_FX_NO_SUCH_FILE || code == SSH_FX_NO_SUCH_PATH) return TFetched::kMissing;
      Failed("cannot open " + Full(path), err);
      return TFetched::kFailed;
    }
    bytes.clear();
    char buffer[kReadChunk];
    for (;;) {
      const ssize_t got = sftp_read(file, buffer, sizeof buffer);
      if (got < 0 || bytes.size() > kMaxFetched) {
        sftp_close(file);
        Failed("cannot read " + Full(path), err);
        return TFetched::kFailed;
      }
      if (got == 0) break;
      bytes.append(buffer, static_cast<std::size_t>(got));
    }
    sftp_close(file);
    return TFetched::kFound;
  }

  bool Put(const std::string& path, std::string_view bytes, const std::string& temporary,
           std::string* err) override {
    TOneUpload one(TUpload{path, temporary, std::string(bytes)});
    std::string failed;
    return Pipelined(one, &failed, err);
  }

  bool PutAll(TUploads& uploads, std::string* err) override {
    std::string failed;
    std::string why;
    if (Pipelined(uploads, &failed, &why)) return true;
    *err = failed.empty() ? why : "cannot send " + failed + ": " + why;
    return false;
  }

  bool Remove(const std::string& path, std::string* err) override {
    // A folder of the path that is a link would take the removal elsewhere: each is looked at
    // again for every removal (one may have been swapped meanwhile), then the file's folder is
    // resolved and must be the one it should be, and the file is removed by that path.
    if (!Resolve(err) || !FoldersAreFolders(path, false, err, true)) return false;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string resolved = resolved_;
    if (!folder.empty()) {
      char* real = sftp_canonicalize_path(sftp_, Full(folder).c_str());
      if (real == nullptr) return Missing() || Failed("cannot resolve " + Full(folder), err);
      resolved = std::string(real) + "/";
      ssh_string_free_char(real);
      if (resolved != resolved_ + folder) {
        *err = "refusing to remove " + Full(path) + ": its folder leads to " + resolved +
               " (a folder was swapped for a link during the run)";
        return false;
      }
    }
    const std::string name = resolved + path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (sftp_unlink(sftp_, name.c_str()) == SSH_OK) return true;
    return Missing() || Failed("cannot remove " + Full(path), err);
  }

  TMade MakeFolderNew(const std::string& path, std::string* err) override {
    // The destination's own folder first, where this is the first publish to it.
    if (!MakeFolders(path, err)) return TMade::kFailed;
    if (sftp_mkdir(sftp_, Full(path).c_str(), 0755) == SSH_OK) return TMade::kMade;
    if (TypeAt(Full(path))) return TMade::kExists;
    Failed("cannot make the folder " + Full(path), err);
    return TMade::kFailed;
  }

  bool RemoveFolder(const std::string& path, std::string* err) override {
    if (sftp_rmdir(sftp_, Full(path).c_str()) == SSH_OK) return true;
    return Missing() || Failed("cannot remove the folder " + Full(path), err);
  }

 private:
  std::string Full(const std::string& path) const { return folder_ + path; }

  bool Missing() const {
    const int code = sftp_get_error(sftp_);
    return code == SSH_FX_NO_SUCH_FILE || code == SSH_FX_NO_SUCH_PATH;
  }

  // Sets *err to what failed and the server's or the library's reason; false.
  bool Failed(const std::string& what, std::string* err) {
    const int code = sftp_get_error(sftp_);
    const char* library = ssh_get_error(session_);
    std::string why = code != SSH_FX_OK && code != SSH_FX_FAILURE ? SftpStatusText(code)
                      : library != nullptr && *library != '\0'    ? std::string(library)
                                                               : std::string("the server refused");
    *err = what + " (" + why + ")";
    return false;
  }

  // What lies at a full path, not following a link: nothing when it is missing.
  std::optional<std::uint8_t> TypeAt(const std::string& full) {
    sftp_attributes attributes = sftp_lstat(sftp_, full.c_str());
    if (attributes == nullptr) return std::nullopt;
    const std::uint8_t type = attributes->type;
    sftp_attributes_free(attributes);
    return type;
  }

  bool Pipelined(TUploads& uploads, std::string* failed, std::string* err) {
    TSftpWire wire(sftp_);
    const TSftpTarget target{
        folder_,
        &resolved_,
        posix_rename_,
        most_files_,
        [this](const std::string& path) { return FoldersReady(path); },
        [this](const std::string& path, std::string* why) { return MakeFolders(path, why); }};
    return PutOverSftp(wire, target, uploads, failed, err);
  }

  // Whether the destination and every folder of path are known to be real folders.
  bool FoldersReady(const std::string& path) const {
    if (!destination_ready_) return false;
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      if (!made_.contains(Full(path.substr(0, slash)))) return false;
    }
    return true;
  }

  // The destination's folder as the server resolves it, once a connection.
  bool Resolve(std::string* err) {
    if (!resolved_.empty()) return true;
    char* real = sftp_canonicalize_path(sftp_, folder_.empty() ? "." : folder_.c_str());
    if (real == nullptr) return Failed("cannot resolve the folder " + folder_, err);
    resolved_ = real;
    ssh_string_free_char(real);
    if (!resolved_.ends_with('/')) resolved_ += '/';
    return true;
  }

  // The folders of path below the destination, each checked once a connection (again: every
  // time): a folder that is a link would take a write or a removal outside the destination.
  // make: made where missing.
  bool FoldersAreFolders(const std::string& path, bool make, std::string* err, bool again = false) {
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      const std::string folder = Full(path.substr(0, slash));
      if (!again && made_.contains(folder)) continue;
      const std::optional<std::uint8_t> type = TypeAt(folder);
      if (!type) {
        if (!make) return true;  // nothing below a missing folder
        if (sftp_mkdir(sftp_, folder.c_str(), 0755) != SSH_OK || TypeAt(folder) != kFolder) {
          return Failed("cannot make the folder " + folder, err);
        }
      } else if (*type != kFolder) {
        *err = "refusing to go through " + folder + ": the server holds " +
               (*type == SSH_FILEXFER_TYPE_SYMLINK ? "a link" : "a file") +
               " where a folder should be";
        return false;
      }
      made_.insert(folder);
    }
    return true;
  }

  // The destination's folder, made where missing (it may lie anywhere, links included, as
  // the user named it), then the folders of path below it.
  bool MakeFolders(const std::string& path, std::string* err) {
    if (!destination_ready_ && !IsFolder(folder_)) {
      for (std::size_t slash = folder_.find('/', 1); slash != std::string::npos;
           slash = folder_.find('/', slash + 1)) {
        const std::string folder = folder_.substr(0, slash);
        if (sftp_mkdir(sftp_, folder.c_str(), 0755) != SSH_OK && !IsFolder(folder)) {
          return Failed("cannot make the folder " + folder, err);
        }
      }
    }
    destination_ready_ = true;
    return Resolve(err) && FoldersAreFolders(path, true, err);
  }

  // Whether a full path leads to a folder, following links.
  bool IsFolder(const std::string& full) {
    sftp_attributes attributes = sftp_stat(sftp_, full.c_str());
    const bool is_folder = attributes != nullptr && attributes->type == kFolder;
    sftp_attributes_free(attributes);
    return is_folder;
  }

  static constexpr std::uint8_t kFolder = SSH_FILEXFER_TYPE_DIRECTORY;

  ssh_session session_;
  sftp_session sftp_;
  std::string folder_;
  bool posix_rename_ = false;
  std::size_t most_files_ = 64;
  bool destination_ready_ = false;
  std::string resolved_;        // the destination's folder as the server resolves it, with "/"
  std::set<std::string> made_;  // full paths of the folders known to be real folders
};

struct TServerKey {
  std::string fingerprint;  // "SHA256:…"
  std::string base64;       // the key as known_hosts holds it
};

TServerKey ServerKey(ssh_session session) {
  TServerKey result;
  ssh_key key = nullptr;
  if (ssh_get_server_publickey(session, &key) != SSH_OK) return result;
  unsigned char* hash = nullptr;
  std::size_t length = 0;
  if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) == 0) {
    char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
    if (text != nullptr) result.fingerprint = text;
    ssh_string_free_char(text);
    ssh_clean_pubkey_hash(&hash);
  }
  char* base64 = nullptr;
  if (ssh_pki_export_pubkey_base64(key, &base64) == SSH_OK && base64 != nullptr) {
    result.base64 = base64;
  }
  ssh_string_free_char(base64);
  ssh_key_free(key);
  return result;
}

}  // namespace

TConnection ConnectSftp(const TDestination& destination, const std::string& home,
                        const THostKeyCheck& check, TCancelFlag cancel, std::string* err) {
  TConnection result;
  ssh_session session = ssh_new();
  if (session == nullptr) {
    *err = "cannot start an SSH session";
    return result;
  }
  const auto fail = [&](std::string why) {
    *err = std::move(why);
    ssh_disconnect(session);
    ssh_free(session);
    return std::move(result);
  };
  // The keys, known hosts and config of the user whose home this is (libssh would otherwise
  // take the password database's home, not $HOME).
  const std::string ssh_dir = home + "/.ssh";
  const long timeout = 20;
  ssh_options_set(session, SSH_OPTIONS_SSH_DIR, ssh_dir.c_str());
  ssh_options_set(session, SSH_OPTIONS_HOST, destination.host.c_str());
  ssh_options_parse_config(session, nullptr);
  if (destination.port != 0) ssh_options_set(session, SSH_OPTIONS_PORT, &destination.port);
  if (!destination.user.empty())
    ssh_options_set(session, SSH_OPTIONS_USER, destination.user.c_str());
  ssh_options_set(session, SSH_OPTIONS_TIMEOUT, &timeout);
  // Each write waits for its answer: Nagle's delay would hold every one back.
  const int no_delay = 1;
  ssh_options_set(session, SSH_OPTIONS_NODELAY, &no_delay);
  const std::string where = ServerAddress(destination);
  // Connected step by step, so that a cancel is heard while the server is slow to answer.
  ssh_set_blocking(session, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout);
  int connected = SSH_AGAIN;
  while ((connected = ssh_connect(session)) == SSH_AGAIN) {
    if (cancel != nullptr && *cancel) return fail("cancelled while connecting to " + where);
    if (std::chrono::steady_clock::now() > deadline) {
      return fail("cannot connect to " + where + ": no answer in " + std::to_string(timeout) +
                  " seconds");
    }
    pollfd socket{ssh_get_fd(session), POLLIN, 0};
    ::poll(&socket, 1, 20);  // the server's next words, or a moment to ask the flag again
  }
  ssh_set_blocking(session, 1);
  if (connected != SSH_OK) {
    return fail("cannot connect to " + where + ": " + ssh_get_error(session));
  }
  const TServerKey key = ServerKey(session);
  const std::string& fingerprint = key.fingerprint;
  const std::string known_hosts = ssh_dir + "/known_hosts";
  // A key the user marked revoked is refused as OpenSSH refuses it, whatever else is said.
  if (!key.base64.empty() && IsRevokedKey(known_hosts, key.base64)) {
    return fail("the host key of " + where + " (" + fingerprint + ") is marked @revoked in " +
                known_hosts + ". Nothing was sent");
  }
  switch (ssh_session_is_known_server(session)) {
    case SSH_KNOWN_HOSTS_OK:
      break;
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
      return fail("the host key of " + where + " has CHANGED (it is now " + fingerprint +
                  "); someone may be listening in. Nothing was sent. If the server's key was "
                  "really replaced, remove its old key from " +
                  ssh_dir + "/known_hosts");
    case SSH_KNOWN_HOSTS_UNKNOWN:
    case SSH_KNOWN_HOSTS_NOT_FOUND: {
      const bool accepted = check.accepted.empty()
                                ? (check.ask != nullptr && check.ask(fingerprint))
                                : check.accepted == fingerprint;
      if (!accepted) {
        result.unknown_key = fingerprint;
        return fail(check.accepted.empty()
                        ? "the host key of " + where + " is not known: " + fingerprint
                        : "the host key of " + where + " is " + fingerprint + ", not " +
                              check.accepted);
      }
      ::mkdir(ssh_dir.c_str(), 0700);
      char* entry = nullptr;
      if (ssh_session_export_known_hosts_entry(session, &entry) != SSH_OK || entry == nullptr) {
        return fail("cannot add the host key to " + known_hosts + ": " + ssh_get_error(session));
      }
      const std::string line = entry;
      ssh_string_free_char(entry);
      if (const std::string why = AppendKnownHost(known_hosts, line); !why.empty()) {
        return fail("cannot add the host key to " + known_hosts + ": " + why);
      }
      break;
    }
    case SSH_KNOWN_HOSTS_ERROR:
      return fail("cannot check the host key of " + where + ": " + ssh_get_error(session));
  }
  if (ssh_userauth_publickey_auto(session, nullptr, nullptr) != SSH_AUTH_SUCCESS) {
    return fail("the server " + where +
                " took none of your SSH keys (load yours with ssh-add, or add it to the "
                "server's authorized_keys)");
  }
  sftp_session sftp = sftp_new(session);
  if (sftp == nullptr || sftp_init(sftp) != SSH_OK) {
    if (sftp != nullptr) sftp_free(sftp);
    return fail("the server " + where + " does not offer SFTP");
  }
  result.remote = std::make_unique<TSftpRemote>(session, sftp, destination.folder);
  return result;
}

}  // namespace zorvik
