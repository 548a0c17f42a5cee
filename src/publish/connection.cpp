#include "publish/connection.h"

namespace zorvik {

TConnection ConnectRemote(const TDestination& destination, const std::string& home,
                          const THostKeyCheck& check, const TFtpLogin& login) {
  return destination.protocol == TProtocol::kSftp ? ConnectSftp(destination, home, check)
                                                  : ConnectFtp(destination, login);
}

}  // namespace zorvik
