#include "publish/ftp_remote.h"

#include <curl/curl.h>

#include <cctype>
#include <cstring>
#include <set>

#include "site/site_urls.h"

namespace zorvik {
namespace {

constexpr std::size_t kMaxFetched = 64u << 20;

// path with every byte but unreserved ones and "/" written %XX, as FTP addresses take it.
std::string UrlPath(std::string_view path) { return UrlPathForFile("", path)->substr(1); }

struct TReadPosition {
  std::string_view bytes;
  std::size_t done = 0;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* data) {
  auto* upload = static_cast<TReadPosition*>(data);
  const std::size_t n = std::min(size * count, upload->bytes.size() - upload->done);
  std::memcpy(buffer, upload->bytes.data() + upload->done, n);
  upload->done += n;
  return n;
}

std::size_t KeepReplies(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
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

// A request is given up on a cancel only until the server has answered one: before, it may
// wait on a server that never answers; after, it runs to its end.
struct TGiveUp {
  TCancelFlag cancel = nullptr;
  bool answered = false;
};

int GiveUpUnanswered(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* give_up = static_cast<const TGiveUp*>(data);
  return give_up->cancel != nullptr && !give_up->answered && *give_up->cancel ? 1 : 0;
}

class TFtpRemote : public TRemote {
 public:
  TFtpRemote(CURL* curl, std::string server, std::string base, std::string folder,
             TCancelFlag cancel)
      : curl_(curl),
        server_(std::move(server)),
        base_(std::move(base)),
        folder_(std::move(folder)),
        give_up_{cancel} {
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, GiveUpUnanswered);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, &give_up_);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
  }
  ~TFtpRemote() override { curl_easy_cleanup(curl_); }
  TFtpRemote(const TFtpRemote&) = delete;
  TFtpRemote& operator=(const TFtpRemote&) = delete;

  TFetched Fetch(const std::string& path, std::string& bytes, std::string* err) override {
    bytes.clear();
    Reset(path);
    // Straight to the file: a folder not made yet is then a missing file, not a failed CWD.
    curl_easy_setopt(curl_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, WriteFetched);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &bytes);
    const CURLcode code = Perform();
    if (code == CURLE_OK) return TFetched::kFound;
    if (code == CURLE_REMOTE_FILE_NOT_FOUND) return TFetched::kMissing;
    Failed(code, err);
    return TFetched::kFailed;
  }

  bool Put(const std::string& path, std::string_view bytes, const std::string& temporary,
           std::string* err) override {
    if (!SafeName(path, err) || !SafeName(temporary, err) || !FoldersAreFolders(path, err)) {
      return false;
    }
    const TType at_path = TypeAt(path);
    if (at_path == TType::kFolder || at_path == TType::kOther) {
      *err = "refusing to write " + path + ": the server holds " +
             (at_path == TType::kOther ? "a link" : "a folder") + " there";
      return false;
    }
    Reset(temporary);
    TReadPosition upload{bytes};
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl_, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(curl_, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
    curl_easy_setopt(curl_, CURLOPT_FTP_CREATE_MISSING_DIRS,
                     static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
    // Whatever lies at the temporary name (a leftover, or a link someone planted) goes first,
    // so that the upload makes a new file. The server then stands in the file's folder: the
    // commands take bare names.
    TCurlList leftover;
    leftover.Add("*DELE " + Name(temporary));
    curl_easy_setopt(curl_, CURLOPT_PREQUOTE, leftover.get());
    TCurlList rename;
    rename.Add("RNFR " + Name(temporary));
    rename.Add("RNTO " + Name(path));
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, rename.get());
    const CURLcode code = Perform();
    curl_easy_setopt(curl_, CURLOPT_PREQUOTE, nullptr);
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, nullptr);
    // Folders looked at again once the file is in place: one swapped for a link meanwhile (FTP
    // has no way to tell where a file went) stops the run before it is recorded sent.
    if (code == CURLE_OK) return FoldersAreFolders(path, err);
    Failed(code, err);
    std::string ignored;
    Remove(temporary, &ignored);  // the partial upload, where the connection still allows
    return false;
  }

