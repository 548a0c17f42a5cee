#include "publish/manifest_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "publish/publish_run.h"
#include "site/site_files.h"
#include "text/atomic_file.h"
#include "text/file_names.h"
#include "text/path_look.h"
#include "text/sha256.h"

namespace zorvik {
namespace {

std::string NotZorviks() {
  return "the server's " + std::string(kManifestName) +
         " is not one that Zorvik wrote; remove it to send every file again";
}

// The parts handed to PutAll.
class TPartUploads : public TUploads {
 public:
  explicit TPartUploads(std::vector<const std::pair<std::string, std::string>*> parts)
      : parts_(std::move(parts)) {}
  std::optional<TUpload> Next() override {
    if (next_ == parts_.size()) return std::nullopt;
    const auto& [hash, text] = *parts_[next_++];
    const std::string path = ManifestPartPath(hash);
    return TUpload{path, UploadName(path), text};
  }
  void Done(std::size_t /*n*/) override {}

 private:
  std::vector<const std::pair<std::string, std::string>*> parts_;
  std::size_t next_ = 0;
};

}  // namespace

std::string ManifestCacheFolder(const TDestination& destination) {
  const std::string folder = UserCacheFolder();
  if (folder.empty()) return "";
  return folder + "zorvik/publish/" + Sha256Hex(DestinationUrl(destination)).substr(0, 32) + "/";
}

TFetched TManifestStore::Read(TManifest& manifest, std::string* err) {
  listed_.clear();
  std::string text;
  std::string why;
  switch (remote_.Fetch(std::string(kManifestName), text, &why)) {
    case TFetched::kFailed:
      *err = "cannot read " + std::string(kManifestName) + " on the server: " + why;
      return TFetched::kFailed;
    case TFetched::kMissing:
      return TFetched::kMissing;
    case TFetched::kFound:
      break;
  }
  if (std::optional<TManifest> whole = ParseManifest(text)) {
    manifest = std::move(*whole);
    return TFetched::kFound;
  }
  const std::optional<std::vector<std::string>> parts = ParseManifestIndex(text);
  if (!parts) {
    *err = NotZorviks();
    return TFetched::kFailed;
  }
  manifest.clear();
  for (const std::string& hash : *parts) {
    std::optional<std::string> part = CachedPart(hash);
    if (!part) {
      part.emplace();
      const TFetched fetched = remote_.Fetch(ManifestPartPath(hash), *part, &why);
      if (fetched == TFetched::kFailed) {
        *err = "cannot read " + ManifestPartPath(hash) + " on the server: " + why;
        return TFetched::kFailed;
      }
      // A part another run took away (two publishes at once): its files are not known to be
      // on the server, so they are sent again, and never removed. Not a reason to refuse.
      if (fetched == TFetched::kMissing) continue;
      if (Sha256Hex(*part) != hash) {
        *err = NotZorviks();
        return TFetched::kFailed;
      }
      KeepPart(hash, *part);
    }
    std::optional<TManifest> entries = ParseManifest(*part);
    if (!entries) {
      *err = NotZorviks();
      return TFetched::kFailed;
    }
    for (auto& entry : *entries) {
      if (!manifest.insert(std::move(entry)).second) {
        *err = NotZorviks();
        return TFetched::kFailed;
      }
    }
    listed_.insert(hash);
  }
  return TFetched::kFound;
}

bool TManifestStore::Write(const TManifest& manifest, bool whole, std::string* err) {
  const TManifestTexts texts =
      whole ? TManifestTexts{ManifestText(manifest), {}} : SplitManifest(manifest);
  std::set<std::string> listed;
  std::vector<const std::pair<std::string, std::string>*> missing;
  for (const auto& part : texts.parts) {
    listed.insert(part.first);
    if (!listed_.contains(part.first)) missing.push_back(&part);
  }
  TPartUploads uploads(missing);
  if (!remote_.PutAll(uploads, err)) return false;
  for (const auto* part : missing) KeepPart(part->first, part->second);
  const std::string name(kManifestName);
  if (std::string why; !remote_.Put(name, texts.index, UploadName(name), &why)) {
    *err = "cannot write " + name + ": " + why;
    return false;
  }
  // A part left behind by a failed removal is listed nowhere: it only takes room.
  for (const std::string& hash : listed_) {
    if (listed.contains(hash)) continue;
    std::string ignored;
    remote_.Remove(ManifestPartPath(hash), &ignored);
  }
  listed_ = std::move(listed);
  DropUnlistedCopies();
  return true;
}

namespace {

// The cache folder is used only where it is a folder of this user's, not a link planted in its
// place: its files are read, removed and made private.
bool IsOwnFolder(const std::string& folder) {
  struct stat st {};
  const std::string path = folder.ends_with('/') ? folder.substr(0, folder.size() - 1) : folder;
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

}  // namespace

std::optional<std::string> TManifestStore::CachedPart(const std::string& hash) const {
  if (cache_.empty() || !IsOwnFolder(cache_)) return std::nullopt;
  // Taken only when it is what its name says: a copy damaged or planted is fetched again.
  std::optional<std::string> text = ReadSiteFileBytes(cache_ + hash + ".json");
  if (!text || Sha256Hex(*text) != hash) return std::nullopt;
  return text;
}

// The copies follow the server: what it no longer lists goes (another machine's runs too).
void TManifestStore::DropUnlistedCopies() const {
  if (cache_.empty() || !IsOwnFolder(cache_)) return;
  std::vector<std::string> files;
  if (std::string unread; !ListFolder(cache_, false, &files, &unread)) return;
  for (const std::string& file : files) {
    if (!file.ends_with(".json") || !listed_.contains(file.substr(0, file.size() - 5))) {
      ::unlink((cache_ + file).c_str());
    }
  }
}

void TManifestStore::KeepPart(const std::string& hash, const std::string& text) const {
  if (cache_.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(cache_, ignored);
  if (!IsOwnFolder(cache_)) return;
  ::chmod(cache_.c_str(), 0700);
  WriteFileAtomically(cache_ + hash + ".json", text, TLinkPolicy::kReplace);
}

}  // namespace zorvik
