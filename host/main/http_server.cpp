#include "main/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <httplib.h>

#include "main/web_page.h"

namespace tav::host {

namespace {

// Without a frame or a keep-alive for this long a reader would think the
// stream dead.
constexpr int kKeepAliveSeconds = 15;

// SO_REUSEADDR lets a restarted server bind while connections of the last
// run linger in TIME_WAIT, yet refuses a port another socket listens on.
// (The server library's default, SO_REUSEPORT, would let a second server
// bind the same port, and the kernel would then share the connections
// between two servers with two different stores.)
void SetListenSocketOptions(int socket) {
  int yes = 1;
  setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
}

// Why `host`:`port` could not be bound, found by trying again on a socket
// of the same options, since the server library keeps the reason to itself.
std::string BindFailure(const std::string& host, uint16_t port) {
  const std::string prefix = "cannot listen on " + host + ":" + std::to_string(port) + ": ";
  int probe = socket(AF_INET, SOCK_STREAM, 0);
  if (probe < 0) return prefix + std::strerror(errno);
  SetListenSocketOptions(probe);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  int failure = 0;
  if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
    failure = EAFNOSUPPORT;
  } else if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    failure = errno;
  }
  close(probe);
  if (failure == EADDRINUSE && port != 0) return "port " + std::to_string(port) + " is in use";
  if (failure == EAFNOSUPPORT) return prefix + "not an IPv4 address";
  return prefix + (failure != 0 ? std::strerror(failure) : "cannot bind");
}

// Whether the request has no body by HTTP/1.1's rule: neither a
// Content-Length nor a Transfer-Encoding. The server library would wait
// for a body until its read time-out instead.
bool HasNoBodyFraming(const httplib::Request& request) {
  return !request.has_header("Content-Length") && !request.has_header("Transfer-Encoding");
}

bool MayCarryBody(const std::string& method) {
  return method == "POST" || method == "PUT" || method == "PATCH" || method == "DELETE";
}

using SteadyClock = std::chrono::steady_clock;

// When the request this worker thread serves had its headers read. A worker
// serves one request at a time, so a thread-local carries the start from
// the pre-routing hook to the logger; the logger clears it.
thread_local std::optional<SteadyClock::time_point> t_request_read;

void Write(const HttpAnswer& answer, httplib::Response& response) {
  response.status = answer.status;
  for (const auto& header : answer.headers) response.headers.emplace(header.first, header.second);
  if (answer.status == 204) return;
  response.set_content(answer.body, answer.content_type.empty() ? "application/json" : answer.content_type);
}

// Writes the answer and then ends the connection. The server library keeps
// a connection open whatever the answer's headers say; a body provider that
// reports a failure once the whole body is written is what makes it close.
void WriteThenClose(const HttpAnswer& answer, httplib::Response& response) {
  response.status = answer.status;
  for (const auto& header : answer.headers) response.headers.emplace(header.first, header.second);
  response.set_header("Connection", "close");
  auto body = std::make_shared<std::string>(answer.body);
  response.set_content_provider(body->size(), answer.content_type,
                                [body](size_t offset, size_t length, httplib::DataSink& sink) {
                                  sink.write(body->data() + offset, length);
                                  return false;
                                });
}

// The error text of an answer the server library makes itself.
std::string StatusText(int status) {
  switch (status) {
    case 400:
      return "Bad request";
    case 404:
      return "Not found";
    case 405:
      return "Method not allowed";
    case 413:
      return "Request body too large";
    case 414:
      return "Request target too long";
    default:
      return "HTTP status " + std::to_string(status);
  }
}

// Texts the server library adds to the request's headers itself.
bool IsAddedHeader(const std::string& name) {
  return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT";
}

std::optional<std::string> HeaderIfSent(const httplib::Request& request, const char* name) {
  if (!request.has_header(name)) return std::nullopt;
  return request.get_header_value(name);
}

GuardedRequest GuardedRequestOf(const httplib::Request& request) {
  GuardedRequest guarded;
  guarded.method = request.method;
  guarded.host = HeaderIfSent(request, "Host");
  guarded.origin = HeaderIfSent(request, "Origin");
  guarded.asks_method = request.has_header("Access-Control-Request-Method");
  guarded.asks_private_network = request.get_header_value("Access-Control-Request-Private-Network") == "true";
  return guarded;
}

// Where an event stream begins: after the Last-Event-ID a reconnecting
// reader sends, or with the kept history for "?replay=1", or else with the
// next event. A Last-Event-ID that is not a number is ignored, as a reader
// that never saw an id would send none.
EventStream::Start StreamStart(const httplib::Request& request) {
  const std::string last_id = request.get_header_value("Last-Event-ID");
  if (!last_id.empty() && last_id.size() <= 20 &&
      last_id.find_first_not_of("0123456789") == std::string::npos) {
    errno = 0;
    const unsigned long long id = std::strtoull(last_id.c_str(), nullptr, 10);
    if (errno == 0) return EventStream::Start::After(id);
  }
  if (request.get_param_value("replay") == "1") return EventStream::Start::History();
  return EventStream::Start::New();
}

}  // namespace

