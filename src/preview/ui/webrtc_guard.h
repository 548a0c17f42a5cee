// Keeps WebRTC out of previewed pages: a page could otherwise hand data to a peer over TCP
// (a TURN relay), past the engine option that keeps UDP to proxies.
#pragma once

#include <QWebEngineScript>

namespace zorvik {

// The script that removes WebRTC from every window of the page, frames and popups included;
// injected before the page's own scripts run.
QWebEngineScript WebRtcGuardScript();

}  // namespace zorvik
