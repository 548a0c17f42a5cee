#include "workbench/ui/find_bar.h"

#include <QHBoxLayout>
#include <QShortcut>
#include <QVBoxLayout>

#include "editor/teditor.h"
#include "qt_text/cp932_text.h"

namespace zorvik {

TFindBar::TFindBar(QWidget* parent) : QWidget(parent) {
  setObjectName("FindBar");
  // Two rows, so that the bar fits a narrow window: finding, then replacing (shown only for
  // replacing) and the status, which is elided where it does not fit.
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(4, 2, 4, 2);
  rows->setSpacing(2);
  auto* layout = new QHBoxLayout;
  auto* replace_row = new QHBoxLayout;
  rows->addLayout(layout);
  rows->addLayout(replace_row);
  edFind = new QLineEdit(this);
  edFind->setObjectName("edFind");
  edFind->setPlaceholderText(QStringLiteral("検索する文字列"));
  edReplace = new QLineEdit(this);
  edReplace->setObjectName("edReplace");
  edReplace->setPlaceholderText(QStringLiteral("置換後の文字列"));
  cbMatchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別"), this);
  cbMatchCase->setObjectName("cbMatchCase");
  cbPattern = new QCheckBox(QStringLiteral("パターン"), this);
  cbPattern->setObjectName("cbPattern");
  btFindNext = new QPushButton(QStringLiteral("次を検索"), this);
  btFindNext->setObjectName("btFindNext");
  btFindPrevious = new QPushButton(QStringLiteral("前を検索"), this);
  btFindPrevious->setObjectName("btFindPrevious");
  btReplaceAll = new QPushButton(QStringLiteral("すべて置換"), this);
  btReplaceAll->setObjectName("btReplaceAll");
  lbStatus = new TElidedLabel(this);
  lbStatus->setObjectName("lbStatus");
  btClose = new QToolButton(this);
  btClose->setObjectName("btClose");
  btClose->setText(QStringLiteral("×"));
  btClose->setToolTip(QStringLiteral("閉じる (Esc)"));
  btClose->setAutoRaise(true);
  for (QWidget* widget : std::initializer_list<QWidget*>{edFind, cbMatchCase, cbPattern,
                                                         btFindPrevious, btFindNext}) {
    layout->addWidget(widget);
  }
  layout->addStretch(1);
  layout->addWidget(btClose);
  replace_row->addWidget(edReplace);
  replace_row->addWidget(btReplaceAll);
  replace_row->addWidget(lbStatus, 1);
  // Narrow enough that the whole bar fits a small or scaled screen; wider when there is room.
  edFind->setMinimumWidth(160);
  edReplace->setMinimumWidth(160);

  connect(edFind, &QLineEdit::returnPressed, this, &TFindBar::FindNext);
  connect(btFindNext, &QPushButton::clicked, this, &TFindBar::FindNext);
  connect(btFindPrevious, &QPushButton::clicked, this, &TFindBar::FindPrevious);
  connect(btReplaceAll, &QPushButton::clicked, this, &TFindBar::ReplaceAll);
  connect(btClose, &QToolButton::clicked, this, &TFindBar::Close);
  // A pattern has its own notation for letter case.
  connect(cbPattern, &QCheckBox::toggled, cbMatchCase, &QCheckBox::setDisabled);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, &TFindBar::Close);
  hide();
}

void TFindBar::ShowReplace(bool show) {
  edReplace->setVisible(show);
  btReplaceAll->setVisible(show);
}

void TFindBar::Open(TEditor& editor, bool replace) {
  editor_ = &editor;
  const std::string selected = editor.SelectedTextBytes();
  if (!selected.empty() && selected.find_first_of("\r\n") == std::string::npos) {
    edFind->setText(editor.Decode(selected));
  }
  ShowReplace(replace && Replaceable());
  lbStatus->SetFullText(QString());
  show();
  edFind->setFocus();
  edFind->selectAll();
}

void TFindBar::Retarget(TEditor& editor) {
  editor_ = &editor;
  if (!Replaceable()) ShowReplace(false);
  lbStatus->SetFullText(QString());
}

void TFindBar::Close() {
  hide();
  if (editor_ != nullptr) editor_->setFocus();
}

bool TFindBar::PrepareQuery() {
  const TSearchMode mode = cbPattern->isChecked()     ? TSearchMode::kPattern
                           : cbMatchCase->isChecked() ? TSearchMode::kPlain
                                                      : TSearchMode::kPlainIgnoreCase;
  if (editor_ == nullptr) return false;
  // The query in the bytes of the text it searches.
  search_.SetEncoding(editor_->Encoding());
  TTextSearch::TQueryError error;
  if (!search_.SetQuery(editor_->Encode(edFind->text()), mode, &error)) {
    lbStatus->SetFullText(QStringLiteral("パターンの誤り（%1 バイト目）：").arg(error.position) +
                          FromCp932(error.message));
    return false;
  }
  return true;
}

void TFindBar::Find(bool forward) {
  if (editor_ == nullptr) return;
  if (!isVisible()) {
    Open(*editor_, false);
    if (edFind->text().isEmpty()) return;
  }
  if (!PrepareQuery()) return;
  const std::vector<TSearchHit> hits = search_.FindAll(editor_->Text());
  const std::string selected = editor_->SelectedTextBytes();
  const TSearchHit selection{static_cast<std::size_t>(editor_->SelStart()), selected.size()};
  const auto index =
      forward ? TTextSearch::NextHit(hits, selection) : TTextSearch::PreviousHit(hits, selection);
  if (!index) {
    lbStatus->SetFullText(QStringLiteral("見つかりません"));
    return;
  }
  const TSearchHit& hit = hits[*index];
  editor_->SelectBytes(static_cast<int>(hit.start), static_cast<int>(hit.length));
  QString status = QStringLiteral("%1 / %2 件").arg(*index + 1).arg(hits.size());
  const bool wrapped = forward ? hit.start < selection.start : hit.start >= selection.start;
  if (wrapped)
    status +=
        forward ? QStringLiteral("（先頭に戻りました）") : QStringLiteral("（末尾に戻りました）");
  lbStatus->SetFullText(status);
}

void TFindBar::FindNext() { Find(true); }

void TFindBar::FindPrevious() { Find(false); }

void TFindBar::ReplaceAll() {
  if (!Replaceable() || !PrepareQuery()) return;
  std::string text = editor_->Text();
  const int count = search_.ReplaceAll(text, editor_->Encode(edReplace->text()));
  if (count > 0) editor_->ReplaceAllText(text);
  lbStatus->SetFullText(QStringLiteral("%1 件置換しました").arg(count));
}

}  // namespace zorvik
