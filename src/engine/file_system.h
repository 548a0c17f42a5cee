// What the engine needs of the file system, behind an interface so that most tests run in
// memory. Paths are the bytes the page sources write (Shift-JIS or UTF-8).
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "text/batch_writer.h"
#include "text/text_file.h"

namespace zorvik {

class TFileSystem {
 public:
  virtual ~TFileSystem() = default;
  // A regular file (not a folder) stands at path.
  virtual bool FileExists(std::string_view path) const = 0;
  virtual bool FolderExists(std::string_view path) const = 0;
  // Creates the folder and its missing parents; false when that failed.
  virtual bool CreateFolders(std::string_view path) = 0;
  // LoadTextFile / SaveTextFile semantics.
  virtual std::string LoadText(std::string_view path) const = 0;
  virtual bool SaveText(std::string_view path, std::string_view text) = 0;
  // Whether the file at path holds exactly what SaveText would write for text.
  virtual bool Holds(std::string_view path, std::string_view text) const;
  // From now on saved files are put on disk in windows of many files, each file durable before
  // it replaces the old one, and need not be in place before SaveText returns...
  virtual void DeferSyncing() {}
  // ...until this call, which puts every file saved since in place and on disk and ends the
  // deferral; false when any of them failed. Reads see the files saved before them throughout.
  virtual bool SyncDeferred() { return true; }
};

class TDiskFileSystem : public TFileSystem {
 public:
  TDiskFileSystem() = default;
  TDiskFileSystem(const TDiskFileSystem&) = delete;
  TDiskFileSystem& operator=(const TDiskFileSystem&) = delete;
  ~TDiskFileSystem() override { CloseReadFolders(); }

  // Told of every file read whose text a NUL byte cut short (path, file offset of the NUL).
  std::function<void(std::string_view, std::size_t)> on_nul;

 private:
  bool deferred_ = false;
  mutable TBatchWriter writer_;  // the files saved while syncing is deferred
  // While syncing is deferred (a batch), what was read of each file: the text of one read a
  // second time (a template, an import) is kept, and given again for as long as the file's
  // identity stays the same; and the folders known to stand. A kept file is looked at again
  // (its identity, one look-up) after kReadsBetweenLooks reads and whenever the batch's files
  // were put in place; in between, the batch takes it as it was.
  struct TKnownFile {
    TFileIdentity identity;
    std::optional<std::string> text;
    std::size_t nul = std::string::npos;
    int reads_unlooked = 0;
    std::size_t flushes = 0;  // the writer's, when it was last looked at
  };
  static constexpr int kReadsBetweenLooks = 64;
  TKnownFile* Known(std::string_view path) const;  // while syncing is deferred, else nothing
  bool Fresh(const TKnownFile& known) const;
  void Looked(TKnownFile& known, const TFileIdentity& now) const;
  // Keeps what was read when it is a second read (known: the file as kept before, if it was).
  void Remember(std::string_view path, const TFileIdentity& read, const std::string& text,
                std::size_t nul, TKnownFile* known) const;
  // The files kept, and the last files read once (most are page sources, read only once): one
  // of those read again is kept.
  // (Looked up by the path as given, without a copy of it.)
  struct TPathHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view path) const noexcept {
      return std::hash<std::string_view>{}(path);
    }
  };
  mutable std::unordered_map<std::string, TKnownFile, TPathHash, std::equal_to<>> known_files_;
  struct TReadOnce {
    std::string path;
    TFileIdentity identity;
  };
  mutable std::array<TReadOnce, 16> read_once_;
  mutable std::size_t read_once_next_ = 0;
  mutable std::unordered_set<std::string, TPathHash, std::equal_to<>> known_folders_;
  // The folders files were read from, open (a few), so that a read looks up the name alone.
  mutable std::unordered_map<std::string, int> read_folders_;
  static constexpr std::size_t kMaxReadFolders = 64;
  // The file at path (a file system path) as a folder open and a name in it; AT_FDCWD and
  // the whole path when syncing is not deferred, or too many folders are open.
  std::pair<int, std::string_view> InReadFolder(std::string_view path) const;
  void CloseReadFolders() const;
  static constexpr std::size_t kMaxKeptBytes = 1u << 20;  // a file's, to be kept

  bool FileExists(std::string_view path) const override;
  bool FolderExists(std::string_view path) const override;
  bool CreateFolders(std::string_view path) override;
  std::string LoadText(std::string_view path) const override;
  bool SaveText(std::string_view path, std::string_view text) override;
  bool Holds(std::string_view path, std::string_view text) const override;
  void DeferSyncing() override;
  bool SyncDeferred() override;
};

// A page source as an editor pane hands it over: the file's lines joined by CR LF, with no line
// end after the last one. Nothing when the file cannot be read.
std::optional<std::string> LoadPageSourceText(const TFileSystem& files, std::string_view path);

}  // namespace zorvik
