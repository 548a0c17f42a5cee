// Writing the thousands of files of a batch so that a power cut at any moment leaves each one
// either old or new, whole, at the cost of one sync a window of files rather than one a file:
// a window's new files are written beside their targets, put on disk together with one sync of
// each file system they are on, and only then renamed into place.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/atomic_file.h"
#include "text/file_releaser.h"

namespace zorvik {

class TBatchWriter {
 public:
  // A window is flushed once it holds this many files or bytes.
  static constexpr std::size_t kWindowFiles = 1024;
  static constexpr std::size_t kWindowBytes = 64u << 20;

  TBatchWriter() = default;
  TBatchWriter(const TBatchWriter&) = delete;
  TBatchWriter& operator=(const TBatchWriter&) = delete;
  ~TBatchWriter();  // what is still pending is put in place, durably

  // Writes bytes in path's place (a link followed) as part of the current window; false when
  // the new file could not even be written beside its target.
  bool Write(const std::string& path, std::string_view bytes);

  bool HasPending() const { return !window_.empty(); }
  // How many times files were put in place: what was read before may have changed since.
  std::size_t Flushes() const { return flushes_; }
  // Whether the file with this identity is about to be replaced: a reader must flush first.
  bool Replaces(dev_t device, ino_t inode) const { return replaced_.count({device, inode}) > 0; }

  // Makes the window's files durable and puts them in place. On a failure the files of the
  // window keep their old contents, and Finish reports it.
  void Flush();
  // Flushes, then makes the renames themselves durable; false when anything written since the
  // last Finish did not reach its place.
  bool Finish();

 private:
  struct TFolder {
    dev_t device = 0;
    bool release_later = true;  // freeing a replaced file waits for the device
    TStagingFolder staging;     // the folder, open, for files to be written by name in it
  };
  TFolder& FolderOf(const std::string& target);

  std::vector<TStagedFile> window_;
  std::size_t window_bytes_ = 0;
  std::set<std::pair<dev_t, ino_t>> replaced_;  // the window's targets as they stand now
  std::set<dev_t> window_devices_;              // file systems the window's files are on
  std::map<std::string, TFolder> folders_;      // folders written to since the last Finish,
                                                // open until then
  TFolder* last_folder_ = nullptr;              // the one FolderOf found last, and its name
  std::string last_folder_name_;
  std::map<dev_t, std::string> devices_;  // their file systems, with a folder on each
  TFileReleaser releaser_;                // the files that renames replaced
  bool failed_ = false;
  std::size_t flushes_ = 0;
};

}  // namespace zorvik
