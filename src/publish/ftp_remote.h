// Publishing over FTP with explicit TLS (FTPS), or plain FTP when the user insists (Debian's
// libcurl). The password is handed to libcurl in memory only.
#pragma once

#include <string>

#include "publish/destination.h"
#include "publish/sftp_remote.h"

namespace zorvik {

struct TFtpLogin {
  std::string user;
  std::string password;
  std::string ca_file;  // certificates to trust besides the system's; may be empty
};

TConnection ConnectFtp(const TDestination& destination, const TFtpLogin& login, std::string* err);

}  // namespace zorvik
