// The message boxes and file dialogs of the workbench behind one interface, so that windows
// can be driven by tests without modal boxes. Texts are the system's own, in UTF-8.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace zorvik {

// The answers to "save the changes?".
enum class TSaveAnswer { kSave, kDiscard, kCancel };

class TDialogs {
 public:
  virtual ~TDialogs() = default;
  // A modal error box with one OK button.
  virtual void ShowError(QWidget* parent, const QString& message) = 0;
  // A plain message box with one OK button.
  virtual void ShowMessage(QWidget* parent, const QString& message) = 0;
  // The About box.
  virtual void ShowAbout(QWidget* parent, const QString& title, const QString& text) = 0;
  // A Yes/No question; true for Yes. With default_no the No button has the focus.
  virtual bool AskYes(QWidget* parent, const QString& message, bool default_no) = 0;
  // Whether to save changes before they would be lost: 保存 / 保存しない / キャンセル, with
  // キャンセル the default.
  virtual TSaveAnswer AskSaveChanges(QWidget* parent, const QString& message) = 0;
  // File dialogs; nothing when cancelled. filter uses Qt's ";;" form.
  virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& title,
                                              const QString& filter, const QString& suffix,
                                              const QString& preset) = 0;
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                              const QString& filter, const QString& suffix,
                                              const QString& preset) = 0;
  // Several files at once; empty when cancelled.
  virtual QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& suffix) = 0;
  // The colour dialog; nothing when cancelled.
  virtual std::optional<QColor> PickColor(QWidget* parent) = 0;
  // A whole number between min and max; nothing when cancelled.
  virtual std::optional<int> AskNumber(QWidget* parent, const QString& title, const QString& label,
                                       int value, int min, int max) = 0;
  // A password, not shown as it is typed; nothing when cancelled.
  virtual std::optional<QString> AskPassword(QWidget* parent, const QString& label) = 0;
};

// The real boxes and dialogs.
class TQtDialogs : public TDialogs {
 public:
  void ShowError(QWidget* parent, const QString& message) override;
  void ShowMessage(QWidget* parent, const QString& message) override;
  void ShowAbout(QWidget* parent, const QString& title, const QString& text) override;
  bool AskYes(QWidget* parent, const QString& message, bool default_no) override;
  TSaveAnswer AskSaveChanges(QWidget* parent, const QString& message) override;
  std::optional<QString> OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                                      const QString& suffix, const QString& preset) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                      const QString& suffix, const QString& preset) override;
  QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& filter,
                            const QString& suffix) override;
  std::optional<QColor> PickColor(QWidget* parent) override;
  std::optional<int> AskNumber(QWidget* parent, const QString& title, const QString& label,
                               int value, int min, int max) override;
  std::optional<QString> AskPassword(QWidget* parent, const QString& label) override;
};

// The program's three message functions on top of a TDialogs.
// Shows message as an error when condition is false; returns condition.
bool ErrorUnless(TDialogs& dialogs, QWidget* parent, const QString& message, bool condition);
// True unless the answer is Yes (every caller passes false for the three switches).
bool AnsweredNo(TDialogs& dialogs, QWidget* parent, const QString& message, bool skip = false,
                bool default_no = false, bool invert = false);
// The Yes/No question with No focused; true for Yes.
bool AskDefaultNo(TDialogs& dialogs, QWidget* parent, const QString& message);

}  // namespace zorvik
