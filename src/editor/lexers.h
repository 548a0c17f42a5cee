// The colourings of the three panes: the page source ("//" comments, "[...]" marks), the
// written HTML (tags, attributes, values, "<!--...-->", "{$...}") and the log (time stamps,
// "(...)", run frames). URLs and mail addresses are marked in the first two.
#pragma once

#include <Qsci/qscilexercustom.h>

#include <vector>

namespace zorvik {

// Styles a pane by classifying its bytes (UTF-8): the lines of the changed range, or the whole
// document for a colouring whose constructs span lines.
class TPaneLexer : public QsciLexerCustom {
  Q_OBJECT

 public:
  explicit TPaneLexer(QObject* parent, bool line_local);
  void styleText(int start, int end) override;

 protected:
  // One style per byte of text, 0 for the default.
  virtual void Classify(const QByteArray& text, std::vector<unsigned char>& styles) const = 0;
  void DefineStyle(int style, const QColor& color, bool bold);
  static void MarkLinks(const QByteArray& text, std::vector<unsigned char>& styles, int url_style,
                        int mail_style);

 private:
  bool line_local_;
};

class TPageSourceLexer : public TPaneLexer {
  Q_OBJECT
 public:
  enum Style { kDefault, kComment, kBracket, kUrl, kMail };
  explicit TPageSourceLexer(QObject* parent);
  const char* language() const override { return "PageSource"; }
  QString description(int style) const override;

 protected:
  void Classify(const QByteArray& text, std::vector<unsigned char>& styles) const override;
};

class THtmlLexer : public TPaneLexer {
  Q_OBJECT
 public:
  enum Style { kDefault, kTag, kAttribute, kValue, kComment, kConversionTag, kUrl, kMail };
  explicit THtmlLexer(QObject* parent);
  const char* language() const override { return "WrittenHtml"; }
  QString description(int style) const override;

 protected:
  void Classify(const QByteArray& text, std::vector<unsigned char>& styles) const override;
};

class TLogLexer : public TPaneLexer {
  Q_OBJECT
 public:
  enum Style { kDefault, kStamp, kParenthesis, kRunStart, kRunEnd };
  explicit TLogLexer(QObject* parent);
  const char* language() const override { return "GenerationLog"; }
  QString description(int style) const override;

 protected:
  void Classify(const QByteArray& text, std::vector<unsigned char>& styles) const override;
};

}  // namespace zorvik
