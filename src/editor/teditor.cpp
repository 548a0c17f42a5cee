#include "editor/teditor.h"

#include <Qsci/qscilexer.h>

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QWheelEvent>
#include <algorithm>

#include "qt_text/cp932_text.h"
#include "text/encoding.h"
#include "text/sjis.h"
#include "text/text_file.h"

namespace zorvik {

TEditor::TEditor(QWidget* parent) : QsciScintilla(parent) {
  setUtf8(true);
  setEolMode(EolWindows);
  // The lines in view carry their numbers: renewed whenever the text or the view changes.
  connect(this, &QsciScintilla::textChanged, this, [this] { UpdateLineNumbers(); });
  connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int) { UpdateLineNumbers(); });
  connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
          [this](int, int type, const char*, int, int, int, int, int, int, int) {
            NoteComingChange(type);
          });
  static const bool kPlainAccessibleInstalled =
      (QAccessible::installFactory(PlainAccessible), true);
  (void)kPlainAccessibleInstalled;
  accessibilityActiveChanged(QAccessible::isActive());
  QAccessible::installActivationObserver(this);
}

TEditor::~TEditor() { QAccessible::removeActivationObserver(this); }

QAccessibleInterface* TEditor::PlainAccessible(const QString& class_name, QObject* object) {
  // While no assistive technology listens, an editor's accessible is a plain widget:
  // QScintilla's own counts the characters from the start of the text to the caret at every
  // repaint, which makes typing late in a long text slow for nobody's benefit.
  if (class_name != QLatin1String(staticMetaObject.className())) return nullptr;
  auto* editor = static_cast<TEditor*>(object);
  if (!editor->changes_before_only_) return nullptr;
  return new QAccessibleWidget(editor, QAccessible::EditableText);
}

void TEditor::accessibilityActiveChanged(bool active) {
  // QScintilla tells the accessibility layer of every insertion and deletion, counting the
  // characters from the start of the text to the change: a key press late in a 20 MB text
  // would cost 80 ms. While no assistive technology listens, Scintilla reports only the
  // changes about to be made, which that layer ignores, and textChanged follows once they
  // are made.
  changes_before_only_ = !active;
  // A screen reader that starts now gets QScintilla's full accessible instead of the plain one.
  if (QAccessibleInterface* plain = active ? QAccessible::queryAccessibleInterface(this) : nullptr;
      plain != nullptr && plain->textInterface() == nullptr) {
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(plain));
  }
  SendScintilla(SCI_SETMODEVENTMASK,
                active ? static_cast<unsigned long>(SC_MODEVENTMASKALL)
                       : static_cast<unsigned long>(SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE));
}

void TEditor::NoteComingChange(int modification_type) {
  if (!changes_before_only_ ||
      (modification_type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE)) == 0)
    return;
  if (!change_reported_) return;
  change_reported_ = false;
  // Reported when the call or key that made it returns, or else from the event loop.
  QMetaObject::invokeMethod(this, &TEditor::ReportChange, Qt::QueuedConnection);
}

void TEditor::ReportChange() {
  if (change_reported_) return;
  change_reported_ = true;
  emit textChanged();
}

void TEditor::SetEncoding(TEncoding encoding) {
  if (encoding == encoding_) return;
  encoding_ = encoding;
  // The bytes kept were the other encoding's.
  exact_bytes_.clear();
  exact_text_.clear();
}

std::string TEditor::Encode(const QString& text) const {
  return encoding_ == TEncoding::kUtf8 ? text.toUtf8().toStdString() : ToCp932(text);
}

QString TEditor::Decode(const std::string& bytes) const {
  return encoding_ == TEncoding::kUtf8
             ? QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
             : FromCp932(bytes);
}

std::string TEditor::Text() const {
  const QString current = text();
  if (!exact_bytes_.empty() && current == exact_text_) return exact_bytes_;
  return Encode(current);
}

void TEditor::SetText(const std::string& bytes) {
  const QString text = Decode(bytes);
  exact_bytes_.clear();
  exact_text_.clear();
  if (Encode(text) != bytes) {
    // Kept so that the text, as long as nobody changes it, is handed back byte for byte.
    exact_bytes_ = bytes;
    exact_text_ = text;
  }
  setText(text);
  ReportChange();
}

void TEditor::clear() {
  exact_bytes_.clear();
  exact_text_.clear();
  QsciScintilla::clear();
  ReportChange();
  UpdateLineNumbers();
}

void TEditor::AppendText(const std::string& bytes) {
  append(Decode(bytes));
  ReportChange();
}

TEditor::TLoadResult TEditor::LoadFile(const std::string& path, std::size_t* nul_offset,
                                       std::optional<TEncoding> forced) {
  std::optional<std::string> text = AsEditorText(LoadTextFile(path, nul_offset));
  if (!text) return TLoadResult::kUnreadable;
  byte_order_mark_ = text->starts_with(kUtf8Bom);
  if (byte_order_mark_) text->erase(0, kUtf8Bom.size());
  SetEncoding(byte_order_mark_ ? TEncoding::kUtf8
                               : DetectEncoding(*text, forced ? &*forced : nullptr));
  SetText(*text);
  return TLoadResult::kLoaded;
}

