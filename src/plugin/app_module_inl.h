// Template definitions of AppModule: typed event handlers, Await and
// endpoint registration. Included at the end of app_module.h; do not include
// it directly.
#ifndef TAV_PLUGIN_APP_MODULE_INL_H_
#define TAV_PLUGIN_APP_MODULE_INL_H_

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "binding/binding_result.h"
#include "binding/native_conversion.h"
#include "binding/static_type.h"
#include "log/assertion_report.h"
#include "log/positional_format.h"
#include "plugin/endpoint_registration.h"

namespace tav {

namespace app_module_internal {

// Converts the decoded payload to T with the module's registry and calls
// the handler; a payload that does not convert drops the event.
template <class T>
class TypedEventHandler final : public EventHandler {
 public:
  explicit TypedEventHandler(std::function<void(const T&)> handler)
      : handler_(std::move(handler)) {}

  void Handle(AppModule& module, std::string_view, const BindingProperty& payload) override {
    T value{};
    BindingResult converted;
    FromBinding(converted, value, payload, "<result>", module.registry());
    if (!converted.ok()) return;
    handler_(value);
  }

 private:
  std::function<void(const T&)> handler_;
};

// The fatal report of a future that cannot give its value. Never returns.
[[noreturn]] void ReportAwaitFutureError(const std::future_error& error);

}  // namespace app_module_internal

template <class T>
void AppModule::RegisterTypedEventHandler(const std::string& name,
                                          std::function<void(const T&)> handler, uint8_t flag) {
  RegisterEventHandler(
      name, std::make_shared<app_module_internal::TypedEventHandler<T>>(std::move(handler)), flag);
}

template <class T>
MaybeType<Failure, T> AppModule::Await(std::future<MaybeType<Failure, T>> future) {
  try {
    if (!future.valid()) throw std::future_error(std::future_errc::no_state);
    bool waiting = false;
    while (future.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
      if (!waiting) {
        const std::string label =
            FormatMessage("Wait: future<%1>", StaticType::Name<MaybeType<Failure, T>>());
        BeginWait(label.c_str(), 0);
        waiting = true;
      }
      Yield();
    }
    if (waiting) EndWait();
    return future.get();
  } catch (const std::future_error& error) {
    app_module_internal::ReportAwaitFutureError(error);
  }
}

template <class Handler, class... Arguments>
void AppModule::Get(std::string_view path, Handler handler, Arguments... arguments) {
  Endpoint(RequestMethod::kGet, {}, path, handler, std::move(arguments)...);
}

template <class Handler, class... Arguments>
void AppModule::Post(std::string_view path, Handler handler, Arguments... arguments) {
  Endpoint(RequestMethod::kPost, {}, path, handler, std::move(arguments)...);
}

template <class Handler, class... Arguments>
void AppModule::Put(std::string_view path, Handler handler, Arguments... arguments) {
  Endpoint(RequestMethod::kPut, {}, path, handler, std::move(arguments)...);
}

template <class Handler, class... Arguments>
void AppModule::Delete(std::string_view path, Handler handler, Arguments... arguments) {
  Endpoint(RequestMethod::kDelete, {}, path, handler, std::move(arguments)...);
}

template <class Handler, class... Arguments>
void AppModule::Patch(std::string_view path, Handler handler, Arguments... arguments) {
  Endpoint(RequestMethod::kPatch, {}, path, handler, std::move(arguments)...);
}

template <class Handler, class... Arguments>
void AppModule::Endpoint(RequestMethod method, std::string_view method_name,
                         std::string_view path, Handler handler, Arguments... arguments) {
  using Traits = endpoint_internal::HandlerTraits<Handler>;
  static_assert(Traits::kIsHandler,
                "an endpoint handler is a member function returning MaybeType<Failure, T>");
  using Module = typename Traits::Module;
  using Result = typename Traits::Result;
  using Bound = typename Traits::Parameters::Bound;
  static_assert(std::is_base_of_v<AppModule, Module>, "the handler must belong to the module");
  static_assert((std::is_convertible_v<Arguments, EndpointArgument> && ...),
                "name each parameter with PathArg, QueryArg, HeaderArg, BodyArg or Arg");
  static_assert(sizeof...(Arguments) == std::tuple_size_v<Bound>,
                "give one EndpointArgument per handler parameter");
  static_assert(endpoint_internal::AllSupported<Bound>::value,
                "every handler parameter must be a binding-supported type");
  static_assert(std::is_same_v<Result, Empty> || kIsBindingSupported<Result>,
                "the handler's result must be Empty or a binding-supported type");

  std::vector<EndpointArgument> described{EndpointArgument(std::move(arguments))...};
  BindingTypeId returns;
  if constexpr (!std::is_same_v<Result, Empty>) returns = BindingTypeIdOf<Result>(registry_);
  std::vector<EndpointParameter> parameters = endpoint_internal::DescribeParameters<Bound>(
      registry_, std::move(described), std::make_index_sequence<std::tuple_size_v<Bound>>());
  std::vector<std::string> names;
  std::vector<bool> optional;
  for (const EndpointParameter& parameter : parameters) {
    names.push_back(parameter.name);
    optional.push_back(parameter.optional);
  }
  AddEndpoint(method, method_name, path, std::move(parameters), returns,
              std::make_unique<endpoint_internal::TypedEndpointInvoker<Handler>>(
                  handler, std::move(names), std::move(optional)));
}

namespace endpoint_internal {

template <class Handler>
const BindingTypeRegistry& TypedEndpointInvoker<Handler>::RegistryOf(AppModule& module) {
  return module.registry();
}

}  // namespace endpoint_internal

}  // namespace tav

#endif  // TAV_PLUGIN_APP_MODULE_INL_H_
