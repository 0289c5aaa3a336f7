#include "main/request_guard.h"

#include <algorithm>
#include <cctype>

namespace tav::host {

namespace {

// The names tav-core answers to whatever the options say.
constexpr const char* kOwnNames[] = {"127.0.0.1", "localhost", "[::1]"};

struct HostAndPort {
  std::string name;              // lower case
  std::optional<uint32_t> port;  // nullopt when none was written
};

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

bool IsAddressCharacter(char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.'; }

bool IsScheme(std::string_view scheme) {
  if (scheme.empty() || scheme.front() < 'a' || scheme.front() > 'z') return false;
  return std::all_of(scheme.begin(), scheme.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
  });
}

// One to five digits, at most 65535.
std::optional<uint32_t> ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  uint32_t port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + static_cast<uint32_t>(c - '0');
  }
  if (port > 65535) return std::nullopt;
  return port;
}

// "name", "name:port", "[v6]" or "[v6]:port", as a Host header or an
// origin's authority writes them.
std::optional<HostAndPort> SplitHost(std::string_view text) {
  if (text.empty()) return std::nullopt;
  size_t name_end = text.front() == '[' ? text.find(']') : text.find(':');
  if (text.front() == '[') {
    if (name_end == std::string_view::npos) return std::nullopt;
    ++name_end;
  }
  name_end = std::min(name_end, text.size());
  std::optional<std::string> name = HostNameOption(text.substr(0, name_end));
  if (!name) return std::nullopt;
  const std::string_view rest = text.substr(name_end);
  if (rest.empty()) return HostAndPort{std::move(*name), std::nullopt};
  if (rest.front() != ':') return std::nullopt;
  std::optional<uint32_t> port = ParsePort(rest.substr(1));
  if (!port) return std::nullopt;
  return HostAndPort{std::move(*name), port};
}

uint32_t DefaultPort(std::string_view scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  return 0;
}

bool Contains(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

std::string OriginRefusal(std::string_view sent, bool is_origin) {
  const std::string quoted = "Origin '" + std::string(sent) + "' is not allowed";
  if (!is_origin) return quoted + "; --allow-origin allows only origins such as http://localhost:5173";
  return quoted + "; start tav-core with --allow-origin " + std::string(sent) + " to allow it";
}

HttpAnswer Refusal(const std::string& text) { return ErrorAnswer(403, text); }

}  // namespace

RequestGuard::RequestGuard(uint16_t port, const AccessRules& rules) : port_(port) {
  names_.assign(std::begin(kOwnNames), std::end(kOwnNames));
  for (const std::string& host : rules.hosts) {
    if (std::optional<std::string> name = HostNameOption(host)) names_.push_back(std::move(*name));
  }
  for (const std::string& name : names_) {
    own_origins_.push_back(*OriginOption("http://" + name + ":" + std::to_string(port_)));
  }
  for (const std::string& origin : rules.origins) {
    if (std::optional<std::string> normal = OriginOption(origin)) cors_origins_.push_back(std::move(*normal));
  }
}

GuardVerdict RequestGuard::Check(const GuardedRequest& request) const {
  GuardVerdict verdict;
  if (request.host) {
    if (std::optional<std::string> refusal = HostRefusal(*request.host)) {
      verdict.answer = Refusal(*refusal);
      return verdict;
    }
  }
  if (!request.origin) return verdict;
  const std::optional<std::string> origin = OriginOption(*request.origin);
  if (origin && IsOwnOrigin(*origin)) return verdict;
  if (!origin || !IsAllowedOrigin(*origin)) {
    verdict.answer = Refusal(OriginRefusal(*request.origin, origin.has_value()));
    return verdict;
  }
  // The browser compares the allowed origin with its own as it sent it.
  verdict.headers = {{"Access-Control-Allow-Origin", *request.origin}, {"Vary", "Origin"}};
  if (request.method != "OPTIONS" || !request.asks_method) return verdict;

  HttpAnswer preflight = NoContentAnswer();
  preflight.headers = std::move(verdict.headers);
  preflight.headers.emplace_back("Access-Control-Allow-Methods", kAllowedMethods);
  preflight.headers.emplace_back("Access-Control-Allow-Headers", kAllowedHeaders);
  preflight.headers.emplace_back("Access-Control-Max-Age", kPreflightMaxAgeSeconds);
  // A page on a LAN address calling the loopback is asked about first too.
  if (request.asks_private_network) preflight.headers.emplace_back("Access-Control-Allow-Private-Network", "true");
  verdict.headers.clear();
  verdict.answer = std::move(preflight);
  return verdict;
}

std::optional<std::string> RequestGuard::HostRefusal(std::string_view host) const {
  const std::optional<HostAndPort> parts = SplitHost(host);
  if (!parts) return "Host '" + std::string(host) + "' is not a valid host";
  if (!Contains(names_, parts->name)) {
    return "Host name '" + parts->name + "' is not allowed; start tav-core with --allow-host " + parts->name +
           " to allow it";
  }
  if (parts->port && *parts->port != port_) {
    return "Host '" + std::string(host) + "' names another port than tav-core's " + std::to_string(port_) +
           "; a proxy must send tav-core's own host and port";
  }
  return std::nullopt;
}

bool RequestGuard::IsOwnOrigin(const std::string& origin) const { return Contains(own_origins_, origin); }

bool RequestGuard::IsAllowedOrigin(const std::string& origin) const { return Contains(cors_origins_, origin); }

std::optional<std::string> HostNameOption(std::string_view text) {
  if (text.empty() || text.size() > 253) return std::nullopt;
  std::string name = Lower(text);
  if (name.front() != '[') {
    if (!std::all_of(name.begin(), name.end(), IsNameCharacter)) return std::nullopt;
    return name;
  }
  if (name.size() < 4 || name.back() != ']') return std::nullopt;
  const std::string_view address = std::string_view(name).substr(1, name.size() - 2);
  if (address.find(':') == std::string_view::npos) return std::nullopt;
  if (!std::all_of(address.begin(), address.end(), IsAddressCharacter)) return std::nullopt;
  return name;
}

std::optional<std::string> OriginOption(std::string_view text) {
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);
  const size_t separator = text.find("://");
  if (separator == std::string_view::npos) return std::nullopt;
  const std::string scheme = Lower(text.substr(0, separator));
  if (!IsScheme(scheme)) return std::nullopt;
  const std::optional<HostAndPort> authority = SplitHost(text.substr(separator + 3));
  if (!authority) return std::nullopt;
  std::string origin = scheme + "://" + authority->name;
  if (authority->port && *authority->port != DefaultPort(scheme)) origin += ":" + std::to_string(*authority->port);
  return origin;
}

}  // namespace tav::host
