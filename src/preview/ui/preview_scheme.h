// Serves the previewed page: the document from memory, at a "zorvik-preview" URL whose path is
// where the written file would stand, so that relative images, links and style sheets resolve;
// other paths of the scheme only when they are regular files of the page's site (see
// site/site_access.h), opened off the GUI thread and streamed. No size limit applies to the page
// itself, unlike loading HTML through a data URL.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <algorithm>

#include "site/site_access.h"

namespace zorvik {

inline constexpr const char* kPreviewScheme = "zorvik-preview";

// Registers the scheme and sets the browser engine's process-wide options; must run before the
// application object is created.
void SetUpPreviewEngine();

// A served file, read no further than limit bytes whatever it grows to while it is streamed.
class TCappedFile : public QFile {
 public:
  TCappedFile(qint64 limit, QObject* parent) : QFile(parent), limit_(limit) {}
  qint64 size() const override { return std::min(QFile::size(), limit_); }
  bool atEnd() const override { return pos() >= size(); }

 protected:
  qint64 readData(char* data, qint64 max_size) override {
    const qint64 left = limit_ - pos();
    return left <= 0 ? -1 : QFile::readData(data, std::min(max_size, left));
  }

 private:
  qint64 limit_;
};

class TPreviewSchemeHandler : public QWebEngineUrlSchemeHandler {
  Q_OBJECT

 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
  // Makes document (CP932 HTML) the page at path, with the files of site beside it, and
  // returns its URL.
  QUrl SetDocument(const QString& path, QByteArray document, TSiteAccess site);
  void requestStarted(QWebEngineUrlRequestJob* job) override;

 private:
  QString path_;
  QByteArray document_;
  TSiteAccess site_;
};

}  // namespace zorvik
