// The login plugin's service-proxy endpoints as the development core plays
// them. A request is answered at once (a uuid for the uuid-based form, an
// empty success for the method-based one); the service's answer comes later
// as an OnServiceProxyUuidEvent or OnServiceProxyMethodEvent whose payload is
// {"uuid", "serviceName", "methodName", "payload", "status", "error"}, all
// texts.
//
//   proxy.SetHandler("gamecustomization.setgamecustomization",
//                    [](const ServiceProxyCall&) { return ServiceProxyAnswer{"{}", "200", ""}; });
//   proxy.SetDelayPasses(3);  // the event comes in the third pass after the request
//   proxy.SetDelayPasses(0);  // ... or inside the request, before its answer returns
#ifndef TAV_HOST_SERVICE_PROXY_H_
#define TAV_HOST_SERVICE_PROXY_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include <rapidjson/document.h>

#include "peer.h"

namespace tav::host {

inline constexpr const char* kServiceProxyUuidPath = "/tav-login/v1/service-proxy-uuid-requests";
inline constexpr const char* kServiceProxyMethodPath = "/tav-login/v1/service-proxy-method-requests";
inline constexpr const char* kServiceProxyUuidEvent = "OnServiceProxyUuidEvent";
inline constexpr const char* kServiceProxyMethodEvent = "OnServiceProxyMethodEvent";

struct ServiceProxyAnswer {
  std::string payload;
  std::string status = "200";
  std::string error;
};

struct ServiceProxyCall {
  bool method_based = false;
  std::string service;
  std::string method;
  std::string payload;   // the JSON text the plugin sent
  std::string callback;  // the callback method of a method-based request
  std::string uuid;      // the uuid the request was answered with
  bool refused = false;  // answered with the chosen failure instead
  std::optional<ServiceProxyAnswer> answer;  // set once the event was sent
};

class ServiceProxy {
 public:
  using Handler = std::function<ServiceProxyAnswer(const ServiceProxyCall&)>;
  // Sends an event; `delay_passes` 0 means at once, inside the request.
  using EventSink = std::function<void(const char* event_name, rapidjson::Document payload, uint32_t delay_passes)>;

  explicit ServiceProxy(EventSink sink) : sink_(std::move(sink)) {}

  // The handler for "<service>.<method>"; replaces an earlier one. Without a
  // handler the answer is status "404" and the error
  // "No service-proxy handler for <service>.<method>".
  void SetHandler(const std::string& service_key, Handler handler);
  // Default 1: the event comes in the next pass of the core.
  void SetDelayPasses(uint32_t passes) { delay_passes_ = passes; }
  // Every later request fails with this status and error text instead of
  // being answered; ClearFailure ends that.
  void FailRequests(uint32_t status, std::string error);
  void ClearFailure() { failure_.reset(); }

  PeerResponse HandleUuidRequest(const PeerRequest& request);
  PeerResponse HandleMethodRequest(const PeerRequest& request);

  // Every request, in arrival order, while recording (the default).
  const std::deque<ServiceProxyCall>& calls() const { return calls_; }
  void SetRecording(bool on) { recording_ = on; }

 private:
  PeerResponse Handle(const PeerRequest& request, bool method_based);
  void Record(ServiceProxyCall call);
  std::string NextUuid();

  EventSink sink_;
  std::map<std::string, Handler> handlers_;
  uint32_t delay_passes_ = 1;
  std::optional<PeerResponse> failure_;
  std::deque<ServiceProxyCall> calls_;
  bool recording_ = true;
  uint64_t uuid_counter_ = 0;
};

}  // namespace tav::host

#endif  // TAV_HOST_SERVICE_PROXY_H_
