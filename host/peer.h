// What the host's peers (the other plugins the development core plays) see
// of a request of the plugin, and what they answer.
//
//   core.AddPeer(TAV_METHOD_GET, "/tav-summoner/v1/summoners/{id}",
//                [](const PeerRequest& request) {
//                  if (*request.Capture("id") == "0") return PeerResponse::Error(404, "Not found");
//                  return PeerResponse::Ok(JsonValue(R"({"summonerLevel": 31})"));
//                });
#ifndef TAV_HOST_PEER_H_
#define TAV_HOST_PEER_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <rapidjson/document.h>

#include "host_stream.h"
#include "path_pattern.h"
#include "tav/plugin_abi.h"

namespace tav::host {

// One argument of a request: named, or positional when `name` is empty.
struct RequestArgument {
  std::optional<std::string> name;
  rapidjson::Document value;
};

struct PeerRequest {
  uint32_t method = 0;
  std::string method_name;  // the code's name, or the given name for TAV_METHOD_NAMED
  std::string url;          // as sent: path and optional query
  std::string path;         // before the first "?"
  std::string query;        // after the first "?", or empty
  std::vector<RequestArgument> arguments;
  HostContext host_context = 0;
  PathMatch match;          // captures of the pattern that routed the request

  // The last argument of that name, or null.
  const rapidjson::Value* Named(std::string_view name) const;
  // The index-th positional argument, or null.
  const rapidjson::Value* Positional(size_t index) const;
  // A string argument's text; any other value as JSON text; nullopt when
  // there is no such argument.
  std::optional<std::string> NamedText(std::string_view name) const;
  std::optional<std::string> PositionalText(size_t index) const;
  // The capture of that placeholder name, or null.
  const std::string* Capture(std::string_view name) const { return match.Find(name); }

  // What a write request carries: its only positional argument; otherwise
  // the named arguments as an object; otherwise several positional ones as
  // an array; null when there are none.
  rapidjson::Document BodyValue() const;
};

struct PeerResponse {
  uint32_t status = 200;
  std::optional<std::string> error;  // set: the call failed
  rapidjson::Document value;         // null unless set
  std::vector<std::pair<std::string, std::string>> headers;
  std::optional<StreamPlan> stream;  // set: the body is streamed, value stays null

  static PeerResponse Ok();
  static PeerResponse Ok(const rapidjson::Value& value);
  static PeerResponse Error(uint32_t status, std::string text);
  // A peer that cannot be reached: status 503, "Service unavailable".
  static PeerResponse Unreachable();
  static PeerResponse Streamed(StreamPlan plan);
};

using PeerHandler = std::function<PeerResponse(const PeerRequest&)>;

}  // namespace tav::host

#endif  // TAV_HOST_PEER_H_
