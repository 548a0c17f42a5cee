// The editor control of every text pane: QScintilla holding Unicode, seen from the rest of the
// program as CP932 text with CR LF line ends and offsets counted in CP932 bytes. Conversion
// happens here and nowhere else.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <QAccessible>
#include <functional>
#include <optional>
#include <string>

namespace zorvik {

class TEditor : public QsciScintilla, private QAccessible::ActivationObserver {
  Q_OBJECT

 public:
  explicit TEditor(QWidget* parent = nullptr);
  ~TEditor() override;

  // The whole text, lines joined by CR LF (CP932). While the text is the one SetText gave,
  // these are the very bytes given, also those that Unicode cannot hold.
  std::string Text() const;
  // Marks the text as changed since it was saved, without changing it (one empty undo step).
  void MarkModified();
  void SetText(const std::string& cp932);
  // Empties the pane (Scintilla drops the margin texts after the change is reported).
  void clear() override;
  // Appends a text (CP932) at the end; CR LF pairs in it end lines.
  void AppendText(const std::string& cp932);

  // Loads a file's lines (LoadTextFile rules; no line end after the last line). Fails without
  // changing anything when the file cannot be read. `lossy` tells that some bytes would not
  // survive the round trip through the editor; `nul_offset` where a NUL byte cut the text
  // (npos when none did).
  enum class TLoadResult { kLoaded, kUnreadable };
  TLoadResult LoadFile(const std::string& path, bool* lossy, std::size_t* nul_offset = nullptr);
  // Writes the lines, each followed by CR LF, atomically; false when that failed.
  bool SaveFile(const std::string& path) const;

  std::string SelectedTextBytes() const;
  void ReplaceSelection(const std::string& cp932);
  int SelStart() const;          // CP932 bytes from the start
  void SetSelStart(int bytes);   // moves the caret there, no selection
  void SetSelLength(int bytes);  // selects that many bytes forward from the caret
  // Selects [start, start + length) (CP932 bytes) and scrolls it into view.
  void SelectBytes(int start, int length);
  // Selects the text of a line (not its line end) and scrolls it into view.
  void SelectLine(int row);
  // Puts text in place of the whole text as one undo step, keeping the view where it was.
  void ReplaceAllText(const std::string& cp932);
  int CaretRow() const;
  void SetCaretRow(int row);
  int TopRow() const;
  void SetTopRow(int row);

  // The URL or mail address under the caret, if any.
  struct TToken {
    enum Kind { kUrl, kMail } kind;
    QString text;
  };
  std::optional<TToken> TokenAtCaret() const;
  void SelectTokenAtCaret();

  // A light mark behind every line end (CR LF).
  void ShowLineEndMarks(bool show);

  // Line numbers in the margin counted from 0, as the log messages count.
  void ShowLineNumbersFromZero(bool show);

  // Replaceable handlers, set up at start-up.
  std::function<void(TEditor&)> on_double_click;
  std::function<void(TEditor&, int delta)> on_wheel;
  std::function<void(TEditor&)> on_resize;
  // Enter pressed: true when it was handled, so that no line end is typed.
  std::function<bool(TEditor&)> on_return;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int PositionFromBytes(int bytes) const;
  int BytesFromPosition(int position) const;
  void UpdateLineNumbers();
  bool LineNumbered(int line) const;
  void accessibilityActiveChanged(bool active) override;
  static QAccessibleInterface* PlainAccessible(const QString& class_name, QObject* object);
  void NoteComingChange(int modification_type);
  void ReportChange();  // textChanged, once for the changes made since the last report

  // True while Scintilla reports only coming changes (nobody listens for accessibility).
  bool changes_before_only_ = false;
  bool change_reported_ = true;

  bool zero_based_lines_ = false;
  bool line_end_marks_ = false;
  // The bytes of the last SetText and their Unicode text, kept only when they differ from what
  // the Unicode text would give back.
  std::string exact_bytes_;
  QString exact_text_;
};

}  // namespace zorvik
