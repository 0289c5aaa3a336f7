// The checks every request to tav-core passes before anything answers it.
// tav-core listens on the loopback only, yet a web page can still reach it:
// a page whose own host name its DNS server turns to 127.0.0.1 becomes
// same-origin with tav-core, and any page may send requests to it. So the
// Host of a request must name tav-core, and an Origin, when the request
// has one, must be tav-core's own or one allowed to use it (CORS), whose
// answers then carry the CORS headers. A request without these headers (a
// program rather than a page) is not affected.
//
//   RequestGuard guard(8080, {{"devbox.test"}, {"http://localhost:5173"}});
//   GuardVerdict verdict = guard.Check(request);
//   if (verdict.answer) return Write(*verdict.answer);   // refused, or a preflight answered
//   ... answer the request, with verdict.headers added ...
#ifndef TAV_HOST_MAIN_REQUEST_GUARD_H_
#define TAV_HOST_MAIN_REQUEST_GUARD_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "main/http_exchange.h"

namespace tav::host {

// What the user allows beyond tav-core's own names: host names it answers
// to (as given to --allow-host) and origins whose pages may call it (as
// given to --allow-origin). Values that HostNameOption or OriginOption
// refuse are ignored.
struct AccessRules {
  std::vector<std::string> hosts;
  std::vector<std::string> origins;
};

// The headers of a request the checks read; nullopt for a header not sent.
struct GuardedRequest {
  std::string method;
  std::optional<std::string> host;
  std::optional<std::string> origin;
  bool asks_method = false;           // Access-Control-Request-Method was sent
  bool asks_private_network = false;  // Access-Control-Request-Private-Network: true
};

struct GuardVerdict {
  // Set: the request goes no further and gets this answer, a 403 with
  // {"error": ...} or a preflight's 204.
  std::optional<HttpAnswer> answer;
  // Otherwise: headers its answer must carry (the CORS headers of an
  // allowed origin; none for a request of tav-core's own).
  std::vector<std::pair<std::string, std::string>> headers;
};

class RequestGuard {
 public:
  // Methods and request headers a preflight is told the API takes. Any
  // body type other than a form's needs the Content-Type header allowed:
  // JSON, YAML (application/x-yaml) and MessagePack (application/x-msgpack).
  static constexpr const char* kAllowedMethods = "GET, POST, PUT, PATCH, DELETE, OPTIONS";
  static constexpr const char* kAllowedHeaders = "Content-Type, Accept, Last-Event-ID";
  static constexpr const char* kPreflightMaxAgeSeconds = "600";

  // `port` is the one tav-core serves on.
  RequestGuard(uint16_t port, const AccessRules& rules);

  // Host: 127.0.0.1, localhost, [::1] or an allowed name, with `port` or
  // no port. Origin: http:// and one of those names and `port`, or an
  // allowed origin. Either header left out passes.
  GuardVerdict Check(const GuardedRequest& request) const;

 private:
  std::optional<std::string> HostRefusal(std::string_view host) const;
  bool IsOwnOrigin(const std::string& origin) const;
  bool IsAllowedOrigin(const std::string& origin) const;

  uint16_t port_;
  std::vector<std::string> names_;         // lower case, tav-core's own first
  std::vector<std::string> own_origins_;   // as OriginOption gives them
  std::vector<std::string> cors_origins_;  // as OriginOption gives them
};

// A host name as --allow-host takes it, in lower case: letters, digits,
// '.', '-' and '_', or an IPv6 address in brackets; no port. nullopt for
// anything else.
std::optional<std::string> HostNameOption(std::string_view text);

// An origin as a browser writes it: scheme "://" host [":" port], in lower
// case, the scheme's default port left out ("HTTP://LocalHost:80/" is
// "http://localhost"). nullopt for anything else, "null" among them.
std::optional<std::string> OriginOption(std::string_view text);

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_REQUEST_GUARD_H_
