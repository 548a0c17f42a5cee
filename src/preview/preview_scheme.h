// Serves the previewed page from memory: the document is loaded from a "zorvik-preview" URL
// whose path is where the written file would stand, so that relative images, links and style
// sheets resolve; any other path of the scheme is read from disk. No size limit applies, unlike
// loading HTML through a data URL.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

namespace zorvik {

inline constexpr const char* kPreviewScheme = "zorvik-preview";

// Registers the scheme; must run before the application object is created.
void RegisterPreviewScheme();

class TPreviewSchemeHandler : public QWebEngineUrlSchemeHandler {
  Q_OBJECT

 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
  // Makes document (CP932 HTML) the page at path and returns its URL.
  QUrl SetDocument(const QString& path, QByteArray document);
  void requestStarted(QWebEngineUrlRequestJob* job) override;

 private:
  QString path_;
  QByteArray document_;
};

}  // namespace zorvik