HttpServer::HttpServer(EventStream& events, Submit submit, AccessRules rules)
    : events_(events),
      submit_(std::move(submit)),
      rules_(std::move(rules)),
      server_(std::make_unique<httplib::Server>()) {
  server_->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  server_->set_payload_max_length(kMaxBodyBytes);
  server_->set_tcp_nodelay(true);
  server_->set_keep_alive_max_count(10000);
  // Short: stopping waits for idle kept-alive connections to time out.
  server_->set_keep_alive_timeout(2);
  server_->set_socket_options(&SetListenSocketOptions);
  server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    t_request_read = SteadyClock::now();
    return AnswerIfRefused(request, response) || AnswerIfBodiless(request, response)
               ? httplib::Server::HandlerResponse::Handled
               : httplib::Server::HandlerResponse::Unhandled;
  });
  server_->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    NoteServed(request, response);
  });
  auto handler = [this](const httplib::Request& request, httplib::Response& response) { Handle(request, response); };
  server_->Get(".*", handler);
  server_->Post(".*", handler);
  server_->Put(".*", handler);
  server_->Patch(".*", handler);
  server_->Delete(".*", handler);
  server_->Options(".*", handler);
  // Answers the server library makes itself (a bad request line, a body too
  // large) get the same JSON error body as the core's.
  server_->set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (!response.body.empty() || response.content_provider_) return;
    response.set_content(std::string(R"({"error":")") + StatusText(response.status) + "\"}", "application/json");
  });
}

HttpServer::~HttpServer() { Stop(); }

bool HttpServer::Bind(const std::string& host, uint16_t port, std::string* error) {
  int bound = port;
  if (port == 0) {
    bound = server_->bind_to_any_port(host);
  } else if (!server_->bind_to_port(host, port)) {
    bound = -1;
  }
  if (bound <= 0) {
    *error = BindFailure(host, port);
    return false;
  }
  port_ = static_cast<uint16_t>(bound);
  guard_.emplace(port_, rules_);
  return true;
}

void HttpServer::Start() {
  thread_ = std::thread([this] { server_->listen_after_bind(); });
}

void HttpServer::Stop() {
  events_.Close();
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

HttpExchange HttpServer::ExchangeOf(const httplib::Request& request) {
  HttpExchange exchange;
  exchange.method = request.method;
  exchange.target = request.target;
  for (const auto& header : request.headers) {
    if (!IsAddedHeader(header.first)) exchange.headers.emplace_back(header.first, header.second);
  }
  exchange.content_type = request.get_header_value("Content-Type");
  exchange.body = request.body;
  return exchange;
}

void HttpServer::Handle(const httplib::Request& request, httplib::Response& response) {
  if (request.path == "/events" && request.method == "GET") return ServeEvents(request, response);
  if (request.method == "GET") {
    if (std::optional<HttpAnswer> page = WebPageAnswer(request.path)) return Write(*page, response);
  }
  Write(submit_(ExchangeOf(request)), response);
}

// The checks run before anything else reads or answers the request. A
// refused request's body is never read, so its connection is closed: what
// follows on it is that body, which a page may have written as a request
// that would pass the checks. (Only refusals have a body; a preflight,
// answered empty, comes from an allowed page.)
bool HttpServer::AnswerIfRefused(const httplib::Request& request, httplib::Response& response) {
  const GuardVerdict verdict = guard_->Check(GuardedRequestOf(request));
  if (!verdict.answer) {
    for (const auto& header : verdict.headers) response.set_header(header.first, header.second);
    return false;
  }
  if (HasNoBodyFraming(request) || verdict.answer->body.empty()) {
    Write(*verdict.answer, response);
  } else {
    WriteThenClose(*verdict.answer, response);
  }
  return true;
}

// A write without a body is answered here, before the server library would
// start waiting for one; everything else goes on to the routes.
bool HttpServer::AnswerIfBodiless(const httplib::Request& request, httplib::Response& response) {
  if (!MayCarryBody(request.method) || !HasNoBodyFraming(request)) return false;
  Handle(request, response);
  return true;
}

void HttpServer::NoteServed(const httplib::Request& request, const httplib::Response& response) {
  Served served;
  if (t_request_read) {
    served.milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - *t_request_read).count();
    t_request_read.reset();
  }
  if (!served_listener_) return;
  served.method = request.method;
  served.target = request.target;
  served.status = response.status;
  served_listener_(served);
}

void HttpServer::ServeEvents(const httplib::Request& request, httplib::Response& response) {
  if (events_.subscriber_count() >= kMaxEventStreams) {
    Write(ErrorAnswer(503, "Too many event streams"), response);
    return;
  }
  auto subscriber = events_.Subscribe(request.get_param_value("name"), StreamStart(request));
  response.set_header("Cache-Control", "no-cache");
  response.set_header("X-Accel-Buffering", "no");
  auto greeted = std::make_shared<bool>(false);
  auto idle_seconds = std::make_shared<int>(0);
  response.set_chunked_content_provider(
      "text/event-stream",
      [subscriber, greeted, idle_seconds](size_t, httplib::DataSink& sink) {
        if (!*greeted) {
          // A comment line at once: the reader knows it is subscribed.
          *greeted = true;
          static const char kHello[] = ": tav-core events\n\n";
          return sink.write(kHello, sizeof(kHello) - 1);
        }
        if (!sink.is_writable()) return false;
        EventStream::Next next = subscriber->Wait(std::chrono::seconds(1));
        switch (next.kind) {
          case EventStream::Next::kFrame:
            *idle_seconds = 0;
            return sink.write(next.frame->data(), next.frame->size());
          case EventStream::Next::kIdle:
            if (++*idle_seconds < kKeepAliveSeconds) return true;
            *idle_seconds = 0;
            return sink.write(": keep-alive\n\n", 14);
          case EventStream::Next::kEnded:
            sink.done();
            return true;
        }
        return false;
      },
      [this, subscriber](bool) { events_.Unsubscribe(subscriber); });
}

}  // namespace tav::host
