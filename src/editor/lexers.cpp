#include "editor/lexers.h"

#include <Qsci/qsciscintilla.h>

#include <QRegularExpression>

namespace zorvik {
namespace {

const QColor kTeal(0, 128, 128);
const QColor kOlive(128, 128, 0);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kNavy(0, 0, 128);
const QColor kMaroon(128, 0, 0);
const QColor kPurple(128, 0, 128);

void Fill(std::vector<unsigned char>& styles, qsizetype from, qsizetype to, unsigned char style) {
  for (qsizetype i = from; i < to && i < static_cast<qsizetype>(styles.size()); ++i) {
    styles[static_cast<std::size_t>(i)] = style;
  }
}

// Marks from each `open` to the next `close` on the same line (both included).
void MarkSpans(const QByteArray& text, const QByteArray& open, const QByteArray& close,
               std::vector<unsigned char>& styles, unsigned char style) {
  for (qsizetype at = text.indexOf(open); at >= 0; at = text.indexOf(open, at + 1)) {
    const qsizetype line_end = text.indexOf('\n', at);
    const qsizetype end = text.indexOf(close, at + open.size());
    if (end < 0 || (line_end >= 0 && end > line_end)) continue;
    Fill(styles, at, end + close.size(), style);
    at = end;
  }
}

}  // namespace

TPaneLexer::TPaneLexer(QObject* parent, bool line_local)
    : QsciLexerCustom(parent), line_local_(line_local) {}

void TPaneLexer::DefineStyle(int style, const QColor& color, bool bold) {
  setColor(color, style);
  QFont font = defaultFont(style);
  font.setBold(bold);
  setFont(font, style);
}

void TPaneLexer::styleText(int start, int end) {
  QsciScintilla* pane = editor();
  if (pane == nullptr) return;
  long from = 0;
  long to = pane->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
  if (line_local_) {
    // Only the lines of the range: appending to a long log costs the new lines only.
    from = pane->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                               pane->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, start));
    to = end;
  }
  if (to <= from) return;
  const auto* bytes = reinterpret_cast<const char*>(
      pane->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER, from, to - from));
  if (bytes == nullptr) return;
  const QByteArray text(bytes, static_cast<qsizetype>(to - from));
  std::vector<unsigned char> styles(static_cast<std::size_t>(text.size()), 0);
  Classify(text, styles);
  startStyling(static_cast<int>(from));
  std::size_t run = 0;
  for (std::size_t i = 1; i <= styles.size(); ++i) {
    if (i == styles.size() || styles[i] != styles[run]) {
      setStyling(static_cast<int>(i - run), styles[run]);
      run = i;
    }
  }
}

