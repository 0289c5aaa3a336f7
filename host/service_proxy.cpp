#include "service_proxy.h"

#include <cstdio>

#include "json_text.h"

namespace tav::host {

namespace {

// The plugin may send its arguments named or in order.
std::string Argument(const PeerRequest& request, const char* name, size_t position) {
  if (auto text = request.NamedText(name)) return *text;
  if (auto text = request.PositionalText(position)) return *text;
  return "";
}

void AddText(rapidjson::Document& doc, const char* key, const std::string& text) {
  auto& allocator = doc.GetAllocator();
  doc.AddMember(rapidjson::Value(key, allocator),
                rapidjson::Value(text.c_str(), static_cast<rapidjson::SizeType>(text.size()), allocator), allocator);
}

}  // namespace

void ServiceProxy::SetHandler(const std::string& service_key, Handler handler) {
  handlers_[service_key] = std::move(handler);
}

void ServiceProxy::FailRequests(uint32_t status, std::string error) {
  failure_ = PeerResponse::Error(status, std::move(error));
}

PeerResponse ServiceProxy::HandleUuidRequest(const PeerRequest& request) { return Handle(request, false); }

PeerResponse ServiceProxy::HandleMethodRequest(const PeerRequest& request) { return Handle(request, true); }

PeerResponse ServiceProxy::Handle(const PeerRequest& request, bool method_based) {
  ServiceProxyCall call;
  call.method_based = method_based;
  call.service = Argument(request, "service", 0);
  call.method = Argument(request, "method", 1);
  call.payload = Argument(request, "payload", 2);
  if (method_based) call.callback = Argument(request, "callback", 3);
  if (failure_) {
    call.refused = true;
    Record(std::move(call));
    PeerResponse refusal;
    refusal.status = failure_->status;
    refusal.error = failure_->error;
    return refusal;
  }
  call.uuid = NextUuid();
  std::string key = call.service + "." + call.method;
  auto handler = handlers_.find(key);
  ServiceProxyAnswer answer =
      handler != handlers_.end() ? handler->second(call)
                                 : ServiceProxyAnswer{"", "404", "No service-proxy handler for " + key};
  call.answer = answer;

  rapidjson::Document event(rapidjson::kObjectType);
  AddText(event, "uuid", call.uuid);
  AddText(event, "serviceName", call.service);
  AddText(event, "methodName", call.method);
  AddText(event, "payload", answer.payload);
  AddText(event, "status", answer.status);
  AddText(event, "error", answer.error);
  std::string uuid = call.uuid;
  Record(std::move(call));
  // With no delay the event reaches the plugin here, inside its request and
  // before it has stored the request it is making.
  sink_(method_based ? kServiceProxyMethodEvent : kServiceProxyUuidEvent, std::move(event), delay_passes_);

  if (method_based) return PeerResponse::Ok();
  rapidjson::Document text;
  text.SetString(uuid.c_str(), static_cast<rapidjson::SizeType>(uuid.size()), text.GetAllocator());
  return PeerResponse::Ok(text);
}

void ServiceProxy::Record(ServiceProxyCall call) {
  if (recording_) calls_.push_back(std::move(call));
}

std::string ServiceProxy::NextUuid() {
  // Predictable uuids, so tests can name them: ...-000000000001, -000000000002, ...
  char text[40];
  std::snprintf(text, sizeof(text), "5e0c1a2b-0000-4000-8000-%012llu",
                static_cast<unsigned long long>(++uuid_counter_));
  return text;
}

}  // namespace tav::host
