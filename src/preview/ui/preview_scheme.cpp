#include "preview/ui/preview_scheme.h"

#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QMimeDatabase>
#include <QPointer>
#include <QThreadPool>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include "site/content_type.h"

namespace zorvik {

void SetUpPreviewEngine() {
  // Not a local scheme: its pages get no access to file: URLs or other local content.
  QWebEngineUrlScheme scheme(kPreviewScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
  scheme.setFlags(QWebEngineUrlScheme::CorsEnabled);
  QWebEngineUrlScheme::registerScheme(scheme);
  // WebRTC may not send UDP past a proxy, so a page cannot hand data to a peer that way.
  QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  if (!flags.contains("webrtc-ip-handling-policy")) {
    flags += " --force-webrtc-ip-handling-policy=disable_non_proxied_udp";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
  }
}

QUrl TPreviewSchemeHandler::SetDocument(const QString& path, QByteArray document,
                                        TSiteAccess site) {
  path_ = path;
  document_ = std::move(document);
  site_ = std::move(site);
  QUrl url;
  url.setScheme(kPreviewScheme);
  url.setPath(path);
  return url;
}

void TPreviewSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  const QString path = job->requestUrl().path(QUrl::FullyDecoded);
  if (path == path_) {
    auto* buffer = new QBuffer(job);
    buffer->setData(document_);
    buffer->open(QIODevice::ReadOnly);
    const std::string charset = HtmlCharset(
        std::string_view(document_.constData(), static_cast<std::size_t>(document_.size())));
    job->reply(QByteArray("text/html;charset=") + QByteArray::fromStdString(charset), buffer);
    return;
  }
  const QByteArray mime =
      QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toUtf8();
  // The file system may be slow or hostile: the file is looked up and opened off the GUI thread.
  QThreadPool::globalInstance()->start([job = QPointer<QWebEngineUrlRequestJob>(job), site = site_,
                                        file = QFile::encodeName(path).toStdString(), mime] {
    const int fd = OpenServedFile(site, file);
    // Back on the GUI thread, where the job lives; it may have been cancelled meanwhile.
    const bool queued = QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [job, fd, mime] {
          if (!job) {
            if (fd >= 0) ::close(fd);
            return;
          }
          auto* device = new TCappedFile(static_cast<qint64>(kMaxServedFileBytes), job);
          if (fd < 0 || !device->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            if (fd >= 0) ::close(fd);
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
          }
          job->reply(mime, device);  // read as the engine asks for it, not whole
        },
        Qt::QueuedConnection);
    if (!queued && fd >= 0) ::close(fd);
  });
}

}  // namespace zorvik
