// SFTP requests written straight on the channel of a libssh SFTP session, several under way at
// once and their replies read as they come (libssh 0.10 waits for each reply before the next
// request). Only while libssh itself has no request under way: its next reply must be its own.
#pragma once

#include <libssh/sftp.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zorvik {

struct TSftpReply {
  std::uint8_t type = 0;
  std::uint32_t id = 0;
  std::string body;  // what follows the id
};

// A status code in words, for a message.
std::string SftpStatusText(int code);

class TSftpWire {
 public:
  explicit TSftpWire(sftp_session sftp) : sftp_(sftp) {}

  // Each queues a request and returns its id; Flush sends what is queued.
  std::uint32_t Lstat(std::string_view path);
  std::uint32_t OpenNew(std::string_view path, std::uint32_t mode);  // write, create, exclusive
  std::uint32_t Write(std::string_view handle, std::uint64_t offset, std::string_view bytes);
  std::uint32_t Close(std::string_view handle);
  std::uint32_t Remove(std::string_view path);
  std::uint32_t PosixRename(std::string_view from, std::string_view to);
  // SFTP's own rename, which never replaces a file.
  std::uint32_t Rename(std::string_view from, std::string_view to);
  // OpenSSH's limits@openssh.com: what the server takes at most.
  std::uint32_t Limits();
  // The path as the server resolves it: absolute, without links, "." or "..".
  std::uint32_t Realpath(std::string_view path);
  // Sets the open file's access and modification times to seconds.
  std::uint32_t SetTimes(std::string_view handle, std::uint32_t seconds);

  bool Flush();
  // The next reply, waiting for it; false when the connection failed.
  bool Read(TSftpReply& reply);
  // Whether a reply (or part of one) has come and waits to be read.
  bool Answered() const;

  // A status reply's code, or -1 for another reply.
  static int Status(const TSftpReply& reply);
  static std::optional<std::string> Handle(const TSftpReply& reply);
  // The file type (SSH_FILEXFER_TYPE_…) of an attributes reply.
  static std::optional<std::uint8_t> Type(const TSftpReply& reply);
  // The size in an attributes reply, when it gives one.
  static std::optional<std::uint64_t> Size(const TSftpReply& reply);
  // The modification time in an attributes reply, when it gives one.
  static std::optional<std::uint32_t> Mtime(const TSftpReply& reply);
  // The path of a reply to Realpath.
  static std::optional<std::string> Name(const TSftpReply& reply);
  // The handles a server keeps open at once, from the reply to Limits (0: no limit).
  static std::optional<std::uint64_t> OpenHandles(const TSftpReply& reply);

 private:
  // Starts a request of type; its fields follow.
  std::uint32_t Begin(std::uint8_t type);
  void String(std::string_view text);
  void Number(std::uint32_t value);
  void End();

  sftp_session sftp_;
  std::string queued_;
  std::size_t start_ = 0;  // where the request being made begins in queued_
};

}  // namespace zorvik
