#include "workbench/ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>

namespace zorvik {
namespace {

constexpr int kWaitMs = 2000;

// Held while a start decides whether it is the first, so that two starts at once do not both
// become the first.
class TStartLock {
 public:
  explicit TStartLock(const QString& socket_path)
      : fd_(::open(QFile::encodeName(socket_path + ".lock").constData(),
                   O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~TStartLock() {
    if (fd_ >= 0) ::close(fd_);  // lets the lock go
  }

 private:
  int fd_;
};

}  // namespace

QString TSingleInstance::SocketPath(const std::string& settings_file,
                                    const QString& runtime_folder) {
  if (settings_file.empty()) return {};
  const QByteArray id =
      QCryptographicHash::hash(QByteArray::fromStdString(settings_file), QCryptographicHash::Sha256)
          .toHex()
          .left(16);
  // Never a folder that others may write to: the runtime folder is the user's own, and so is
  // the settings file's.
  const QString folder =
      !runtime_folder.isEmpty() && QFileInfo(runtime_folder).isDir()
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
  if (socket.waitForConnected(kWaitMs)) {
    socket.write(page.toUtf8() + '\n');
    if (socket.waitForBytesWritten(kWaitMs) && socket.waitForReadyRead(kWaitMs)) return true;
    // A workbench that takes no page is stuck: this start becomes the workbench instead.
  }
  QLocalServer::removeServer(socket_path);  // left behind by a workbench that ended abruptly
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(socket_path)) {
    server_.reset();
    return false;
  }
  connect(server_.get(), &QLocalServer::newConnection, this, [this, on_page = std::move(on_page)] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      connect(client, &QLocalSocket::readyRead, client, [client, on_page] {
        if (!client->canReadLine()) return;
        const QString received = QString::fromUtf8(client->readLine()).chopped(1);
        client->write("ok\n");
        client->flush();
        on_page(received);
      });
    }
  });
  return false;
}

}  // namespace zorvik
