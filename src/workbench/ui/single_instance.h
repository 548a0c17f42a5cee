// One workbench per settings file: a second start hands its page to the workbench that is
// running, which opens it and comes to the front, and ends. The two meet at a local socket in
// the user's runtime folder (else beside the settings file), named after the settings file.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace zorvik {

class TSingleInstance : public QObject {
  Q_OBJECT

 public:
  // The socket of the workbench that keeps settings_file; runtime_folder is $XDG_RUNTIME_DIR
  // (may be empty). Empty when there is no place for one.
  static QString SocketPath(const std::string& settings_file, const QString& runtime_folder);

  // Either hands page (an absolute path, or empty) to the workbench already running on
  // socket_path and returns true (waiting a while for one that is busy, never becoming a second
  // one beside it), or becomes that workbench and returns false; from then on on_page is
  // called with each page a later start hands over (empty for none).
  bool HandOverOrListen(const QString& socket_path, const QString& page,
                        std::function<void(const QString&)> on_page);

 private:
  // Hands page on; one taken while another is being taken (its question up) waits its turn.
  void Take(const QString& page);

  std::unique_ptr<QLocalServer> server_;
  std::function<void(const QString&)> on_page_;
  bool taking_ = false;
  std::deque<QString> waiting_;
};

}  // namespace zorvik
