#include "preview/ui/browser_frame.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "preview/preview_markup.h"
#include "preview/ui/in_place_update.h"
#include "preview/ui/preview_scheme.h"
#include "preview/ui/webrtc_guard.h"
#include "qt_text/cp932_text.h"
#include "text/app_title.h"

namespace zorvik {

TPreviewPage::TPreviewPage(QWebEngineProfile* profile, TfrBrowserBase& frame)
    : QWebEnginePage(profile, &frame), frame_(frame) {}

bool TPreviewPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool is_main_frame) {
  if (is_main_frame) frame_.wbBrowserBeforeNavigate2(url);
  return true;  // navigation always goes ahead
}

TfrBrowserBase::TfrBrowserBase(QWidget* parent) : QWidget(parent) {
  setObjectName("frBrowserBase1");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

TfrBrowserBase::~TfrBrowserBase() {
  ShutDown();
  // The page goes before its profile (the engine warns of trouble otherwise).
  if (wbBrowser != nullptr) {
    delete wbBrowser->page();
    delete wbBrowser;
  }
}

void TfrBrowserBase::AttachToForm(QWidget* form) {
  form_ = form;
  // The browser view itself is made at the first preview, so that the browser process does not
  // start with the program; until then the frame is an empty area.
  title_action_ = form != nullptr;
}

QWebEngineView* TfrBrowserBase::Browser() {
  if (wbBrowser != nullptr) return wbBrowser;
  // A profile of the frame's own (in memory only), holding the handler that serves its pages.
  auto* profile = new QWebEngineProfile(this);
  scheme_handler_ = new TPreviewSchemeHandler(profile);
  profile->installUrlSchemeHandler(kPreviewScheme, scheme_handler_);
  wbBrowser = new QWebEngineView(this);
  wbBrowser->setObjectName("wbBrowser");
  auto* page = new TPreviewPage(profile, *this);
  // "Silent": no dialogs of the browser's own.
  page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
  // A previewed page reads nothing of the disk beyond its site (see the scheme handler), and
  // has no WebRTC (see the guard script).
  page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
  page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  page->settings()->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
  page->scripts().insert(WebRtcGuardScript());
  wbBrowser->setPage(page);
  layout()->addWidget(wbBrowser);
  connect(page, &QWebEnginePage::loadFinished, this, &TfrBrowserBase::wbBrowserDocumentComplete);
  connect(page, &QWebEnginePage::titleChanged, this, &TfrBrowserBase::wbBrowserTitleChange);
  connect(page, &QWebEnginePage::linkHovered, this, &TfrBrowserBase::wbBrowserStatusTextChange);
  connect(page, &QWebEnginePage::windowCloseRequested, this,
          &TfrBrowserBase::wbBrowserWindowClosing);
  connect(page, &QWebEnginePage::loadingChanged, this, &TfrBrowserBase::OnLoadingChanged);
  return wbBrowser;
}

void TfrBrowserBase::ShowHtml(const std::string& cp932, const QString& document_path,
                              TSiteAccess site, bool keep_scroll) {
  busy_ = true;
  QWebEngineView* view = Browser();
  pending_scroll_.reset();
  if (keep_scroll) pending_scroll_ = view->page()->scrollPosition();
  // Lines end with CR LF, as the bytes of a CP932 file would.
  std::string bytes;
  bytes.reserve(cp932.size() + 2);
  for (std::size_t i = 0; i < cp932.size(); ++i) {
    if (cp932[i] == '\r' || cp932[i] == '\n') {
      if (cp932[i] == '\r' && i + 1 < cp932.size() && cp932[i + 1] == '\n') ++i;
      bytes += "\r\n";
    } else {
      bytes += cp932[i];
    }
  }
  if (!bytes.empty() && bytes.back() != '\n') bytes += "\r\n";
  busy_ = false;
  QByteArray document = QByteArray::fromStdString(bytes);
  const QUrl url = scheme_handler_->SetDocument(document_path, document, std::move(site));
  if (keep_scroll && !loading_ && view->url() == url) {
    UpdateInPlace(document, url);
  } else {
    Load(url);
  }
}

void TfrBrowserBase::Load(const QUrl& url) {
  loading_ = true;
  wbBrowser->load(url);
}

void TfrBrowserBase::UpdateInPlace(const QByteArray& document, const QUrl& url) {
  const unsigned count = ++in_place_count_;
  pending_scroll_.reset();
  wbBrowser->page()->runJavaScript(
      InPlaceUpdateScript(document), QWebEngineScript::ApplicationWorld,
      [frame = QPointer<TfrBrowserBase>(this), count, url](const QVariant& done) {
        if (frame == nullptr || frame->wbBrowser == nullptr) return;
        if (done.toBool()) {
          emit frame->Shown();
        } else if (count == frame->in_place_count_ && !frame->loading_) {
          // A later update, already under way, decides otherwise.
          frame->pending_scroll_ = frame->wbBrowser->page()->scrollPosition();
          frame->Load(url);
        }
      });
}

void TfrBrowserBase::ShutDown() {
  stopped_ = true;
  if (wbBrowser != nullptr) wbBrowser->stop();
}

void TfrBrowserBase::wbBrowserBeforeNavigate2(const QUrl& url) {
  loading_ = true;  // also a link followed in the page: the shown page is going
  if (url.toString() == QStringLiteral("about:blank")) return;
  stopped_ = false;
  busy_ = true;
}

void TfrBrowserBase::wbBrowserDocumentComplete(bool) {
  // loadFinished is reported for the top-level document only; frames do not reach here.
  busy_ = false;
  loading_ = false;
  if (pending_scroll_ && wbBrowser != nullptr) {
    // In a world of its own, so that it runs also where the page's scripts are switched off.
    wbBrowser->page()->runJavaScript(QStringLiteral("window.scrollTo(%1, %2)")
                                         .arg(pending_scroll_->x())
                                         .arg(pending_scroll_->y()),
                                     QWebEngineScript::ApplicationWorld);
    pending_scroll_.reset();
  }
  if (status_bar_) status_bar_->clearMessage();
  if (title_action_ && form_ != nullptr) form_->setWindowTitle(title_);
  wbBrowserStatusTextChange(QString());
  emit Shown();
}

void TfrBrowserBase::wbBrowserTitleChange(const QString& title) {
  // A document without a title is reported under its address, which for the previewed page is
  // an address of the program's own: the caption stays empty then.
  const QUrl url = wbBrowser != nullptr ? wbBrowser->url() : QUrl();
  const bool address = title.startsWith(QLatin1String(kPreviewScheme) + ':') ||
                       (!url.isEmpty() && (title == url.toString() || title == url.path() ||
                                           title == url.toString(QUrl::RemoveScheme)));
  title_ = address ? QString() : title;
}

void TfrBrowserBase::wbBrowserStatusTextChange(const QString& text) {
  if (!status_bar_) return;
  const std::string line = StatusLineText(ToCp932(text), stopped_, busy_);
  status_bar_->showMessage(FromCp932(line));
}

void TfrBrowserBase::OnLoadingChanged(const QWebEngineLoadingInfo& info) {
  if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) return;
  const bool http = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain;
  if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus || (http && info.errorCode() != 0)) {
    wbBrowserNavigateError(info.url(), http ? info.errorCode() : -info.errorCode());
  }
}

