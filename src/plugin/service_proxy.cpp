#include "plugin/service_proxy.h"

#include <mutex>

#include "log/logger.h"
#include "plugin/remote_call.h"
#include "plugin/request_method.h"

namespace tav {

std::string ServiceProxyKey(std::string_view service, std::string_view method) {
  std::string key;
  key.reserve(service.size() + method.size() + 1);
  key.append(service).append(".").append(method);
  return key;
}

namespace service_proxy_internal {

std::string PayloadConversionError(std::string_view type_name) {
  return Failure::Format("Failed to convert type {type} to BindingProperty for serialization",
                         {{"type", type_name}})
      .message;
}

Failure DeserializeFailure(std::string_view payload, std::string_view type_name) {
  return Failure::Format("Failed to deserialize response payload \"{payload}\" to a {type}",
                         {{"payload", payload}, {"type", type_name}});
}

}  // namespace service_proxy_internal

std::string AppModule::InvokeServiceProxyJson(std::string_view service, std::string_view method,
                                              std::string payload_json,
                                              std::string_view callback_method,
                                              ServiceProxyHandler handler) {
  if (shutting_down_) return "Finalizing";
  const std::string service_key = ServiceProxyKey(service, method);
  LogAlways("%s: Preparing service proxy request: %s", short_name_.c_str(), service_key.c_str());

  std::string request_key;
  if (callback_method.empty()) {
    MaybeType<Failure, std::string> uuid =
        Call<std::string>(RequestMethod::kPost, kServiceProxyUuidRequestsPath,
                          NamedTextArguments{{"service", std::string(service)},
                                             {"method", std::string(method)},
                                             {"payload", std::move(payload_json)}});
    if (!uuid.ok()) return uuid.failure().message;
    request_key = std::move(uuid).value();
  } else {
    bool in_flight = false;
    {
      std::lock_guard<std::mutex> lock(request_mutex_);
      in_flight = waiting_requests_.count(service_key) != 0;
    }
    if (in_flight) {
      LogError("%s: Could not invoke service proxy as request is already in flight",
               short_name_.c_str());
      return "Request already in flight";
    }
    MaybeType<Failure, Empty> sent =
        Call(RequestMethod::kPost, kServiceProxyMethodRequestsPath,
             NamedTextArguments{{"service", std::string(service)},
                                {"method", std::string(method)},
                                {"payload", std::move(payload_json)},
                                {"callback", std::string(callback_method)}});
    if (!sent.ok()) return sent.failure().message;
    request_key = service_key;
  }
  LogAlways("%s: Started service proxy request: %s (%s)", short_name_.c_str(),
            service_key.c_str(), request_key.c_str());

  {
    std::lock_guard<std::mutex> lock(request_mutex_);
    waiting_requests_[request_key] = std::move(handler);
  }
  // The answer may have come while the request was being sent.
  RunServiceProxyFulfilment();
  return {};
}

void AppModule::SetServiceProxyAsyncHandler(std::string_view service, std::string_view method,
                                            ServiceProxyHandler handler) {
  std::lock_guard<std::mutex> lock(request_mutex_);
  async_handlers_[ServiceProxyKey(service, method)] = std::move(handler);
}

void AppModule::HandleServiceProxyUuidEvent(const PluginServiceProxyResponse& response) {
  {
    std::lock_guard<std::mutex> lock(request_mutex_);
    arrived_responses_[response.uuid] = response;
  }
  RunServiceProxyFulfilment();
}

void AppModule::HandleServiceProxyMethodEvent(const PluginServiceProxyResponse& response) {
  {
    std::lock_guard<std::mutex> lock(request_mutex_);
    arrived_responses_[ServiceProxyKey(response.serviceName, response.methodName)] = response;
  }
  RunServiceProxyFulfilment();
}

void AppModule::HandleServiceProxyAsyncEvent(const PluginServiceProxyResponse& response) {
  const std::string key = ServiceProxyKey(response.serviceName, response.methodName);
  std::lock_guard<std::mutex> lock(request_mutex_);
  const auto found = async_handlers_.find(key);
  if (found == async_handlers_.end() || !found->second) {
    LogError("%s: Could not find registered handler for async service proxy event %s",
             short_name_.c_str(), key.c_str());
    return;
  }
  found->second(response);
}

void AppModule::RunServiceProxyFulfilment() {
  std::lock_guard<std::mutex> lock(request_mutex_);
  for (auto arrived = arrived_responses_.begin(); arrived != arrived_responses_.end(); ++arrived) {
    const auto waiting = waiting_requests_.find(arrived->first);
    if (waiting == waiting_requests_.end()) continue;
    // Both entries leave the maps before the handler runs, so the request
    // is fulfilled exactly once.
    const std::string key = arrived->first;
    const ServiceProxyHandler handler = std::move(waiting->second);
    const PluginServiceProxyResponse response = std::move(arrived->second);
    waiting_requests_.erase(waiting);
    arrived_responses_.erase(arrived);
    if (handler) handler(response);
    LogAlways("%s: Fulfilled service proxy request: %s", short_name_.c_str(), key.c_str());
    return;
  }
}

}  // namespace tav
