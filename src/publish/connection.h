// A connection to the destination by its protocol: SFTP with the user's keys, FTPS (or plain
// FTP) with the login given.
#pragma once

#include <string>

#include "publish/ftp_remote.h"
#include "publish/sftp_remote.h"

namespace zorvik {

// No remote in the result when the connection failed: *err says why.
TConnection ConnectRemote(const TDestination& destination, const std::string& home,
                          const THostKeyCheck& check, const TFtpLogin& login, TCancelFlag cancel,
                          std::string* err);

}  // namespace zorvik
