#include "publish/connection.h"

namespace zorvik {

TConnection ConnectRemote(const TDestination& destination, const std::string& home,
                          const THostKeyCheck& check, const TFtpLogin& login, TCancelFlag cancel,
                          std::string* err) {
  return destination.protocol == TProtocol::kSftp
             ? ConnectSftp(destination, home, check, cancel, err)
             : ConnectFtp(destination, login, cancel, err);
}

}  // namespace zorvik
