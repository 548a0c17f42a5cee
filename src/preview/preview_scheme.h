// Serves the previewed page: the document from memory, at a "zorvik-preview" URL whose path is
// where the written file would stand, so that relative images, links and style sheets resolve;
// other paths of the scheme only when they are regular files of the page's site (see
// preview_site.h), opened off the GUI thread and streamed. No size limit applies to the page
// itself, unlike loading HTML through a data URL.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

#include "preview/preview_site.h"

namespace zorvik {

inline constexpr const char* kPreviewScheme = "zorvik-preview";

// Registers the scheme and sets the browser engine's process-wide options; must run before the
// application object is created.
void SetUpPreviewEngine();

class TPreviewSchemeHandler : public QWebEngineUrlSchemeHandler {
  Q_OBJECT

 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
  // Makes document (CP932 HTML) the page at path, with the files of site beside it, and
  // returns its URL.
  QUrl SetDocument(const QString& path, QByteArray document, TPreviewSite site);
  void requestStarted(QWebEngineUrlRequestJob* job) override;

 private:
  QString path_;
  QByteArray document_;
  TPreviewSite site_;
};

}  // namespace zorvik
