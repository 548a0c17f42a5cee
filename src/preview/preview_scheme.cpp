#include "preview/preview_scheme.h"

#include <QBuffer>
#include <QFile>
#include <QMimeDatabase>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace zorvik {

void RegisterPreviewScheme() {
  QWebEngineUrlScheme scheme(kPreviewScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
  scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed |
                  QWebEngineUrlScheme::CorsEnabled);
  QWebEngineUrlScheme::registerScheme(scheme);
}

QUrl TPreviewSchemeHandler::SetDocument(const QString& path, QByteArray document) {
  path_ = path;
  document_ = std::move(document);
  QUrl url;
  url.setScheme(kPreviewScheme);
  url.setPath(path);
  return url;
}

void TPreviewSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  const QString path = job->requestUrl().path();
  auto* buffer = new QBuffer(job);
  QByteArray mime;
  if (path == path_) {
    buffer->setData(document_);
    mime = "text/html;charset=Shift_JIS";
  } else {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    buffer->setData(file.readAll());
    mime = QMimeDatabase().mimeTypeForFile(path).name().toUtf8();
  }
  buffer->open(QIODevice::ReadOnly);
  job->reply(mime, buffer);
}

}  // namespace zorvik
