#include "publish/connection.h"

namespace zorvik {

TConnection ConnectRemote(const TDestination& destination, const std::string& home,
                          const THostKeyCheck& check, const TFtpLogin& login, std::string* err) {
  return destination.protocol == TProtocol::kSftp ? ConnectSftp(destination, home, check, err)
                                                  : ConnectFtp(destination, login, err);
}

}  // namespace zorvik
