// A connection to the server a site is published to. Paths are relative to the destination's
// folder, "/" between folders. Each call reports a failure by returning false (or kFailed),
// with *err saying why in English.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zorvik {

enum class TFetched { kFound, kMissing, kFailed };
enum class TMade { kMade, kExists, kFailed };

// A file to send, as Put takes it.
struct TUpload {
  std::string path;
  std::string temporary;
  std::string bytes;
  bool after_the_rest = false;  // started only once every file before it is on the server
};

// What a connection sends in PutAll, handed out one file at a time.
class TUploads {
 public:
  virtual ~TUploads() = default;
  // The next file, or nothing when no more are to be started (those under way still finish).
  virtual std::optional<TUpload> Next() = 0;
  // The file that Next handed out n-th (from 0) is on the server, whole. Called in that order;
  // a file that failed is skipped.
  virtual void Done(std::size_t n) = 0;
};

// Whether a failure is a refusal: something planted on the server (a link, a file where a
// folder should be) that running again would meet again. Its sentence starts "refusing", also
// within "cannot send PATH: refusing …".
inline bool IsRefusal(std::string_view why) {
  return why.starts_with("refusing") || why.find(": refusing") != std::string_view::npos;
}

class TRemote {
 public:
  virtual ~TRemote() = default;

  virtual TFetched Fetch(const std::string& path, std::string& bytes, std::string* err) = 0;
  // Writes bytes to temporary (in the folder of path, made where missing), then renames it over
  // path, so that whoever reads path meanwhile gets the old file or the new one, whole.
  virtual bool Put(const std::string& path, std::string_view bytes, const std::string& temporary,
                   std::string* err) = 0;
  // Puts every file that uploads hands out; a connection that can has several under way at
  // once. Stops taking new files at the first failure, and fails once those under way ended.
  virtual bool PutAll(TUploads& uploads, std::string* err);
  // Removes path; a file already gone is no failure.
  virtual bool Remove(const std::string& path, std::string* err) = 0;
  // Makes the folder path (in the destination's own folder) new: kExists when something is
  // there already, whoever made it.
  virtual TMade MakeFolderNew(const std::string& path, std::string* err) = 0;
  // Removes the empty folder path; one already gone is no failure.
  virtual bool RemoveFolder(const std::string& path, std::string* err) = 0;
};

}  // namespace zorvik