std::optional<TEditor::TLoss> TEditor::LossOnSaving() const {
  if (exact_bytes_.empty()) return std::nullopt;
  // Line by line, and within a line that does not come back whole, character by character.
  std::optional<TLoss> loss;
  const std::string_view text = exact_bytes_;
  int line = 0;
  for (std::size_t start = 0; start < text.size(); ++line) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string row(text.substr(start, end - start));
    if (Encode(Decode(row)) != row) {
      for (std::size_t i = 0; i < row.size();) {
        const std::size_t size = CharBytesAt(row, i, encoding_);
        const std::string bytes = row.substr(i, size);
        const QString character = Decode(bytes);
        std::string back = Encode(character);
        if (back != bytes) {
          if (!loss) loss = TLoss{0, line, bytes, character, std::move(back)};
          ++loss->places;
        }
        i += size;
      }
    }
    start = end + 1;
  }
  return loss;
}

bool TEditor::SaveFile(const std::string& path) const {
  const bool mark = byte_order_mark_ && encoding_ == TEncoding::kUtf8;
  return SaveTextFile(path, (mark ? std::string(kUtf8Bom) : std::string()) + Text());
}

std::string TEditor::SelectedTextBytes() const { return Encode(selectedText()); }

void TEditor::ReplaceSelection(const std::string& bytes) {
  // replaceSelectedText inserts at the caret when nothing is selected and leaves the caret
  // behind the new text.
  replaceSelectedText(Decode(bytes));
  ReportChange();
}

int TEditor::BytesFromPosition(int position) const {
  // Scintilla counts UTF-8 bytes: in a UTF-8 pane they are the pane's own.
  if (encoding_ == TEncoding::kUtf8) return position;
  const QByteArray utf8 = text().toUtf8().left(position);
  return static_cast<int>(ConvertEncoding(utf8.toStdString(), "CP932", "UTF-8", "?").size());
}

int TEditor::PositionFromBytes(int bytes) const {
  if (encoding_ == TEncoding::kUtf8) return std::max(bytes, 0);
  const std::string cp932 = Text().substr(0, static_cast<std::size_t>(std::max(bytes, 0)));
  return static_cast<int>(ConvertEncoding(cp932, "UTF-8", "CP932", "\xEF\xBF\xBD").size());
}

int TEditor::SelStart() const {
  const long start = SendScintilla(SCI_GETSELECTIONSTART);
  return BytesFromPosition(static_cast<int>(start));
}

void TEditor::SetSelStart(int bytes) {
  const long position = PositionFromBytes(bytes);
  SendScintilla(SCI_SETSEL, position, position);
}

void TEditor::SetSelLength(int bytes) {
  const int start_bytes = BytesFromPosition(static_cast<int>(SendScintilla(SCI_GETCURRENTPOS)));
  const long anchor = PositionFromBytes(start_bytes);
  const long caret = PositionFromBytes(start_bytes + bytes);
  SendScintilla(SCI_SETSEL, anchor, caret);
}

void TEditor::SelectBytes(int start, int length) {
  SendScintilla(SCI_SETSEL, PositionFromBytes(start), PositionFromBytes(start + length));
  SendScintilla(SCI_SCROLLCARET);
}

void TEditor::SelectLine(int row) {
  row = std::clamp(row, 0, std::max(0, lines() - 1));
  const long start = SendScintilla(SCI_POSITIONFROMLINE, row);
  const long end = SendScintilla(SCI_GETLINEENDPOSITION, row);
  ensureLineVisible(row);
  SendScintilla(SCI_SETSEL, start, end);
  SendScintilla(SCI_SCROLLCARET);
}

void TEditor::ReplaceAllText(const std::string& bytes) {
  const int top = TopRow();
  const int row = CaretRow();
  beginUndoAction();
  SendScintilla(SCI_SETTARGETRANGE, 0L, SendScintilla(SCI_GETLENGTH));
  const QByteArray utf8 = Decode(bytes).toUtf8();
  SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(utf8.size()), utf8.constData());
  endUndoAction();
  ReportChange();
  // The caret goes to the start of its line, which stays where it was when the text allows.
  SendScintilla(SCI_GOTOLINE, std::min(row, std::max(0, lines() - 1)));
  SetTopRow(top);
}

int TEditor::CaretRow() const {
  int line = 0;
  int index = 0;
  getCursorPosition(&line, &index);
  return line;
}

void TEditor::SetCaretRow(int row) {
  setCursorPosition(std::max(0, std::min(row, lines() - 1)), 0);
}

int TEditor::TopRow() const { return firstVisibleLine(); }

void TEditor::SetTopRow(int row) { setFirstVisibleLine(std::max(0, row)); }

