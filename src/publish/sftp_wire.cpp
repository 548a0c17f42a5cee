#include "publish/sftp_wire.h"

#include <libssh/libssh.h>

namespace zorvik {
namespace {

enum : std::uint8_t {
  kOpen = 3,
  kClose = 4,
  kWrite = 6,
  kLstat = 7,
  kFsetstat = 10,
  kRemove = 13,
  kRealpath = 16,
  kRename = 18,
  kExtended = 200,
  kStatusReply = 101,
  kHandleReply = 102,
  kNameReply = 104,
  kAttrsReply = 105,
  kExtendedReply = 201,
};
enum : std::uint32_t { kWriteFlag = 0x02, kCreate = 0x08, kExclusive = 0x20 };
enum : std::uint32_t { kSizeAttr = 0x1, kOwnerAttr = 0x2, kModeAttr = 0x4, kTimesAttr = 0x8 };
constexpr std::uint32_t kLargestReply = 256 * 1024;

std::uint32_t GetU32(std::string_view bytes, std::size_t at) {
  const auto byte = [&](std::size_t i) {
    return std::uint32_t{static_cast<unsigned char>(bytes[at + i])};
  };
  return (byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
}

bool ReadExactly(ssh_channel channel, char* into, std::uint32_t size) {
  for (std::uint32_t done = 0; done < size;) {
    const int got = ssh_channel_read(channel, into + done, size - done, 0);
    if (got <= 0) return false;
    done += static_cast<std::uint32_t>(got);
  }
  return true;
}

}  // namespace

std::string SftpStatusText(int code) {
  switch (code) {
    case SSH_FX_PERMISSION_DENIED:
      return "permission denied";
    case SSH_FX_NO_SUCH_FILE:
    case SSH_FX_NO_SUCH_PATH:
      return "no such file or folder";
    case SSH_FX_FILE_ALREADY_EXISTS:
      return "a file of that name appeared meanwhile";
    case -1:
      return "the server gave an answer that is not a status";
    default:
      return "SFTP status " + std::to_string(code);
  }
}

std::uint32_t TSftpWire::Begin(std::uint8_t type) {
  start_ = queued_.size();
  Number(0);  // the length, set by End
  queued_ += static_cast<char>(type);
  const std::uint32_t id = ++sftp_->id_counter;
  Number(id);
  return id;
}

void TSftpWire::Number(std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    queued_ += static_cast<char>((value >> shift) & 0xFF);
}

void TSftpWire::String(std::string_view text) {
  Number(static_cast<std::uint32_t>(text.size()));
  queued_ += text;
}

void TSftpWire::End() {
  const auto length = static_cast<std::uint32_t>(queued_.size() - start_ - 4);
  for (int i = 0; i < 4; ++i)
    queued_[start_ + i] = static_cast<char>((length >> (24 - 8 * i)) & 0xFF);
}

std::uint32_t TSftpWire::Lstat(std::string_view path) {
  const std::uint32_t id = Begin(kLstat);
  String(path);
  End();
  return id;
}

std::uint32_t TSftpWire::OpenNew(std::string_view path, std::uint32_t mode) {
  const std::uint32_t id = Begin(kOpen);
  String(path);
  Number(kWriteFlag | kCreate | kExclusive);
  Number(kModeAttr);
  Number(mode);
  End();
  return id;
}

std::uint32_t TSftpWire::Write(std::string_view handle, std::uint64_t offset,
                               std::string_view bytes) {
  const std::uint32_t id = Begin(kWrite);
  String(handle);
  Number(static_cast<std::uint32_t>(offset >> 32));
  Number(static_cast<std::uint32_t>(offset));
  String(bytes);
  End();
  return id;
}

std::uint32_t TSftpWire::Close(std::string_view handle) {
  const std::uint32_t id = Begin(kClose);
  String(handle);
  End();
  return id;
}

std::uint32_t TSftpWire::Remove(std::string_view path) {
  const std::uint32_t id = Begin(kRemove);
  String(path);
  End();
  return id;
}

// OpenSSH's posix-rename@openssh.com: a rename that replaces the target in one step, which
// SFTP's own rename never does and which this libssh does not send.
std::uint32_t TSftpWire::PosixRename(std::string_view from, std::string_view to) {
  const std::uint32_t id = Begin(kExtended);
  String("posix-rename@openssh.com");
  String(from);
  String(to);
  End();
  return id;
}

std::uint32_t TSftpWire::Rename(std::string_view from, std::string_view to) {
  const std::uint32_t id = Begin(kRename);
  String(from);
  String(to);
  End();
  return id;
}

std::uint32_t TSftpWire::Limits() {
  const std::uint32_t id = Begin(kExtended);
  String("limits@openssh.com");
  End();
  return id;
}

std::uint32_t TSftpWire::Realpath(std::string_view path) {
  const std::uint32_t id = Begin(kRealpath);
  String(path);
  End();
  return id;
}

std::uint32_t TSftpWire::SetTimes(std::string_view handle, std::uint32_t seconds) {
  const std::uint32_t id = Begin(kFsetstat);
  String(handle);
  Number(kTimesAttr);
  Number(seconds);
  Number(seconds);
  End();
  return id;
}

bool TSftpWire::Answered() const { return ssh_channel_poll(sftp_->channel, 0) > 0; }

bool TSftpWire::Flush() {
  if (queued_.empty()) return true;
  const int wrote =
      ssh_channel_write(sftp_->channel, queued_.data(), static_cast<std::uint32_t>(queued_.size()));
  const bool whole = wrote == static_cast<int>(queued_.size());
  queued_.clear();
  return whole;
}

bool TSftpWire::Read(TSftpReply& reply) {
  char header[4];
  if (!ReadExactly(sftp_->channel, header, 4)) return false;
  const std::uint32_t length = GetU32(std::string_view(header, 4), 0);
  if (length < 5 || length > kLargestReply) return false;
  std::string packet(length, '\0');
  if (!ReadExactly(sftp_->channel, packet.data(), length)) return false;
  reply.type = static_cast<std::uint8_t>(packet[0]);
  reply.id = GetU32(packet, 1);
  reply.body = packet.substr(5);
  return true;
}

int TSftpWire::Status(const TSftpReply& reply) {
  if (reply.type != kStatusReply || reply.body.size() < 4) return -1;
  return static_cast<int>(GetU32(reply.body, 0));
}

std::optional<std::string> TSftpWire::Handle(const TSftpReply& reply) {
  if (reply.type != kHandleReply || reply.body.size() < 4) return std::nullopt;
  const std::uint32_t size = GetU32(reply.body, 0);
  if (size > reply.body.size() - 4) return std::nullopt;
  return reply.body.substr(4, size);
}

std::optional<std::string> TSftpWire::Name(const TSftpReply& reply) {
  // A count (one), then the name, its long form and its attributes.
  if (reply.type != kNameReply || reply.body.size() < 8 || GetU32(reply.body, 0) != 1)
    return std::nullopt;
  const std::uint32_t size = GetU32(reply.body, 4);
  if (size > reply.body.size() - 8) return std::nullopt;
  return reply.body.substr(8, size);
}

std::optional<std::uint64_t> TSftpWire::OpenHandles(const TSftpReply& reply) {
  // Four 64-bit numbers: the largest packet, read and write, then the open handles.
  if (reply.type != kExtendedReply || reply.body.size() < 32) return std::nullopt;
  return (std::uint64_t{GetU32(reply.body, 24)} << 32) | GetU32(reply.body, 28);
}

std::optional<std::uint64_t> TSftpWire::Size(const TSftpReply& reply) {
  if (reply.type != kAttrsReply || reply.body.size() < 12 ||
      (GetU32(reply.body, 0) & kSizeAttr) == 0) {
    return std::nullopt;
  }
  return (std::uint64_t{GetU32(reply.body, 4)} << 32) | GetU32(reply.body, 8);
}

std::optional<std::uint32_t> TSftpWire::Mtime(const TSftpReply& reply) {
  if (reply.type != kAttrsReply || reply.body.size() < 4) return std::nullopt;
  const std::uint32_t flags = GetU32(reply.body, 0);
  std::size_t at = 4;
  if ((flags & kSizeAttr) != 0) at += 8;
  if ((flags & kOwnerAttr) != 0) at += 8;
  if ((flags & kModeAttr) != 0) at += 4;
  if ((flags & kTimesAttr) == 0 || reply.body.size() < at + 8) return std::nullopt;
  return GetU32(reply.body, at + 4);
}

std::optional<std::uint8_t> TSftpWire::Type(const TSftpReply& reply) {
  if (reply.type != kAttrsReply || reply.body.size() < 4) return std::nullopt;
  const std::uint32_t flags = GetU32(reply.body, 0);
  std::size_t at = 4;
  if ((flags & kSizeAttr) != 0) at += 8;
  if ((flags & kOwnerAttr) != 0) at += 8;
  if ((flags & kModeAttr) == 0 || reply.body.size() < at + 4) return SSH_FILEXFER_TYPE_UNKNOWN;
  switch (GetU32(reply.body, at) & 0170000) {
    case 0100000:
      return SSH_FILEXFER_TYPE_REGULAR;
    case 0040000:
      return SSH_FILEXFER_TYPE_DIRECTORY;
    case 0120000:
      return SSH_FILEXFER_TYPE_SYMLINK;
    default:
      return SSH_FILEXFER_TYPE_SPECIAL;
  }
}

}  // namespace zorvik
