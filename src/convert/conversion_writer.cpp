#include "convert/conversion_writer.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <set>

#include "text/atomic_file.h"
#include "text/sha256.h"
#include "text/system_reason.h"
#include "text/text_file.h"

namespace zorvik {
namespace {

const char* const kChanged = kChangedSinceRead;

// The same file as read, by its identity: the same inode, size and modification time.
bool SameIdentity(const TConvertedFile& file) {
  struct stat st {};
  if (::stat(file.path.c_str(), &st) != 0) return false;
  const TFileIdentity now = IdentityOf(st);
  return now.device == file.read.device && now.inode == file.read.inode &&
         now.size == file.read.size && now.modified_ns == file.read.modified_ns;
}

// The same file and the same bytes: a save within the clock's resolution keeps the time.
bool Unchanged(const TConvertedFile& file) {
  if (!SameIdentity(file)) return false;
  TFileIdentity identity;
  const std::optional<std::string> now = ReadFileBytes(file.path, identity);
  return now && Sha256Hex(*now) == file.original_digest;
}

void DiscardAll(const std::vector<TStagedFile>& staged) {
  for (const TStagedFile& file : staged) DiscardStagedFile(file);
}

}  // namespace

TConversionWrite WriteConvertedFiles(const std::vector<TConvertedFile>& changes) {
  TConversionWrite result;
  // What a run killed while it wrote left beside the files: its staged copies.
  std::set<std::string> folders;
  for (const TConvertedFile& file : changes)
    folders.insert(file.path.substr(0, file.path.rfind('/') + 1));
  for (const std::string& folder : folders) RemoveLeftoverStagedFiles(folder);
  std::vector<TStagedFile> staged;
  staged.reserve(changes.size());
  for (const TConvertedFile& file : changes) {
    std::string why;
    const std::optional<std::string> bytes = ConvertAgain(file, &why);
    if (!bytes) {
      result.problems.push_back({file.path, 0, why});
      DiscardAll(staged);
      return result;
    }
    errno = 0;
    std::optional<TStagedFile> one = StageFile(file.path, *bytes);
    if (!one) {
      const int error = errno;
      result.problems.push_back({file.path, 0,
                                 std::string("cannot be written: ") +
                                     (error != 0 ? SystemReason(error) : "unknown reason")});
      DiscardAll(staged);
      return result;
    }
    staged.push_back(std::move(*one));
  }
  for (const TConvertedFile& file : changes) {
    if (!Unchanged(file)) result.problems.push_back({file.path, 0, kChanged});
  }
  if (!result.problems.empty()) {
    DiscardAll(staged);
    return result;
  }
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (!SameIdentity(changes[i])) {
      result.problems.push_back({changes[i].path, 0, kChanged});
      DiscardStagedFile(staged[i]);
      continue;
    }
    errno = 0;
    if (!CommitStagedFile(staged[i])) {
      const int error = errno;
      result.problems.push_back({changes[i].path, 0,
                                 std::string("cannot be replaced: ") +
                                     (error != 0 ? SystemReason(error) : "unknown reason")});
      continue;
    }
    result.written.push_back(changes[i].path);
  }
  return result;
}

}  // namespace zorvik
