// Service-proxy calls: a JSON payload sent to a named service and method
// through the login plugin. The answer comes later as one of the core's
// service-proxy events; the frame matches it with the waiting request (by
// the uuid the login plugin returned, or by "service.method" for a
// method-based request) and runs the request's handler.
//
//   MaybeType<Failure, GetResultFromServiceDTO> disabled =
//       CallServiceProxy<GetResultFromServiceDTO>("gamecustomization",
//                                                 "getdisabledgamecustomization",
//                                                 std::vector<std::string>{"perks"});
//
// The login plugin's endpoints are called with named text arguments:
//   POST "/tav-login/v1/service-proxy-uuid-requests"
//       "service", "method", "payload" (JSON text); answers the uuid as a text
//   POST "/tav-login/v1/service-proxy-method-requests"
//       "service", "method", "payload", "callback"; answers an empty success
#ifndef TAV_PLUGIN_SERVICE_PROXY_H_
#define TAV_PLUGIN_SERVICE_PROXY_H_

#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "binding/binding_result.h"
#include "binding/json_reader.h"
#include "binding/json_writer.h"
#include "binding/native_conversion.h"
#include "binding/static_type.h"
#include "plugin/app_module.h"
#include "plugin/core_types.h"
#include "plugin/failure.h"
#include "plugin/maybe_type.h"

namespace tav {

inline constexpr const char* kServiceProxyUuidRequestsPath =
    "/tav-login/v1/service-proxy-uuid-requests";
inline constexpr const char* kServiceProxyMethodRequestsPath =
    "/tav-login/v1/service-proxy-method-requests";

// "service.method": the key of method-based requests and async handlers.
std::string ServiceProxyKey(std::string_view service, std::string_view method);

namespace service_proxy_internal {

// "Failed to convert type {type} to BindingProperty for serialization"
std::string PayloadConversionError(std::string_view type_name);
// "Failed to deserialize response payload \"{payload}\" to a {type}"
Failure DeserializeFailure(std::string_view payload, std::string_view type_name);

// The result a service-proxy answer gives: its error text as a Failure, or
// its payload parsed as JSON and converted to T under the name "<value>".
template <class T>
MaybeType<Failure, T> DecodeServiceProxyResponse(const PluginServiceProxyResponse& response,
                                                 const BindingTypeRegistry& registry) {
  if (!response.error.empty()) return Failure(response.error);
  if constexpr (std::is_same_v<T, Empty>) {
    return Empty{};
  } else {
    static_assert(kIsBindingSupported<T>, "the result type must be a supported native type");
    const BindingResult parsed = ParseJson(response.payload);
    T value{};
    BindingResult converted;
    if (parsed.ok()) FromBinding(converted, value, parsed.value(), "<value>", registry);
    if (!parsed.ok() || !converted.ok()) {
      return DeserializeFailure(response.payload, StaticType::Name<T>());
    }
    return value;
  }
}

// The promise of a CallServiceProxy, shared by the caller and the request's
// handler.
template <class T>
class PendingAnswer {
 public:
  std::future<MaybeType<Failure, T>> GetFuture() { return promise_.get_future(); }
  // The first result stands; later ones are dropped.
  void Fulfil(MaybeType<Failure, T> result) {
    if (fulfilled_) return;
    fulfilled_ = true;
    promise_.set_value(std::move(result));
  }
  // Marks the request as started: from now on only its handler answers.
  void Arm() { armed_ = true; }
  bool armed() const { return armed_; }

 private:
  std::promise<MaybeType<Failure, T>> promise_;
  bool fulfilled_ = false;
  bool armed_ = false;
};

// Owned by the handler of a started request. A handler dropped without
// having run (its entry replaced by a request that got the same uuid, or
// cleared) answers the waiting call with a Failure rather than leaving it a
// broken promise, which Await would report as fatal.
template <class T>
class AnswerGuard {
 public:
  explicit AnswerGuard(std::shared_ptr<PendingAnswer<T>> answer) : answer_(std::move(answer)) {}
  ~AnswerGuard() {
    if (answer_->armed()) answer_->Fulfil(Failure(kDroppedRequestMessage));
  }
  AnswerGuard(const AnswerGuard&) = delete;
  AnswerGuard& operator=(const AnswerGuard&) = delete;

  PendingAnswer<T>& answer() { return *answer_; }

  static constexpr const char* kDroppedRequestMessage =
      "Service proxy request was dropped before its answer arrived";

 private:
  std::shared_ptr<PendingAnswer<T>> answer_;
};

}  // namespace service_proxy_internal

template <class P>
std::string AppModule::InvokeServiceProxy(std::string_view service, std::string_view method,
                                          const P& payload, std::string_view callback_method,
                                          ServiceProxyHandler handler) {
  static_assert(kIsBindingSupported<P>, "the payload must be a supported native type");
  if (shutting_down_) return "Finalizing";
  BindingResult converted;
  ToBinding(converted, payload, registry_);
  if (!converted.ok()) {
    return service_proxy_internal::PayloadConversionError(StaticType::Name<P>());
  }
  return InvokeServiceProxyJson(service, method, WriteJson(converted.value(), &registry_),
                                callback_method, std::move(handler));
}

template <class T, class P>
MaybeType<Failure, T> AppModule::CallServiceProxy(std::string_view service,
                                                  std::string_view method, const P& payload) {
  using service_proxy_internal::AnswerGuard;
  using service_proxy_internal::PendingAnswer;
  auto answer = std::make_shared<PendingAnswer<T>>();
  std::future<MaybeType<Failure, T>> future = answer->GetFuture();
  auto guard = std::make_shared<AnswerGuard<T>>(answer);
  const std::string error = InvokeServiceProxy(
      service, method, payload, {}, [this, guard](const PluginServiceProxyResponse& response) {
        guard->answer().Fulfil(
            service_proxy_internal::DecodeServiceProxyResponse<T>(response, registry_));
      });
  guard.reset();
  if (error.empty()) {
    answer->Arm();
  } else {
    // A request that was not started has dropped its handler unused.
    answer->Fulfil(Failure(error));
  }
  return Await(std::move(future));
}

}  // namespace tav

#endif  // TAV_PLUGIN_SERVICE_PROXY_H_
