#include "publish/remote.h"

namespace zorvik {

bool TRemote::PutAll(TUploads& uploads, std::string* err) {
  for (std::size_t n = 0;; ++n) {
    const std::optional<TUpload> upload = uploads.Next();
    if (!upload) return true;
    if (std::string why; !Put(upload->path, upload->bytes, upload->temporary, &why)) {
      *err = "cannot send " + upload->path + ": " + why;
      return false;
    }
    uploads.Done(n);
  }
}

}  // namespace zorvik
