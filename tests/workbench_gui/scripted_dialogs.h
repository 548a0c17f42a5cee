// Test helper: message boxes and file dialogs that answer from a script and record what they
// were asked, so that windows can be driven without modal boxes.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "workbench/ui/dialogs.h"

namespace zorvik::testing {

class TScriptedDialogs : public TDialogs {
 public:
  void ShowError(QWidget*, const QString& message) override { errors << message; }
  void ShowMessage(QWidget*, const QString& message) override {
    messages << message;
    if (on_message) on_message();
  }
  void ShowAbout(QWidget*, const QString&, const QString& text) override { messages << text; }
  bool AskYes(QWidget*, const QString& message, bool default_no) override {
    questions << message;
    defaults_no << default_no;
    if (answers.empty()) return true;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  TSaveAnswer AskSaveChanges(QWidget*, const QString& message) override {
    questions << message;
    if (on_question) on_question();
    if (save_answers.empty()) return TSaveAnswer::kCancel;
    const TSaveAnswer answer = save_answers.front();
    save_answers.pop_front();
    return answer;
  }
  std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&, const QString&,
                                      const QString&) override {
    return Next();
  }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                                      const QString&) override {
    return Next();
  }

  QStringList OpenFileNames(QWidget*, const QString&, const QString&, const QString&) override {
    ++file_dialogs;
    QStringList chosen = file_lists.empty() ? QStringList() : file_lists.front();
    if (!file_lists.empty()) file_lists.pop_front();
    return chosen;
  }
  std::optional<QColor> PickColor(QWidget*) override {
    ++colour_dialogs;
    return color;
  }
  std::optional<int> AskNumber(QWidget*, const QString&, const QString& label, int, int,
                               int) override {
    questions << label;
    if (numbers.empty()) return std::nullopt;
    const auto number = numbers.front();
    numbers.pop_front();
    return number;
  }

  std::optional<QString> AskPassword(QWidget*, const QString& label) override {
    questions << label;
    std::optional<QString> password;
    if (!passwords.empty()) {
      password.swap(passwords.front());
      passwords.pop_front();
    }
    return password;
  }

  std::deque<QStringList> file_lists;            // several-file dialog results
  std::deque<std::optional<QString>> passwords;  // password answers, cancelled when empty
  std::optional<QColor> color;                   // the colour dialog's result
  std::deque<std::optional<int>> numbers;        // number questions' answers, cancelled when empty
  std::deque<bool> answers;                      // Yes/No answers, Yes when empty
  std::deque<TSaveAnswer> save_answers;          // "save the changes?" answers, Cancel when empty
  std::deque<std::optional<QString>> files;      // file dialog results, cancelled when empty
  std::function<void()> on_message;              // runs as a message box would show
  std::function<void()> on_question;             // runs while the save question is shown
  QStringList errors;
  QStringList messages;
  QStringList questions;
  QList<bool> defaults_no;  // for each AskYes, whether No was the default
  int file_dialogs = 0;     // file dialogs shown
  int colour_dialogs = 0;

 private:
  std::optional<QString> Next() {
    ++file_dialogs;
    std::optional<QString> file;
    if (!files.empty()) {
      file.swap(files.front());
      files.pop_front();
    }
    return file;
  }
};

}  // namespace zorvik::testing
