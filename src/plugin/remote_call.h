// Remote calls: a module's requests to other plugins' APIs through the core.
// Arguments are native values of registered types, converted and sent in
// order as positional arguments, or a set of named texts. The answer comes
// back as a MaybeType: the value converted to T, or a Failure whose message
// names the method and the URL.
//
//   MaybeType<Failure, CollectionsRuneBook> book =
//       Call<CollectionsRuneBook>(RequestMethod::kGet, "/tav-collections/v1/inventories/31/rune-book");
//   MaybeType<Failure, Empty> sent =
//       Call(RequestMethod::kPost, "/telemetry/v1/events/bkt_perks__event",
//            NamedTextArguments{{"event", "perks_champselect_noperks"}});
#ifndef TAV_PLUGIN_REMOTE_CALL_H_
#define TAV_PLUGIN_REMOTE_CALL_H_

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "binding/binding_property.h"
#include "binding/binding_result.h"
#include "binding/binding_type_registry.h"
#include "binding/native_conversion.h"
#include "plugin/app_module.h"
#include "plugin/failure.h"
#include "plugin/maybe_type.h"
#include "plugin/request_method.h"
#include "tav/plugin_abi.h"

namespace tav {

// Arguments sent by name, each value a text.
class NamedTextArguments {
 public:
  NamedTextArguments() = default;
  NamedTextArguments(std::initializer_list<std::pair<const std::string, std::string>> entries)
      : entries_(entries) {}
  explicit NamedTextArguments(std::map<std::string, std::string> entries)
      : entries_(std::move(entries)) {}

  const std::map<std::string, std::string>& entries() const { return entries_; }

 private:
  std::map<std::string, std::string> entries_;
};

// The argument array of a request the plugin sends, in the core's transfer
// form. It owns its names and values and frees them when destroyed; the
// core only borrows them for the length of the Request.
class RemoteArguments {
 public:
  RemoteArguments() = default;
  ~RemoteArguments();
  RemoteArguments(const RemoteArguments&) = delete;
  RemoteArguments& operator=(const RemoteArguments&) = delete;

  // Enumeration values are sent by name when `registry` knows one.
  void AddPositional(const BindingProperty& value, const BindingTypeRegistry* registry);
  void AddNamed(std::string_view name, const BindingProperty& value,
                const BindingTypeRegistry* registry);
  void AddNamedText(std::string_view name, std::string_view text);

  const CoreArgument* data() const { return arguments_.empty() ? nullptr : arguments_.data(); }
  uint32_t size() const { return static_cast<uint32_t>(arguments_.size()); }

 private:
  void Add(const char* name, const BindingProperty& value, const BindingTypeRegistry* registry);

  std::deque<std::string> names_;  // a deque keeps each name's text in place
  std::vector<CoreArgument> arguments_;
};

namespace remote_call_internal {

// "Request not sent: Error converting parameters for {method} {url}: {error}", 400.
Failure ParameterFailure(RequestMethod method, std::string_view url, std::string_view error);
// "Error converting response for {method} {url}: {error}", no status.
Failure ResponseConversionFailure(RequestMethod method, std::string_view url,
                                  std::string_view error);

// Converts each argument and appends it as a positional argument. Stops at
// the first failure and gives its message; "" when all converted.
template <class... Args>
std::string AddPositionalArguments(RemoteArguments& out, const BindingTypeRegistry& registry,
                                   const Args&... arguments) {
  std::string error;
  auto add = [&](const auto& argument) {
    if (!error.empty()) return;
    BindingResult converted;
    ToBinding(converted, argument, registry);
    if (!converted.ok()) {
      error = std::string(converted.error());
      return;
    }
    out.AddPositional(converted.value(), &registry);
  };
  (add(arguments), ...);
  (void)add;  // unused when there are no arguments
  return error;
}

// The body of a successful call converted to T under the name "<result>".
template <class T>
MaybeType<Failure, T> ConvertResponse(RequestMethod method, std::string_view url,
                                      MaybeType<Failure, BindingProperty> body,
                                      const BindingTypeRegistry& registry) {
  if (!body.ok()) return std::move(body).failure();
  if constexpr (std::is_same_v<T, Empty>) {
    return Empty{};
  } else if constexpr (std::is_same_v<T, BindingProperty>) {
    return std::move(body).value();
  } else {
    static_assert(kIsBindingSupported<T>, "the result type must be a supported native type");
    T value{};
    BindingResult converted;
    FromBinding(converted, value, body.value(), "<result>", registry);
    if (!converted.ok()) return ResponseConversionFailure(method, url, converted.error());
    return value;
  }
}

}  // namespace remote_call_internal

template <class T, class... Args>
MaybeType<Failure, T> AppModule::Call(RequestMethod method, std::string_view url,
                                      const Args&... arguments) {
  static_assert((kIsBindingSupported<Args> && ...),
                "arguments must be supported native types (or one NamedTextArguments)");
  RemoteArguments sent;
  const std::string error =
      remote_call_internal::AddPositionalArguments(sent, registry_, arguments...);
  if (!error.empty()) return remote_call_internal::ParameterFailure(method, url, error);
  return remote_call_internal::ConvertResponse<T>(
      method, url, SendRemoteRequest(method, url, sent, !std::is_same_v<T, Empty>), registry_);
}

template <class T>
MaybeType<Failure, T> AppModule::Call(RequestMethod method, std::string_view url,
                                      const NamedTextArguments& arguments) {
  RemoteArguments sent;
  for (const auto& [name, text] : arguments.entries()) sent.AddNamedText(name, text);
  return remote_call_internal::ConvertResponse<T>(
      method, url, SendRemoteRequest(method, url, sent, !std::is_same_v<T, Empty>), registry_);
}

}  // namespace tav

#endif  // TAV_PLUGIN_REMOTE_CALL_H_
