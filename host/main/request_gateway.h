// Where an HTTP request goes once it reaches the core thread:
// - a path below one of the plugin's API roots ("/tav-perks/v1") is a call
//   of the plugin's function for that method and path, through the
//   dispatch entry of its FunctionRecord, with the target (path and query),
//   the headers, the body and its content type as they were sent;
// - "/tav-core/v1/..." is the core itself (status, the settings store and
//   its reset, game customization behaviour, recent telemetry);
// - any other path is a resource of one of the peers, answered as the
//   plugin's own requests are, so that a write delivers the resource event
//   to the plugin.
//
//   RequestGateway gateway(core, peers);
//   HttpAnswer answer = gateway.Handle(exchange);   // on the core thread
#ifndef TAV_HOST_MAIN_REQUEST_GATEWAY_H_
#define TAV_HOST_MAIN_REQUEST_GATEWAY_H_

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "dev_core.h"
#include "main/event_stream.h"
#include "main/http_exchange.h"
#include "main/peer_state.h"

namespace tav::host {

// The HTTP answer for a plugin call's result: an error gives
// {"error": "<the plugin's text>"} with the plugin's status when it is a
// 4xx or 5xx, 400 when the plugin gave none (a request it could not bind),
// 500 otherwise; a value gives its JSON with the plugin's status (200 when
// none); an empty success gives 204; a streamed body is passed on as it
// came. The plugin's response headers are passed on.
HttpAnswer PluginAnswer(const CallResult& result);

// The call options for an HTTP request to the plugin.
CallOptions PluginCallOptions(const HttpExchange& exchange);

class RequestGateway {
 public:
  static constexpr const char* kCoreRoot = "/tav-core/v1";

  // `peers` may be null (no control of the game customization service, no
  // telemetry or store in the status).
  RequestGateway(DevCore& core, PeerState* peers);

  // Core thread.
  HttpAnswer Handle(const HttpExchange& exchange);

  // Whether `path` lies below one of the plugin's API roots: the first two
  // segments of its route templates ("/tav-perks/v1").
  bool IsPluginPath(std::string_view path) const;
  const std::vector<std::string>& plugin_roots() const { return plugin_roots_; }

  // Kept for the status: the number of faults and the last ones (each cut
  // to at most kMaxFaultBytes).
  void NoteFault(const std::string& text);
  static constexpr size_t kMaxFaultBytes = 1024;

  // The event stream whose history the status describes; none by default.
  void SetEventStream(const EventStream* events) { events_ = events; }

  // Serves the OpenAPI document of the plugin's API at kOpenApiDocumentPath,
  // naming `server_url` as its server, and points GET on a bare API root
  // ("/tav-perks/v1") to it. Until then both answer 404.
  void PublishOpenApi(const std::string& server_url);

 private:
  HttpAnswer CallPlugin(const HttpExchange& exchange, uint32_t method);
  HttpAnswer AnswerPeer(const HttpExchange& exchange, uint32_t method);
  HttpAnswer AnswerCore(const HttpExchange& exchange, uint32_t method);
  HttpAnswer Status() const;
  // {"path", "commits", "documents": [keys], "error" when they could not be listed}.
  rapidjson::Document StoreDescription() const;
  HttpAnswer ResetStore();
  // Whether `path` is one of the API roots (a trailing slash allowed) and
  // no function of the plugin has it as its route.
  bool IsBareRoot(std::string_view path) const;
  HttpAnswer RootIndex(std::string_view path) const;

  DevCore& core_;
  PeerState* peers_;
  const EventStream* events_ = nullptr;
  std::vector<std::string> plugin_roots_;
  uint64_t plugin_calls_ = 0;
  uint64_t peer_requests_ = 0;
  uint64_t fault_count_ = 0;
  std::deque<std::string> recent_faults_;
  std::string openapi_document_;  // empty until PublishOpenApi
};

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_REQUEST_GATEWAY_H_
