// A connection to the server a site is published to. Paths are relative to the destination's
// folder, "/" between folders. Each call reports a failure by returning false (or kFailed),
// with *err saying why in English.
#pragma once

#include <string>
#include <string_view>

namespace zorvik {

enum class TFetched { kFound, kMissing, kFailed };

class TRemote {
 public:
  virtual ~TRemote() = default;

  virtual TFetched Fetch(const std::string& path, std::string& bytes, std::string* err) = 0;
  // Writes bytes to temporary (in the folder of path, made where missing), then renames it over
  // path, so that whoever reads path meanwhile gets the old file or the new one, whole.
  virtual bool Put(const std::string& path, std::string_view bytes, const std::string& temporary,
                   std::string* err) = 0;
  // Removes path; a file already gone is no failure.
  virtual bool Remove(const std::string& path, std::string* err) = 0;
};

}  // namespace zorvik