void TfrBrowserBase::wbBrowserNavigateError(const QUrl& url, int status_code) {
  if (status_code == 404) {
    busy_ = false;
    stopped_ = false;
    return;  // the engine goes on with its own handling
  }
  if (status_code == 200) return;
  if (QString::number(status_code).size() != 3) {
    // Not an HTTP status (a network error number): the server is asked directly, and the load
    // is cancelled unless it answers 404 or 200, or the view has gone to another address
    // meanwhile (the engine's own error page keeps the failed one).
    ProbeHttpStatus(url, this, [this, url](const QString& code) {
      if (wbBrowser->url() != url || code == QStringLiteral("404") ||
          code == QStringLiteral("200")) {
        return;
      }
      CancelFailedLoad();
    });
    return;
  }
  CancelFailedLoad();
}

void TfrBrowserBase::CancelFailedLoad() {
  // Cancelled: the engine's own error page is not shown.
  wbBrowser->stop();
  stopped_ = true;
  busy_ = false;
  wbBrowser->setUrl(QUrl(QStringLiteral("about:blank")));
  wbBrowserStatusTextChange(QString());
}

void TfrBrowserBase::wbBrowserWindowClosing() {
  if (wbBrowser != nullptr) wbBrowser->setUrl(QUrl(QStringLiteral("about:blank")));
}

void ProbeHttpStatus(const QUrl& url, QObject* context, std::function<void(const QString&)> done) {
  auto* manager = new QNetworkAccessManager(context);
  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromUtf8(kApplicationTitle));
  request.setTransferTimeout(10000);
  QNetworkReply* reply = manager->get(request);  // the manager's child, gone with it
  QObject::connect(
      reply, &QNetworkReply::finished, context, [manager, reply, done = std::move(done)] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        manager->deleteLater();
        done(status.isValid() ? QString::number(status.toInt()).left(512) : QString());
      });
}

}  // namespace zorvik