  bool Remove(const std::string& path, std::string* err) override {
    if (!SafeName(path, err) || !FoldersAreFolders(path, err)) return false;
    Reset(path.substr(0, path.rfind('/') + 1));
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    TCurlList remove;
    remove.Add("DELE " + Name(path));
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, remove.get());
    const CURLcode code = Perform();
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, nullptr);
    long response = 0;
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &response);
    // 550: the file is not there (any more).
    return code == CURLE_OK || (code == CURLE_QUOTE_ERROR && response == 550) || Failed(code, err);
  }

  TMade MakeFolderNew(const std::string& path, std::string* err) override {
    if (!SafeName(path, err)) return TMade::kFailed;
    // In the destination's folder, made where missing (the first publish to it).
    Reset("");
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl_, CURLOPT_FTP_CREATE_MISSING_DIRS,
                     static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
    TCurlList make;
    make.Add("MKD " + path);
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, make.get());
    const CURLcode code = Perform();
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, nullptr);
    if (code == CURLE_OK) return TMade::kMade;
    if (code == CURLE_QUOTE_ERROR && TypeAt(path) != TType::kMissing) return TMade::kExists;
    Failed(code, err);
    return TMade::kFailed;
  }

  bool RemoveFolder(const std::string& path, std::string* err) override {
    if (!SafeName(path, err)) return false;
    Reset("");
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    TCurlList remove;
    remove.Add("RMD " + path);
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, remove.get());
    const CURLcode code = Perform();
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, nullptr);
    return code == CURLE_OK || (code == CURLE_QUOTE_ERROR && TypeAt(path) == TType::kMissing) ||
           Failed(code, err);
  }

 private:
  static std::string Name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

  CURLcode Perform() {
    const CURLcode code = curl_easy_perform(curl_);
    long response = 0;
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &response);
    if (response > 0) give_up_.answered = true;
    return code;
  }

  // A line end in a name would end the FTP command and start another.
  static bool SafeName(const std::string& path, std::string* err) {
    if (path.find_first_of("\r\n") == std::string::npos) return true;
    *err = "the name holds a line end, which FTP cannot send: " + path;
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

  static bool Failed(CURLcode code, std::string* err) {
    *err = curl_easy_strerror(code);
    return false;
  }

  enum class TType { kMissing, kFile, kFolder, kOther, kUnknown };

  // What lies at path below the destination, as the server's MLST tells it without following
  // a link; kUnknown from a server without MLST.
  TType TypeAt(const std::string& path) {
    curl_easy_setopt(curl_, CURLOPT_URL, server_.c_str());  // no folder to go to first
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    // Asked before the server goes to a folder, from wherever the last command left it: an
    // absolute path, the login folder's where the destination lies below it.
    if (!folder_.starts_with('/')) {
      const char* login = nullptr;
      if (Perform() != CURLE_OK ||
          curl_easy_getinfo(curl_, CURLINFO_FTP_ENTRY_PATH, &login) != CURLE_OK ||
          login == nullptr) {
        return TType::kUnknown;
      }
      folder_.insert(0,
                     std::string(login).append(std::string_view(login).ends_with('/') ? "" : "/"));
    }
    TCurlList ask;
    ask.Add("*MLST " + folder_ + path);
    curl_easy_setopt(curl_, CURLOPT_QUOTE, ask.get());
    std::string replies;
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, KeepReplies);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &replies);
    const CURLcode code = Perform();
    curl_easy_setopt(curl_, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, nullptr);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, nullptr);
    if (code != CURLE_OK) return TType::kUnknown;
    // " type=dir;size=…; /path" between "250-" and "250 ", or a 550 for a missing path.
    const std::size_t type = replies.find(" type=");
    if (type == std::string::npos) {
      return replies.find("\n550") != std::string::npos || replies.starts_with("550")
                 ? TType::kMissing
                 : TType::kUnknown;
    }
    std::string value = replies.substr(type + 6, replies.find(';', type) - type - 6);
    for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (value == "file") return TType::kFile;
    if (value == "dir" || value == "cdir" || value == "pdir") return TType::kFolder;
    return TType::kOther;
  }

  // The folders of path below the destination are folders, each asked again for every file:
  // a link among them (one swapped in during the run too) would take a write or a removal
  // outside the destination.
  bool FoldersAreFolders(const std::string& path, std::string* err) {
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      const std::string folder = path.substr(0, slash);
      const TType type = TypeAt(folder);
      if (type == TType::kMissing) return true;  // made by the upload, nothing below it yet
      if (type == TType::kFile || type == TType::kOther) {
        *err = "refusing to go through " + folder + ": the server holds " +
               (type == TType::kOther ? "a link" : "a file") + " where a folder should be";
        return false;
      }
    }
    return true;
  }

  CURL* curl_;
  std::string server_;  // "ftp://host:port/"
  std::string base_;    // and the destination's folder, URL-encoded
  std::string folder_;  // the destination's folder as the server names it, from the login folder
  TGiveUp give_up_;
};

}  // namespace

TConnection ConnectFtp(const TDestination& destination, const TFtpLogin& login, TCancelFlag cancel,
                       std::string* err) {
  TConnection result;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    *err = "cannot start libcurl";
    return result;
  }
  std::string server = "ftp://" + destination.host;
  if (destination.port != 0) server += ":" + std::to_string(destination.port);
  server += "/";
  // An absolute folder starts with %2F: FTP addresses are otherwise under the login folder.
  std::string base =
      server + (destination.folder.starts_with('/') ? "%2F" + UrlPath(destination.folder.substr(1))
                                                    : UrlPath(destination.folder));
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
  result.remote = std::make_unique<TFtpRemote>(curl, std::move(server), std::move(base),
                                               destination.folder, cancel);
  return result;
}

}  // namespace zorvik
