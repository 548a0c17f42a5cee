// The site over HTTP on the loopback interface only (127.0.0.1 and ::1): its files as the
// preview decides them, every HTML page with the live-reload script, and the event stream that
// script listens to. Requests whose Host does not name the loopback are refused, so that a web
// page elsewhere cannot read the site through a name that it points at 127.0.0.1.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "serve/reload_hub.h"
#include "site/site_access.h"

namespace httplib {
class Server;
}

namespace zorvik::cli {

class TSiteServer {
 public:
  // on_served gets the path of every file served (from a server thread).
  TSiteServer(TReloadHub& hub, std::function<void(const std::string&)> on_served);
  ~TSiteServer();
  TSiteServer(const TSiteServer&) = delete;
  TSiteServer& operator=(const TSiteServer&) = delete;

  // Listens on port, or with search on the first free port from port on (100 tried); false
  // with *err saying why when none could be bound. ::1 is left out where the system has no
  // IPv6, never 127.0.0.1.
  bool Bind(int port, bool search, std::string* err);
  int Port() const { return port_; }
  // Serves site, URL paths taken below root (one of its roots), from threads of its own.
  void Start(TSiteAccess site, std::string root);
  // Ends every open event stream and the server threads, waiting for them.
  void Stop();
  // Ends the event streams and stops listening, without waiting for the threads that still
  // hold an idle connection: for a process that ends right after.
  void Halt();

 private:
  void Route(httplib::Server& server);

  TReloadHub& hub_;
  std::function<void(const std::string&)> on_served_;
  TSiteAccess site_;
  std::string root_;
  int port_ = 0;
  std::atomic<int> event_streams_{0};  // open pages, each holding a server thread
  std::vector<std::unique_ptr<httplib::Server>> servers_;
  std::vector<std::thread> threads_;
};

}  // namespace zorvik::cli
