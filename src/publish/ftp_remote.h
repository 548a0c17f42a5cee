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

// cancel, when set, ends a request while the server has not answered one yet: the first one
// connects. Once connected, a request runs to its end.
TConnection ConnectFtp(const TDestination& destination, const TFtpLogin& login, TCancelFlag cancel,
                       std::string* err);

}  // namespace zorvik
