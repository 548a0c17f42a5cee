#include "publish/ftp_remote.h"

#include <curl/curl.h>

#include <cctype>
#include <cstring>

#include "serve/site_urls.h"

namespace zorvik {
namespace {

constexpr std::size_t kMaxFetched = 64u << 20;

// path with every byte but unreserved ones and "/" written %XX, as FTP addresses take it.
std::string UrlPath(std::string_view path) { return UrlPathForFile("", path)->substr(1); }

struct TUpload {
  std::string_view bytes;
  std::size_t done = 0;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* data) {
  auto* upload = static_cast<TUpload*>(data);
  const std::size_t n = std::min(size * count, upload->bytes.size() - upload->done);
  std::memcpy(buffer, upload->bytes.data() + upload->done, n);
  upload->done += n;
  return n;
}

std::size_t WriteFetched(char* data, std::size_t size, std::size_t count, void* out) {
  auto* bytes = static_cast<std::string*>(out);
  if (bytes->size() + size * count > kMaxFetched) return 0;
  bytes->append(data, size * count);
  return size * count;
}

class TCurlList {
 public:
  TCurlList() = default;
  ~TCurlList() { curl_slist_free_all(list_); }
  TCurlList(const TCurlList&) = delete;
  TCurlList& operator=(const TCurlList&) = delete;
  void Add(const std::string& line) { list_ = curl_slist_append(list_, line.c_str()); }
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

class TFtpRemote : public TRemote {
 public:
  TFtpRemote(CURL* curl, std::string base) : curl_(curl), base_(std::move(base)) {}
  ~TFtpRemote() override { curl_easy_cleanup(curl_); }
  TFtpRemote(const TFtpRemote&) = delete;
  TFtpRemote& operator=(const TFtpRemote&) = delete;

  TFetched Fetch(const std::string& path, std::string& bytes) override {
    bytes.clear();
    Reset(path);
    // Straight to the file: a folder not made yet is then a missing file, not a failed CWD.
    curl_easy_setopt(curl_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, WriteFetched);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &bytes);
    const CURLcode code = curl_easy_perform(curl_);
    if (code == CURLE_OK) return TFetched::kFound;
    if (code == CURLE_REMOTE_FILE_NOT_FOUND) return TFetched::kMissing;
    Failed(code);
    return TFetched::kFailed;
  }

  bool Put(const std::string& path, std::string_view bytes, const std::string& temporary) override {
    if (!SafeName(path) || !SafeName(temporary)) return false;
    Reset(temporary);
    TUpload upload{bytes};
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl_, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(curl_, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
    curl_easy_setopt(curl_, CURLOPT_FTP_CREATE_MISSING_DIRS,
                     static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
    // After the upload the server stands in the file's folder: the rename takes bare names.
    TCurlList rename;
    rename.Add("RNFR " + Name(temporary));
    rename.Add("RNTO " + Name(path));
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, rename.get());
    const CURLcode code = curl_easy_perform(curl_);
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, nullptr);
    return code == CURLE_OK || Failed(code);
  }

  bool Remove(const std::string& path) override {
    if (!SafeName(path)) return false;
    Reset(path.substr(0, path.rfind('/') + 1));
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    TCurlList remove;
    remove.Add("DELE " + Name(path));
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, remove.get());
    const CURLcode code = curl_easy_perform(curl_);
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, nullptr);
    long response = 0;
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &response);
    // 550: the file is not there (any more).
    return code == CURLE_OK || (code == CURLE_QUOTE_ERROR && response == 550) || Failed(code);
  }

 private:
  static std::string Name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

  // A line end in a name would end the FTP command and start another.
  bool SafeName(const std::string& path) {
    if (path.find_first_of("\r\n") == std::string::npos) return true;
    error_ = "the name holds a line end, which FTP cannot send: " + path;
    return false;
  }

  void Reset(const std::string& path) {
    curl_easy_setopt(curl_, CURLOPT_URL, (base_ + UrlPath(path)).c_str());
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(curl_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_MULTICWD));
    curl_easy_setopt(curl_, CURLOPT_FTP_CREATE_MISSING_DIRS,
                     static_cast<long>(CURLFTP_CREATE_DIR_NONE));
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, nullptr);
  }

  bool Failed(CURLcode code) {
    error_ = curl_easy_strerror(code);
    return false;
  }

  CURL* curl_;
  std::string base_;  // "ftp://host:port/" and the destination's folder, URL-encoded
};

}  // namespace

TConnection ConnectFtp(const TDestination& destination, const TFtpLogin& login) {
  TConnection result;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    result.error = "cannot start libcurl";
    return result;
  }
  std::string base = "ftp://" + destination.host;
  if (destination.port != 0) base += ":" + std::to_string(destination.port);
  // An absolute folder starts with %2F: FTP addresses are otherwise under the login folder.
  base += destination.folder.starts_with('/') ? "/%2F" + UrlPath(destination.folder.substr(1))
                                              : "/" + UrlPath(destination.folder);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERNAME, login.user.c_str());
  curl_easy_setopt(curl, CURLOPT_PASSWORD, login.password.c_str());
  curl_easy_setopt(curl, CURLOPT_USE_SSL,
                   static_cast<long>(destination.protocol == TProtocol::kFtp ? CURLUSESSL_NONE
                                                                             : CURLUSESSL_ALL));
  if (!login.ca_file.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, login.ca_file.c_str());
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 20L);
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, 30L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 30L);
  result.remote = std::make_unique<TFtpRemote>(curl, std::move(base));
  return result;
}

}  // namespace zorvik
