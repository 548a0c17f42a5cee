// The editor control of every text pane: QScintilla holding Unicode, seen from the rest of the
// program as text in the pane's encoding (CP932 unless set to UTF-8) with CR LF line ends and
// offsets counted in its bytes. Conversion happens here and nowhere else.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <QAccessible>
#include <functional>
#include <optional>
#include <string>

#include "text/utf8.h"

namespace zorvik {

class TEditor : public QsciScintilla, private QAccessible::ActivationObserver {
  Q_OBJECT

 public:
  explicit TEditor(QWidget* parent = nullptr);
  ~TEditor() override;

  // The encoding of the bytes this pane takes and gives (the text itself stays as it is).
  TEncoding Encoding() const { return encoding_; }
  void SetEncoding(TEncoding encoding);
  // Whether the file loaded last started with a UTF-8 byte-order mark, which a save keeps.
  bool HasByteOrderMark() const { return byte_order_mark_; }
  // Text in this pane's encoding, and back.
  std::string Encode(const QString& text) const;
  QString Decode(const std::string& bytes) const;

  // The whole text, lines joined by CR LF, in the pane's encoding. While the text is the one
  // SetText gave, these are the very bytes given, also those that Unicode cannot hold.
  std::string Text() const;
  // Marks the text as changed since it was saved, without changing it (one empty undo step).
  void MarkModified();
  void SetText(const std::string& bytes);
  // Empties the pane (Scintilla drops the margin texts after the change is reported).
  void clear() override;
  // Appends a text at the end; CR LF pairs in it end lines.
  void AppendText(const std::string& bytes);

  // Loads a file's lines (LoadTextFile rules; no line end after the last line), in the encoding
  // its bytes have (ChooseEncoding). Fails without changing anything when the file cannot be
  // read. `nul_offset`: where a NUL byte cut the text (npos when none did).
  enum class TLoadResult { kLoaded, kUnreadable };
  // forced: the encoding of a file without a byte-order mark, when the user set one.
  TLoadResult LoadFile(const std::string& path, std::size_t* nul_offset = nullptr,
                       std::optional<TEncoding> forced = std::nullopt);

  // The characters of the text SetText or LoadFile gave that a save would not write back as
  // their bytes (bytes that are no character, one of two codes of a character): how many, and
  // the first of them.
  struct TLoss {
    int places = 0;
    int line = 0;       // counted from 0, as the margin counts
    std::string bytes;  // in the file
    QString character;  // as the pane shows it
    std::string back;   // as a save would write it
  };
  std::optional<TLoss> LossOnSaving() const;
  // Writes the lines, each followed by CR LF, in the pane's encoding (after the byte-order mark
  // the file had), atomically; false when that failed.
  bool SaveFile(const std::string& path) const;

  std::string SelectedTextBytes() const;
  void ReplaceSelection(const std::string& bytes);
  int SelStart() const;          // bytes from the start
  void SetSelStart(int bytes);   // moves the caret there, no selection
  void SetSelLength(int bytes);  // selects that many bytes forward from the caret
  // Selects [start, start + length) (bytes) and scrolls it into view.
  void SelectBytes(int start, int length);
  // Selects the text of a line (not its line end) and scrolls it into view.
  void SelectLine(int row);
  // Puts text in place of the whole text as one undo step, keeping the view where it was.
  void ReplaceAllText(const std::string& bytes);
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
  TEncoding encoding_ = TEncoding::kCp932;
  bool byte_order_mark_ = false;
};

}  // namespace zorvik
