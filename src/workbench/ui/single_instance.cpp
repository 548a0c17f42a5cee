#include "workbench/ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <cstdio>

namespace zorvik {
namespace {

constexpr int kWaitMs = 2000;
// How long a start waits for the running workbench to take its page: one busy with a long
// step answers when it is done, and a second workbench on the same settings file never starts.
constexpr int kBusyWaitMs = 60000;

// Held while a start decides whether it is the first, so that two starts at once do not both
// become the first. A lock file that is not the user's own is not taken, and a lock that is
// not let go within the wait (a start that hangs) is given up: the start goes on without it.
class TStartLock {
 public:
  explicit TStartLock(const QString& socket_path)
      : fd_(::open(QFile::encodeName(socket_path + ".lock").constData(),
                   O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600)) {
    struct stat st {};
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || st.st_uid != ::geteuid() || !S_ISREG(st.st_mode))) {
      ::close(fd_);
      fd_ = -1;
    }
    for (int waited = 0; fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0; waited += 50) {
      if (waited >= kWaitMs) {
        ::close(fd_);
        fd_ = -1;
        break;
      }
      QThread::msleep(50);
    }
  }
  ~TStartLock() {
    if (fd_ >= 0) ::close(fd_);  // lets the lock go
  }
  TStartLock(const TStartLock&) = delete;
  TStartLock& operator=(const TStartLock&) = delete;

 private:
  int fd_;
};

// Whether the process at the other end of a local socket runs as this user: a socket another
// user planted must neither learn a page's path nor answer for the workbench.
bool PeerIsThisUser(qintptr descriptor) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return descriptor >= 0 &&
         ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == ::geteuid();
}

// A folder that is the user's own and that nobody else may enter or write: not a link, owned
// by the user, mode 0700 (as $XDG_RUNTIME_DIR must be).
bool IsPrivateFolder(const QString& folder) {
  struct stat st {};
  return ::lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::geteuid() && (st.st_mode & 0077) == 0;
}

}  // namespace

QString TSingleInstance::SocketPath(const std::string& settings_file,
                                    const QString& runtime_folder) {
  if (settings_file.empty()) return {};
  const QByteArray id =
      QCryptographicHash::hash(QByteArray::fromStdString(settings_file), QCryptographicHash::Sha256)
          .toHex()
          .left(16);
  // Never a folder that others may write to: the runtime folder when it is the user's own, else
  // the settings file's, which is.
  const QString folder =
      !runtime_folder.isEmpty() && IsPrivateFolder(runtime_folder)
          ? runtime_folder
          : QFileInfo(QFile::decodeName(QByteArray::fromStdString(settings_file))).absolutePath();
  return folder + "/zorvik-workbench-" + QString::fromLatin1(id);
}

bool TSingleInstance::HandOverOrListen(const QString& socket_path, const QString& page,
                                       std::function<void(const QString&)> on_page) {
  if (socket_path.isEmpty()) return false;
  TStartLock lock(socket_path);
  QLocalSocket socket;
  socket.connectToServer(socket_path);
  if (socket.waitForConnected(kWaitMs) && PeerIsThisUser(socket.socketDescriptor())) {
    socket.write(page.toUtf8() + '\n');
    if (socket.waitForBytesWritten(kWaitMs)) {
      // The page waits in the socket for a workbench that is busy: it takes it when it is free.
      if (!socket.waitForReadyRead(kBusyWaitMs)) {
        std::fprintf(stderr,
                     "zorvik-workbench: the workbench that is running has not answered yet; it "
                     "opens the page when it is free\n");
      }
      return true;
    }
  }
  QLocalServer::removeServer(socket_path);  // left behind by a workbench that ended abruptly
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(socket_path)) {
    server_.reset();
    return false;
  }
  on_page_ = std::move(on_page);
  connect(server_.get(), &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      if (!PeerIsThisUser(client->socketDescriptor())) {
        client->abort();
        continue;
      }
      connect(client, &QLocalSocket::readyRead, client, [this, client] {
        if (!client->canReadLine()) return;
        const QString received = QString::fromUtf8(client->readLine()).chopped(1);
        client->write("ok\n");
        client->flush();
        // Taken once this handler has returned: taking a page may ask a question, and the
        // socket (with this handler) goes away when the second start ends meanwhile.
        QMetaObject::invokeMethod(
            this, [this, received] { Take(received); }, Qt::QueuedConnection);
      });
    }
  });
  return false;
}

void TSingleInstance::Take(const QString& page) {
  waiting_.push_back(page);
  if (taking_) return;  // its turn comes when the page being taken is
  taking_ = true;
  while (!waiting_.empty()) {
    const QString next = waiting_.front();
    waiting_.pop_front();
    on_page_(next);
  }
  taking_ = false;
}

}  // namespace zorvik
