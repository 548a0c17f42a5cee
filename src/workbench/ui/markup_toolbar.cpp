#include "workbench/ui/markup_toolbar.h"

#include "editor/teditor.h"
#include "qt_text/cp932_text.h"
#include "text/encoding.h"
#include "workbench/ui/system_settings_window.h"
#include "workbench/ui/tool_icons.h"
#include "workbench/ui/user_tag_window.h"
#include "workbench/user_tags.h"

namespace zorvik {
namespace {

struct TMarkerButton {
  const char* name;
  int tag;
  const char* hint;
  QColor color;
  bool background;
};

// Left to right as they stand on the toolbar.
const TMarkerButton kMarkers[] = {
    {"tbBlue", 1, "青文字設定", QColor(0, 0, 255), false},
    {"tbRed", 2, "赤文字設定", QColor(255, 0, 0), false},
    {"tbPurple", 3, "紫文字設定", QColor(128, 0, 128), false},
    {"tbMaroon", 4, "茶文字設定", QColor(128, 0, 0), false},
    {"tbGreen", 6, "緑文字設定", QColor(0, 128, 0), false},
    {"tbLime", 5, "ライム文字設定", QColor(0, 200, 0), false},
    {"tbYellow", 7, "黄文字設定", QColor(200, 170, 0), false},
    {"tbOrange", 8, "オレンジ文字設定", QColor(255, 140, 0), false},
    {"tbGray", 9, "灰色文字設定", QColor(128, 128, 128), false},
    {"tbMarker", 0, "マーカー設定", QColor(255, 255, 0), true},
};

}  // namespace

QAction* TMarkupToolbar::Add(QToolBar& bar, const char* name, const char* hint, const QIcon& icon) {
  QAction* action = bar.addAction(icon, QString::fromUtf8(hint));
  action->setObjectName(name);
  action->setToolTip(QString::fromUtf8(hint));
  return action;
}

TMarkupToolbar::TMarkupToolbar(QToolBar& toolbar3, QToolBar& toolbar4, QComboBox& system_tags,
                               TEditor& editor, TSecondAWKStr& pattern, TDialogs& dialogs,
                               QWidget* owner)
    : QObject(owner),
      editor_(editor),
      system_tags_(system_tags),
      pattern_(pattern),
      dialogs_(dialogs),
      owner_(owner) {
  tbBoldBtn = Add(toolbar3, "tbBoldBtn", "太字状態維持",
                  DrawnIcon("B", Qt::black, QColor(230, 230, 230), true));
  tbBoldBtn->setCheckable(true);
  toolbar3.addSeparator();
  for (const TMarkerButton& m : kMarkers) {
    QAction* action = Add(toolbar3, m.name, m.hint,
                          m.background ? DrawnIcon("M", Qt::black, m.color)
                                       : DrawnIcon("A", m.color, Qt::white, true));
    connect(action, &QAction::triggered, this, [this, tag = m.tag] { tbMarkerClick(tag); });
  }
  toolbar3.addSeparator();
  const struct {
    const char* name;
    int tag;
    const char* hint;
    const char* mark;
  } kElements[] = {{"tbBold", 0, "Strongタグで囲む", "S"},
                   {"tbUnderLine", 2, "uタグで囲む", "U"},
                   {"tbItalic", 1, "emタグで囲む", "em"},
                   {"tbStrike", 3, "sタグで囲む", "s"}};
  for (const auto& e : kElements) {
    QAction* action = Add(toolbar3, e.name, e.hint,
                          DrawnIcon(e.mark, Qt::black, QColor(240, 240, 240), e.tag == 0));
    connect(action, &QAction::triggered, this, [this, tag = e.tag] { tbBoldClick(tag); });
  }
  toolbar3.addSeparator();
  QAction* url = Add(toolbar3, "tbMakeLinkURL", "リンクタグ作成（URL選択）",
                     DrawnIcon("URL", Qt::blue, Qt::white));
  connect(url, &QAction::triggered, this, [this] { tbSetLinksClick(0); });
  QAction* link = Add(toolbar3, "tbSetLinks", "リンクタグ作成（テキスト選択）",
                      DrawnIcon("<a>", Qt::blue, Qt::white));
  connect(link, &QAction::triggered, this, [this] { tbSetLinksClick(1); });
  toolbar3.addSeparator();
  QAction* color = Add(toolbar3, "tbColorSelect", "カラー選択",
                       DrawnIcon("#", Qt::white, QColor(200, 60, 120), true));
  connect(color, &QAction::triggered, this, &TMarkupToolbar::tbColorSelectClick);

  QAction* user_form = Add(toolbar4, "tbDisplayUsertagForm", "ユーザータグ設定画面表示",
                           DrawnIcon("UT", Qt::white, QColor(60, 110, 170), true));
  connect(user_form, &QAction::triggered, this, &TMarkupToolbar::tbDisplayUsertagFormClick);
  static const char* const kUserTagNames[] = {
      "tbUserTag0", "tbUserTag",  "tbUserTag2", "tbUserTag3", "tbUserTag4",
      "tbUserTag5", "tbUserTag6", "tbUserTag7", "tbUserTag8", "tbUserTag9"};
  static const char* const kUserTagHints[] = {"ユーザータグ０番を表示", "ユーザータグ１番を表示",
                                              "ユーザータグ２番を表示", "ユーザータグ３番を表示",
                                              "ユーザータグ４番を表示", "ユーザータグ５番を表示",
                                              "ユーザータグ６番を表示", "ユーザータグ７番を表示",
                                              "ユーザータグ８番を表示", "ユーザータグ９番を表示"};
  for (int n = 0; n < 10; ++n) {
    QAction* action = Add(toolbar4, kUserTagNames[n], kUserTagHints[n],
                          DrawnIcon(QString::number(n), QColor(60, 110, 170), Qt::white, true));
    user_tags[static_cast<std::size_t>(n)] = action;
    connect(action, &QAction::triggered, this, [this, n] { tbUserTag0Click(n); });
  }
  toolbar4.addSeparator();
  QAction* delete_tags = Add(toolbar4, "tbDeleteTags", "選択文字列のタグ部分を削除",
                             DrawnIcon("</>", Qt::red, Qt::white));
  connect(delete_tags, &QAction::triggered, this, &TMarkupToolbar::tbDeleteTagsClick);
  QAction* doller = Add(toolbar4, "tbDisplayDoller", "変換文字列マーク（$）表示",
                        DrawnIcon("$", Qt::black, Qt::white, true));
  connect(doller, &QAction::triggered, this, [this] { tbDisplayDollerClick(0); });
  QAction* lines = Add(toolbar4, "tbDisplayMultiLines", "複数行変換文字列マーク表示",
                       DrawnIcon("[ ]", Qt::black, Qt::white, true));
  connect(lines, &QAction::triggered, this, [this] { tbDisplayDollerClick(1); });
  system_tags_.setParent(&toolbar4);
  system_tags_.setEditable(false);
  system_tags_.setMaxVisibleItems(18);
  toolbar4.addWidget(&system_tags_);
  QAction* sys = Add(toolbar4, "tbDisplaySysCom", "システムコマンド関係を表示",
                     DrawnIcon("@", Qt::black, Qt::white, true));
  connect(sys, &QAction::triggered, this, &TMarkupToolbar::tbDisplaySysComClick);
  toolbar4.addSeparator();
  QAction* sys_form = Add(toolbar4, "tbDisplaySysComForm", "システムコマンド設定画面表示",
                          DrawnIcon("@…", Qt::white, QColor(60, 110, 170), true));
  connect(sys_form, &QAction::triggered, this, &TMarkupToolbar::tbDisplaySysComFormClick);
}

void TMarkupToolbar::AttachWindows(TForm3* form3, TForm4* form4) {
  form3_ = form3;
  form4_ = form4;
  if (form4 == nullptr) return;
  // Each number button's tool tip shows the snippet it inserts.
  for (std::size_t n = 0; n < user_tags.size(); ++n) {
    QAction* action = user_tags[n];
    const QString hint = action->toolTip();
    const auto show = [action, hint](const QString& snippet) {
      action->setToolTip(snippet.isEmpty() ? hint : hint + QStringLiteral("：") + snippet);
    };
    connect(form4, &TForm4::SnippetChanged, action, [show, n](int changed, const QString& snippet) {
      if (static_cast<std::size_t>(changed) == n) show(snippet);
    });
    show(form4->SnippetText(static_cast<int>(n)));
  }
}

void TMarkupToolbar::Apply(const TSelectionEdit& edit) {
  editor_.ReplaceSelection(edit.replacement);
  editor_.SetSelStart(edit.selection_start);
  if (edit.selection_length > 0) editor_.SetSelLength(edit.selection_length);
}

void TMarkupToolbar::tbMarkerClick(int tag) {
  const auto edit =
      ApplyMarkerClass(editor_.SelectedTextBytes(), editor_.SelStart(), MarkerClassOfTag(tag),
                       MarkerElementName(tbBoldBtn->isChecked()), editor_.Encoding());
  if (edit) Apply(*edit);
}

void TMarkupToolbar::tbBoldClick(int tag) {
  Apply(WrapInElement(editor_.SelectedTextBytes(), editor_.SelStart(), ElementOfTag(tag),
                      editor_.Encoding()));
}

void TMarkupToolbar::tbSetLinksClick(int tag) {
  if (const auto edit = MakeLink(editor_.SelectedTextBytes(), editor_.SelStart(), tag))
    Apply(*edit);
}

void TMarkupToolbar::tbColorSelectClick() {
  const auto color = dialogs_.PickColor(owner_);
  if (!color) return;
  editor_.ReplaceSelection(ColorValueText(color->red(), color->green(), color->blue()));
}

void TMarkupToolbar::tbDeleteTagsClick() {
  const TPatternEncodingScope scope(pattern_, editor_.Encoding());
  Apply(DeleteTags(editor_.SelectedTextBytes(), editor_.SelStart(), pattern_));
}

void TMarkupToolbar::tbDisplayDollerClick(int tag) {
  editor_.ReplaceSelection(DollarMarks(editor_.SelectedTextBytes(), tag));
  if (tag == 1) editor_.SetCaretRow(editor_.CaretRow() - 2);
}

void TMarkupToolbar::tbDisplaySysComClick() {
  const auto text = SystemTagInsertion(ToCp932(system_tags_.currentText()));
  if (!text) return;
  editor_.ReplaceSelection(ConvertText(*text, TEncoding::kCp932, editor_.Encoding()));
  if (editor_.isEnabled()) editor_.setFocus();
}

void TMarkupToolbar::tbUserTag0Click(int tag) {
  if (form4_ == nullptr) return;
  // User tags are kept in Shift-JIS; a UTF-8 page takes them in UTF-8.
  const std::string snippet =
      ConvertText(form4_->Snippet(tag), TEncoding::kCp932, editor_.Encoding());
  editor_.ReplaceSelection(ExpandUserTag(snippet, editor_.SelectedTextBytes(), editor_.Encoding()));
}

void TMarkupToolbar::tbDisplayUsertagFormClick() {
  if (form4_ != nullptr) form4_->exec();
}

void TMarkupToolbar::tbDisplaySysComFormClick() {
  if (form3_ == nullptr) return;
  form3_->Prepare();
  form3_->exec();
}

}  // namespace zorvik
