// The HTTP side of tav-core: a server on worker threads that hands every
// request to the core thread and writes back its answer, and serves
// GET /events (Server-Sent Events) and the workbench page (GET / and its
// files, web_page.h) itself. Every request first passes the host and
// origin checks (request_guard.h); a request they refuse reaches nothing.
//
//   EventStream events;
//   HttpServer server(events, [&](HttpExchange exchange) { return RunOnCoreThread(exchange); }, rules);
//   if (!server.Bind("127.0.0.1", 8080, &error)) ... report error ...
//   server.Start();
//   ...
//   server.Stop();   // while the core thread still answers
#ifndef TAV_HOST_MAIN_HTTP_SERVER_H_
#define TAV_HOST_MAIN_HTTP_SERVER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "main/event_stream.h"
#include "main/http_exchange.h"
#include "main/request_guard.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace tav::host {

class HttpServer {
 public:
  // Runs the exchange on the core thread and gives its answer; called on a
  // worker thread, it blocks until the answer is there.
  using Submit = std::function<HttpAnswer(HttpExchange)>;

  // A request once its answer is written: an event stream once it ends, a
  // request the server refused itself (a bad request line, a body too
  // large) with the status it got. `milliseconds` counts from the end of
  // the request's headers; 0 for a request refused before its headers were
  // read.
  struct Served {
    std::string method;  // as sent; empty when the request line was unreadable
    std::string target;  // path and query as sent
    int status = 0;
    int64_t milliseconds = 0;
  };
  using ServedListener = std::function<void(const Served&)>;

  // Bodies larger than this are refused with 413.
  static constexpr size_t kMaxBodyBytes = 16u << 20;
  // Worker threads: each open event stream keeps one, so streams beyond
  // kMaxEventStreams are refused (503) to leave workers for requests.
  static constexpr size_t kWorkerThreads = 32;
  static constexpr size_t kMaxEventStreams = 16;

  // `rules` add host names and CORS origins to tav-core's own.
  HttpServer(EventStream& events, Submit submit, AccessRules rules = {});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds and listens on `host`:`port` (0: any free port); the checks then
  // know the port to expect in Host and Origin. A port another
  // program listens on is refused, even one that allows sharing it. False
  // with `error` set: "port 8080 is in use", or for any other reason e.g.
  // "cannot listen on 127.0.0.2:8080: Cannot assign requested address".
  bool Bind(const std::string& host, uint16_t port, std::string* error);
  uint16_t port() const { return port_; }

  // Called on a worker thread for every request answered. Set it before
  // Start; none is called when it is not set.
  void SetServedListener(ServedListener listener) { served_listener_ = std::move(listener); }

  // Accepts connections on a thread of its own.
  void Start();
  // Ends the event streams, stops accepting and waits for the workers.
  // Requests still waiting for the core need it to keep running meanwhile.
  void Stop();

  // The HttpExchange of a request as the server received it: its method,
  // its target, its headers without the ones the server library adds.
  static HttpExchange ExchangeOf(const httplib::Request& request);

 private:
  void Handle(const httplib::Request& request, httplib::Response& response);
  bool AnswerIfRefused(const httplib::Request& request, httplib::Response& response);
  bool AnswerIfBodiless(const httplib::Request& request, httplib::Response& response);
  void NoteServed(const httplib::Request& request, const httplib::Response& response);
  void ServeEvents(const httplib::Request& request, httplib::Response& response);

  EventStream& events_;
  Submit submit_;
  ServedListener served_listener_;
  AccessRules rules_;
  std::optional<RequestGuard> guard_;  // from Bind on
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  uint16_t port_ = 0;
};

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_HTTP_SERVER_H_
