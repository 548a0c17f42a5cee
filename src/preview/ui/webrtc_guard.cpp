#include "preview/ui/webrtc_guard.h"

#include "webrtc_guard_js.h"

namespace zorvik {

QWebEngineScript WebRtcGuardScript() {
  QWebEngineScript script;
  script.setName(QStringLiteral("zorvik-no-webrtc"));
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setWorldId(QWebEngineScript::MainWorld);
  script.setRunsOnSubFrames(true);
  script.setSourceCode(
      QString::fromUtf8(kWebRtcGuardJs.data(), static_cast<qsizetype>(kWebRtcGuardJs.size())));
  return script;
}

}  // namespace zorvik
