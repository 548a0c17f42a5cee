#include "publish/secrets.h"

#include <sys/prctl.h>

#include <cstring>

namespace zorvik {

void KeepSecretsOutOfDumps() { ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }

void ForgetSecret(std::string& secret) {
  ::explicit_bzero(secret.data(), secret.capacity());
  secret.clear();
}

}  // namespace zorvik
