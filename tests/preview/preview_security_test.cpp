// A previewed page whose script tries to read the disk: through the preview's own scheme, file:
// URLs, /proc, a link planted in the site, dot-folders in and beside the site; with XHR, fetch
// and frames. Every attempt must fail while the page's own style sheet and image load, and
// /dev/zero and a FIFO must neither fill memory nor hold the program. WebRTC is not there.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTemporaryDir>
#include <QWebEngineView>

#include "editor/teditor.h"
#include "wait_for.h"
#include "workbench_gui/workbench_fixture.h"

namespace zorvik {
namespace {

using testing::Control;
using testing::WaitFor;
using testing::Workbench;
using testing::WriteFile;

// The script: each read reports "READ <what>" when it got anything, and the title says SAFE
// only when none did and the page's own files arrived.
std::string AttackScript(const QString& home, const QString& site) {
  const std::string h = home.toStdString();
  const std::string s = site.toStdString();
  return R"(<script>
var found = [];
var targets = ['/etc/passwd', '/proc/self/environ', ')" +
         h + R"(/.secret/key', ')" + s + R"(/.git/config',
  ')" + s +
         R"(/img/passwd-link', 'zorvik-preview:/etc/passwd', 'file:///etc/passwd', 'file://)" + h +
         R"(/.secret/key'];
function sync(u) {
  try { var r = new XMLHttpRequest(); r.open('GET', u, false); r.send();
        if (r.responseText.length > 0) found.push('READ xhr ' + u); } catch (e) {}
}
targets.forEach(sync);
// No WebRTC, in the page or in a frame it makes itself.
if (typeof RTCPeerConnection !== 'undefined' || typeof webkitRTCPeerConnection !== 'undefined') found.push('RTC');
var blank = document.createElement('iframe');
document.body.appendChild(blank);
if (blank.contentWindow.RTCPeerConnection) found.push('RTC in a frame');
var holder = document.createElement('div');
document.body.appendChild(holder);
holder.innerHTML = '<iframe></iframe>';
if (frames[frames.length - 1].RTCPeerConnection) found.push('RTC in a written frame');
var pending = targets.map(function (u) {
  return fetch(u).then(function (r) { return r.text(); })
                 .then(function (t) { if (t.length > 0) found.push('READ fetch ' + u); }, function () {});
});
var frames = ['/etc/passwd', 'file:///etc/passwd', ')" +
         h + R"(/.secret/key'].map(function (u) {
  return new Promise(function (done) {
    var f = document.createElement('iframe'); f.src = u;
    f.onload = f.onerror = function () {
      try { if (f.contentDocument && f.contentDocument.body && f.contentDocument.body.textContent.length > 0)
              found.push('READ frame ' + u); } catch (e) {}
      done();
    };
    document.body.appendChild(f);
    setTimeout(done, 3000);
  });
});
window.addEventListener('load', function () {
  Promise.all(pending.concat(frames)).then(function () {
    var img = document.getElementById('own');
    var styled = getComputedStyle(document.body).backgroundColor == 'rgb(1, 2, 3)';
    document.title = (found.length == 0 && styled && img.naturalWidth == 2) ? 'SAFE'
                   : 'LEAK ' + found.join(' | ') + ' styled=' + styled + ' img=' + img.naturalWidth;
  });
});
</script>)";
}

TEST(PreviewSecurityTest, AScriptInThePageReadsNothingButItsSite) {
  QTemporaryDir dir;
  const QString home = dir.path();
  const QString site = home + "/site";
  for (const char* folder :
       {"/site/pages", "/site/out", "/site/style", "/site/img", "/site/.git", "/.secret"}) {
    QDir(home).mkpath(home + folder);
  }
  WriteFile(home + "/.secret/key", "PRIVATE KEY");
  WriteFile(site + "/.git/config", "[core]");
  WriteFile(site + "/style/site.css", "body { background-color: rgb(1, 2, 3); }");
  QImage(2, 2, QImage::Format_RGB32).save(site + "/img/dot.png");
  ASSERT_EQ(::symlink("/etc/passwd", (site + "/img/passwd-link").toLocal8Bit().constData()), 0);
  ASSERT_EQ(::mkfifo((site + "/img/fifo").toLocal8Bit().constData(), 0600), 0);
  WriteFile(site + "/pages/t.tmpl",
            "<html><head><title>start</title><link rel=\"stylesheet\" "
            "href=\"../style/site.css\"></head>\r\n"
            "<body><img id=\"own\" src=\"../img/dot.png\"><img src=\"/dev/zero\"><img "
            "src=\"../img/fifo\">\r\n"
            "<img src=\"../img/passwd-link\">\r\n" +
                AttackScript(home, site) + "\r\n</body></html>");
  WriteFile(site + "/pages/p.dat",
            "@Template {$DataFolder}t.tmpl\r\n@WriteFile {$DataFolder}../out/p.html\r\n");

  Workbench wb(home);
  ASSERT_TRUE(wb.form1.OpenDocument(site + "/pages/p.dat"));
  Control<QAction>(wb.form1, "tbPreview")->trigger();
  QWebEngineView* view = Control<TfrBrowserBase>(wb.form2, "frBrowserBase1")->Browser();
  ASSERT_TRUE(
      WaitFor([&] { return view->title() == "SAFE" || view->title().startsWith("LEAK"); }, 60000))
      << view->title().toStdString();
  EXPECT_EQ(view->title().toStdString(), "SAFE");
}

}  // namespace
}  // namespace zorvik
