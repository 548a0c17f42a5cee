#include "preview/ui/preview_window.h"

#include <QVBoxLayout>

namespace zorvik {

TdmBrowserModule::TdmBrowserModule(QObject* parent) : QObject(parent) {
  setObjectName("dmBrowserModule");
}

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form2");
  setWindowTitle(QStringLiteral("プレビュー"));
  resize(623, 495);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  frBrowserBase1 = new TfrBrowserBase(this);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  layout->addWidget(frBrowserBase1, 1);
  layout->addWidget(StatusBar1);
  cbLivePreview = new QCheckBox(QStringLiteral("入力に合わせて更新"), StatusBar1);
  cbLivePreview->setObjectName("cbLivePreview");
  cbLivePreview->setChecked(true);
  lbNarrowedSite = new QLabel(QStringLiteral("サイトを限定して表示"), StatusBar1);
  lbNarrowedSite->setObjectName("lbNarrowedSite");
  lbNarrowedSite->setToolTip(QStringLiteral(
      "ページ原稿か出力先が、サイト以外のファイルも置かれるフォルダ（ホームフォルダ、/tmp など）"
      "にじかに置かれているため、そのフォルダのファイルは表示に使いません。"
      "サイト用のフォルダを作って、その中に置いてください。"));
  lbNarrowedSite->hide();
  StatusBar1->addPermanentWidget(lbNarrowedSite);
  StatusBar1->addPermanentWidget(cbLivePreview);
  frBrowserBase1->AttachToForm(this);
  frBrowserBase1->SetStatusBar(StatusBar1);
}

TForm2::~TForm2() { frBrowserBase1->ShutDown(); }

void TForm2::ShowSiteNote(const TSiteAccess& site) { lbNarrowedSite->setVisible(site.narrowed); }

void TForm2::ShowPreview(const std::string& html, const QString& document_path, TSiteAccess site) {
  ShowSiteNote(site);
  frBrowserBase1->ShowHtml(html, document_path, std::move(site));
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
}

void TForm2::RefreshPreview(const std::string& html, const QString& document_path,
                            TSiteAccess site) {
  ShowSiteNote(site);
  frBrowserBase1->ShowHtml(html, document_path, std::move(site), true);
}

void TForm2::LoadSettings(const TZQIniFile& settings) {
  cbLivePreview->setChecked(settings.ReadString(kLivePreviewSettingsKey) != "0");
}

void TForm2::SaveSettings(TZQIniFile& settings) const {
  settings.WriteString(kLivePreviewSettingsKey, cbLivePreview->isChecked() ? "1" : "0");
}

bool TForm2::FollowsTyping() const { return isVisible() && cbLivePreview->isChecked(); }

void TForm2::ShowLiveFailure(int error_count) {
  StatusBar1->showMessage(
      QStringLiteral("ページ原稿にエラーが %1 件あります。前回のプレビューを表示しています")
          .arg(error_count));
}

}  // namespace zorvik