std::optional<TEditor::TToken> TEditor::TokenAtCaret() const {
  int line = 0;
  int index = 0;
  getCursorPosition(&line, &index);
  const QString text_line = text(line);
  const qsizetype column = QString::fromUtf8(text_line.toUtf8().left(index)).size();
  static const QRegularExpression kToken(
      R"((https?|ftp)://[^\s"'<>]+|[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,})");
  for (auto it = kToken.globalMatch(text_line); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (column >= m.capturedStart() && column <= m.capturedEnd()) {
      const QString token = m.captured();
      return TToken{token.contains("://") ? TToken::kUrl : TToken::kMail, token};
    }
  }
  return std::nullopt;
}

void TEditor::SelectTokenAtCaret() {
  const long position = SendScintilla(SCI_GETCURRENTPOS);
  const long start = SendScintilla(SCI_WORDSTARTPOSITION, position, true);
  const long end = SendScintilla(SCI_WORDENDPOSITION, position, true);
  SendScintilla(SCI_SETSEL, start, end);
}

void TEditor::ShowLineNumbersFromZero(bool show) {
  zero_based_lines_ = show;
  if (show) {
    setMarginType(0, TextMarginRightJustified);
    setMarginWidth(0, QStringLiteral("000000"));
    UpdateLineNumbers();
  } else {
    setMarginWidth(0, 0);
  }
}

bool TEditor::LineNumbered(int line) const {
  const long length = SendScintilla(SCI_MARGINGETTEXT, static_cast<unsigned long>(line),
                                    static_cast<const char*>(nullptr));
  if (length <= 0) return false;
  std::string text(static_cast<std::size_t>(length), '\0');
  SendScintilla(SCI_MARGINGETTEXT, static_cast<unsigned long>(line), text.data());
  return text == std::to_string(line);
}

void TEditor::UpdateLineNumbers() {
  if (!zero_based_lines_) return;
  // Margin texts travel with their lines when lines come or go, and clearing the text drops
  // them; only the lines in view are looked at, so that an edit in a long text costs what it
  // costs in a short one.
  const int first = static_cast<int>(SendScintilla(
      SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(SendScintilla(SCI_GETFIRSTVISIBLELINE))));
  const int end = std::min(lines(), first + static_cast<int>(SendScintilla(SCI_LINESONSCREEN)) + 2);
  for (int line = first; line < end; ++line) {
    if (!LineNumbered(line)) setMarginText(line, QString::number(line), 0);
  }
}

void TEditor::mouseDoubleClickEvent(QMouseEvent* event) {
  QsciScintilla::mouseDoubleClickEvent(event);
  if (on_double_click) on_double_click(*this);
}

void TEditor::inputMethodEvent(QInputMethodEvent* event) {
  QsciScintilla::inputMethodEvent(event);
  ReportChange();
}

void TEditor::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && on_return &&
      on_return(*this)) {
    event->accept();
    return;
  }
  QsciScintilla::keyPressEvent(event);
  ReportChange();
}

void TEditor::wheelEvent(QWheelEvent* event) {
  if (on_wheel) {
    on_wheel(*this, event->angleDelta().y());
    event->accept();
    return;
  }
  QsciScintilla::wheelEvent(event);
}

void TEditor::resizeEvent(QResizeEvent* event) {
  QsciScintilla::resizeEvent(event);
  UpdateLineNumbers();  // more lines may have come into view
  if (on_resize) on_resize(*this);
}

}  // namespace zorvik

namespace zorvik {

void TEditor::ShowLineEndMarks(bool show) {
  line_end_marks_ = show;
  viewport()->update();
}

void TEditor::paintEvent(QPaintEvent* event) {
  QsciScintilla::paintEvent(event);
  if (!line_end_marks_) return;
  // A light return arrow behind every line that ends with CR LF, as Japanese text editors
  // draw it; Scintilla's own marks are heavy boxes that hide the text's shape.
  QPainter painter(viewport());
  painter.setPen(QColor(160, 160, 160));
  if (lexer() != nullptr) painter.setFont(lexer()->defaultFont());
  const long first =
      SendScintilla(SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(firstVisibleLine()));
  const long last = std::min<long>(first + SendScintilla(SCI_LINESONSCREEN) + 1, lines() - 2);
  const int width = viewport()->width();
  for (long line = first; line <= last; ++line) {
    const long end = SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    const int x = static_cast<int>(SendScintilla(SCI_POINTXFROMPOSITION, 0UL, end));
    const int y = static_cast<int>(SendScintilla(SCI_POINTYFROMPOSITION, 0UL, end));
    const int height =
        static_cast<int>(SendScintilla(SCI_TEXTHEIGHT, static_cast<unsigned long>(line)));
    if (x >= width) continue;
    painter.drawText(QRect(x + 1, y, height, height), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("\u21B5"));
  }
}

void TEditor::MarkModified() {
  if (isModified()) return;
  // QScintilla can only clear the flag: an edit and its reverse, as one undo step, set it.
  const bool read_only = isReadOnly();
  setReadOnly(false);
  beginUndoAction();
  SendScintilla(SCI_INSERTTEXT, 0UL, static_cast<const char*>(" "));
  SendScintilla(SCI_DELETERANGE, 0UL, 1L);
  endUndoAction();
  ReportChange();
  setReadOnly(read_only);
}

}  // namespace zorvik
