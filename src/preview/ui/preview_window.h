// "プレビュー": the preview window, hosting the browser frame above its status bar.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QStatusBar>
#include <QWidget>
#include <string>
#include <string_view>

#include "pattern/pattern_component.h"
#include "preview/ui/browser_frame.h"
#include "settings/settings_store.h"

namespace zorvik {

// Where the settings keep whether the preview follows the editor.
inline constexpr std::string_view kLivePreviewSettingsKey = "_LIVEPREVIEW_";

// The preview's non-visual module, created between the main window and the preview window.
class TdmBrowserModule : public QObject {
  Q_OBJECT
 public:
  explicit TdmBrowserModule(QObject* parent = nullptr);
  TSecondAWKStr SecondAWKStr1;  // set up like the main window's, not used for matching
};

class TForm2 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);
  ~TForm2() override;

  // Shows the document (CP932) as the page at document_path, with the files of site beside it;
  // restores a minimised window and
  // shows the window without blocking the main window.
  void ShowPreview(const std::string& html, const QString& document_path, TSiteAccess site);
  // Shows a newer version of the page in place: the window is left where it is, without the
  // focus, and the page keeps its scroll position.
  void RefreshPreview(const std::string& html, const QString& document_path, TSiteAccess site);
  // Says in the status line that the page source has errors and the page shown is older.
  void ShowLiveFailure(int error_count);
  // Shown, with "入力に合わせて更新" on: the live preview may refresh it.
  bool FollowsTyping() const;
  // Its part of the settings: whether the preview follows the typing.
  void LoadSettings(const TZQIniFile& settings);
  void SaveSettings(TZQIniFile& settings) const;

 private:
  void ShowSiteNote(const TSiteAccess& site);

  // Its controls, found by their object names from outside.
  TfrBrowserBase* frBrowserBase1;
  QStatusBar* StatusBar1;
  QCheckBox* cbLivePreview;  // follow the editor as it is typed in
  QLabel* lbNarrowedSite;    // shown while the page's folders hold more than its site
};

}  // namespace zorvik
