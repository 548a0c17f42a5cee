#include "text/batch_writer.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>

namespace zorvik {

TBatchWriter::~TBatchWriter() { Finish(); }

TBatchWriter::TFolder& TBatchWriter::FolderOf(const std::string& target) {
  // The files of a batch mostly share a folder: the last one found is compared first.
  const std::size_t cut = target.rfind('/') + 1;
  if (last_folder_ != nullptr && cut > 0 && last_folder_name_.size() == cut &&
      target.compare(0, cut, last_folder_name_) == 0) {
    return *last_folder_;
  }
  std::string folder = target.substr(0, cut);
  if (folder.empty()) folder = "./";
  last_folder_name_ = folder;
  const auto known = folders_.find(folder);
  if (known != folders_.end()) return *(last_folder_ = &known->second);
  // One look-up per output folder, not per file.
  TFolder info;
  info.staging.euid = ::geteuid();
  info.staging.egid = ::getegid();
  struct stat st {};
  const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0 && ::fstat(fd, &st) == 0) {
    info.staging.fd = fd;
    info.device = st.st_dev;
    devices_.emplace(st.st_dev, folder);
  } else if (fd >= 0) {
    ::close(fd);
  }
  // A file system in memory frees a replaced file at once: handing it over would only cost.
  struct statfs fs {};
  info.release_later = !(::statfs(folder.c_str(), &fs) == 0 &&
                         (fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC));
  return *(last_folder_ = &folders_.emplace(folder, info).first->second);
}

bool TBatchWriter::Write(const std::string& path, std::string_view bytes) {
  std::optional<TStagedFile> staged =
      StageFile(path, bytes, TLinkPolicy::kFollow, false, &FolderOf(path).staging);
  if (!staged) return false;
  window_devices_.insert(FolderOf(staged->target).device);
  if (staged->replaces) replaced_.insert({staged->old_device, staged->old_inode});
  window_.push_back(std::move(*staged));
  window_bytes_ += bytes.size();
  if (window_.size() >= kWindowFiles || window_bytes_ >= kWindowBytes) Flush();
  return true;
}

void TBatchWriter::Flush() {
  if (window_.empty()) return;
  ++flushes_;
  // The new files reach the disk before any of them takes an old one's place.
  bool synced = true;
  for (const dev_t device : window_devices_) {
    const auto folder = devices_.find(device);
    synced = folder != devices_.end() && SyncFileSystemOf(folder->second) && synced;
  }
  for (const TStagedFile& staged : window_) {
    if (!synced) {
      DiscardStagedFile(staged);
      continue;
    }
    const bool release_later = FolderOf(staged.target).release_later;
    if (!CommitStagedFile(staged, release_later ? &releaser_ : nullptr)) failed_ = true;
  }
  failed_ = failed_ || !synced;
  window_.clear();
  window_bytes_ = 0;
  replaced_.clear();
  window_devices_.clear();
}

bool TBatchWriter::Finish() {
  Flush();
  releaser_.Drain();
  bool ok = !failed_;
  for (const auto& [device, folder] : devices_) ok = SyncFileSystemOf(folder) && ok;
  for (const auto& [name, folder] : folders_) {
    if (folder.staging.fd != AT_FDCWD) ::close(folder.staging.fd);
  }
  folders_.clear();
  last_folder_ = nullptr;
  devices_.clear();
  failed_ = false;
  return ok;
}

}  // namespace zorvik
