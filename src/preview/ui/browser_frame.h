// The browser frame of the preview: a Qt WebEngine view created at the first preview (not at
// program start), the document loaded from memory, and the engine's navigation events reported
// in the window's status bar and caption under the handler names of the original control.
#pragma once

#include <QPointF>
#include <QPointer>
#include <QStatusBar>
#include <QString>
#include <QWebEnginePage>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "site/site_access.h"

class QWebEngineView;
class QWebEngineLoadingInfo;

namespace zorvik {

class TPreviewSchemeHandler;
class TfrBrowserBase;

// Passes the page's navigation requests to the frame before they go ahead.
class TPreviewPage : public QWebEnginePage {
  Q_OBJECT
 public:
  TPreviewPage(QWebEngineProfile* profile, TfrBrowserBase& frame);

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame) override;

 private:
  TfrBrowserBase& frame_;
};

class TfrBrowserBase : public QWidget {
  Q_OBJECT

 public:
  explicit TfrBrowserBase(QWidget* parent = nullptr);
  ~TfrBrowserBase() override;

  void AttachToForm(QWidget* form);
  // Shows a whole HTML document (CP932) as if it were the file at document_path; of the disk,
  // the page sees only the files of site. With keep_scroll the new page is scrolled to where the
  // old one stood; a new version of the shown page then changes in place where it can.
  void ShowHtml(const std::string& cp932, const QString& document_path, TSiteAccess site,
                bool keep_scroll = false);
  void ShutDown();
  // The engine view; created (and the browser process started) on first use.
  QWebEngineView* Browser();
  bool BrowserStarted() const { return wbBrowser != nullptr; }

  // Where the status line goes: the preview window's status bar.
  void SetStatusBar(QStatusBar* bar) { status_bar_ = bar; }
  // The last load was stopped or failed, and no new one has begun.
  bool Stopped() const { return stopped_; }

 signals:
  // A page given to ShowHtml (or navigated to) is on view, laid out.
  void Shown();

 private:
  friend class TPreviewPage;  // tells the frame of each navigation
  void wbBrowserBeforeNavigate2(const QUrl& url);
  void wbBrowserDocumentComplete(bool ok);
  void wbBrowserTitleChange(const QString& title);
  void wbBrowserStatusTextChange(const QString& text);
  void wbBrowserNavigateError(const QUrl& url, int status_code);
  void wbBrowserWindowClosing();
  void OnLoadingChanged(const QWebEngineLoadingInfo& info);
  void Load(const QUrl& url);
  void CancelFailedLoad();
  void UpdateInPlace(const QByteArray& document, const QUrl& url);

  QWebEngineView* wbBrowser = nullptr;
  QString title_;
  QPointer<QStatusBar> status_bar_;
  bool busy_ = false;
  bool stopped_ = false;
  TPreviewSchemeHandler* scheme_handler_ = nullptr;
  QWidget* form_ = nullptr;
  bool title_action_ = false;
  std::optional<QPointF> pending_scroll_;
  bool loading_ = false;         // a main-frame load is under way
  unsigned in_place_count_ = 0;  // in-place updates asked for, so that only the newest decides
};

// Asks the server for url directly, without waiting: done gets the HTTP status it gives, or an
// empty text on any failure or after 10 s; nothing is called once context is gone.
void ProbeHttpStatus(const QUrl& url, QObject* context, std::function<void(const QString&)> done);

}  // namespace zorvik