void TPaneLexer::MarkLinks(const QByteArray& text, std::vector<unsigned char>& styles,
                           int url_style, int mail_style) {
  static const QRegularExpression kUrl(R"((https?|ftp)://[^\s"'<>]+)");
  static const QRegularExpression kMail(R"([A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,})");
  const QString s = QString::fromUtf8(text);
  auto mark = [&](const QRegularExpression& re, int style) {
    for (auto it = re.globalMatch(s); it.hasNext();) {
      const QRegularExpressionMatch m = it.next();
      const qsizetype from = s.left(m.capturedStart()).toUtf8().size();
      const qsizetype to = from + m.captured().toUtf8().size();
      Fill(styles, from, to, static_cast<unsigned char>(style));
    }
  };
  mark(kMail, mail_style);
  mark(kUrl, url_style);
}

TPageSourceLexer::TPageSourceLexer(QObject* parent) : TPaneLexer(parent, true) {
  DefineStyle(kComment, kTeal, true);
  DefineStyle(kBracket, kOlive, true);
  DefineStyle(kUrl, kBlue, false);
  DefineStyle(kMail, kTeal, false);
}

QString TPageSourceLexer::description(int style) const {
  switch (style) {
    case kDefault:
      return "Default";
    case kComment:
      return "Comment";
    case kBracket:
      return "Bracket";
    case kUrl:
      return "URL";
    case kMail:
      return "Mail";
  }
  return {};
}

void TPageSourceLexer::Classify(const QByteArray& text, std::vector<unsigned char>& styles) const {
  MarkSpans(text, "[", "]", styles, kBracket);
  MarkLinks(text, styles, kUrl, kMail);
  // Text behind "//" is a comment to the end of its line.
  for (qsizetype at = text.indexOf("//"); at >= 0; at = text.indexOf("//", at + 1)) {
    if (at >= 1 && text[at - 1] == ':') continue;  // the "//" of a URL
    qsizetype end = text.indexOf('\n', at);
    if (end < 0) end = text.size();
    Fill(styles, at, end, kComment);
    at = end;
  }
}

THtmlLexer::THtmlLexer(QObject* parent) : TPaneLexer(parent, false) {
  DefineStyle(kTag, kNavy, false);
  DefineStyle(kAttribute, kPurple, false);
  DefineStyle(kValue, kMaroon, false);
  DefineStyle(kComment, kRed, false);
  DefineStyle(kConversionTag, kRed, true);
  DefineStyle(kUrl, kBlue, false);
  DefineStyle(kMail, kTeal, false);
}

QString THtmlLexer::description(int style) const {
  static const char* const kNames[] = {"Default",        "Tag", "Attribute", "Value", "Comment",
                                       "Conversion tag", "URL", "Mail"};
  return style >= 0 && style < 8 ? kNames[style] : QString();
}

void THtmlLexer::Classify(const QByteArray& text, std::vector<unsigned char>& styles) const {
  MarkLinks(text, styles, kUrl, kMail);
  qsizetype i = 0;
  while (i < text.size()) {
    if (text.mid(i, 4) == "<!--") {
      qsizetype end = text.indexOf("-->", i + 4);
      end = end < 0 ? text.size() : end + 3;
      Fill(styles, i, end, kComment);
      i = end;
    } else if (text[i] == '<') {
      // Tag name, then attributes and their values up to ">".
      qsizetype j = i + 1;
      while (j < text.size() && !QChar::isSpace(text[j]) && text[j] != '>') ++j;
      Fill(styles, i, j, kTag);
      while (j < text.size() && text[j] != '>' && text[j] != '<') {
        if (text[j] == '"' || text[j] == '\'') {
          const qsizetype close = text.indexOf(text[j], j + 1);
          const qsizetype end = close < 0 ? text.size() : close + 1;
          Fill(styles, j, end, kValue);
          j = end;
        } else {
          if (!QChar::isSpace(text[j]) && text[j] != '=')
            styles[static_cast<std::size_t>(j)] = kAttribute;
          ++j;
        }
      }
      if (j < text.size() && text[j] == '>') styles[static_cast<std::size_t>(j++)] = kTag;
      i = j;
    } else {
      ++i;
    }
  }
  MarkSpans(text, "{$", "}", styles, kConversionTag);
}

TLogLexer::TLogLexer(QObject* parent) : TPaneLexer(parent, true) {
  DefineStyle(kStamp, kOlive, true);
  DefineStyle(kParenthesis, kRed, false);
  DefineStyle(kRunStart, kBlue, true);
  DefineStyle(kRunEnd, kBlue, false);
}

QString TLogLexer::description(int style) const {
  static const char* const kNames[] = {"Default", "Time stamp", "Parenthesis", "Run start",
                                       "Run end"};
  return style >= 0 && style < 5 ? kNames[style] : QString();
}

void TLogLexer::Classify(const QByteArray& text, std::vector<unsigned char>& styles) const {
  MarkSpans(text, "(", ")", styles, kParenthesis);
  MarkSpans(text, "[", "]", styles, kStamp);
  MarkSpans(text, "▼▼▼", "▽▽▽", styles, kRunStart);
  MarkSpans(text, "▲▲▲", "△△△", styles, kRunEnd);
}

}  // namespace zorvik
