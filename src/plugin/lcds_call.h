// LCDS calls: a remote method of an LCDS destination invoked through the
// login plugin. Structures sent carry their LCDS class name in a member
// "__class" (at any depth), and an answer whose type has a registered class
// must carry that class.
//
//   RegisterLcdsClass<DynamicConfigNotification>("com.example.platform.DynamicConfigNotification");
//   std::future<MaybeType<Failure, Summoner>> summoner =
//       LcdsCall<Summoner>("summonerService", "getSummonerByName", std::string("Quill"));
//   MaybeType<Failure, Summoner> answer = Await(std::move(summoner));
//
// The login plugin's endpoint is called with named arguments:
//   POST "/tav-login/v1/session/invoke"
//       "destination" (text), "method" (text), "args" (collection of the arguments)
#ifndef TAV_PLUGIN_LCDS_CALL_H_
#define TAV_PLUGIN_LCDS_CALL_H_

#include <future>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "binding/binding_property.h"
#include "binding/binding_result.h"
#include "binding/json_writer.h"
#include "binding/native_conversion.h"
#include "binding/static_type.h"
#include "binding/type_key.h"
#include "plugin/app_module.h"
#include "plugin/failure.h"
#include "plugin/maybe_type.h"

namespace tav {

inline constexpr const char* kLcdsInvokePath = "/tav-login/v1/session/invoke";

namespace lcds_call_internal {

// "Couldn't convert LCDS call parameters: {error}"
Failure ParameterFailure(std::string_view error);
// "Couldn't convert LCDS DTO {name} to C++ from {json}"
Failure AnswerConversionFailure(std::string_view type_name, std::string_view json);

}  // namespace lcds_call_internal

template <class T>
void AppModule::RegisterLcdsClass(std::string_view class_name) {
  const TypeKey& key = TypeKeyOf<T>();
  lcds_class_by_key_[key.number()] = std::string(class_name);
  if (const BindingTypeDescriptor* type = registry_.FindType(key)) {
    lcds_class_by_type_name_[type->name] = std::string(class_name);
  }
}

template <class T, class... Args>
std::future<MaybeType<Failure, T>> AppModule::LcdsCall(std::string_view destination,
                                                       std::string_view method,
                                                       const Args&... arguments) {
  static_assert((kIsBindingSupported<Args> && ...), "arguments must be supported native types");
  static_assert(kIsBindingSupported<T>, "the result type must be a supported native type");
  auto call = [&]() -> MaybeType<Failure, T> {
    BindingProperty collection;
    collection.MakeCollection();
    std::string error;
    auto add = [&](const auto& argument) {
      if (!error.empty()) return;
      BindingResult converted;
      ToBinding(converted, argument, registry_);
      if (!converted.ok()) {
        error = std::string(converted.error());
        return;
      }
      using Argument = std::decay_t<decltype(argument)>;
      TagLcdsClasses(converted.value(), BindingTypeIdOf<Argument>(registry_));
      collection.Append().Assign(converted.value());
    };
    (add(arguments), ...);
    (void)add;  // unused when there are no arguments
    if (!error.empty()) return lcds_call_internal::ParameterFailure(error);

    MaybeType<Failure, BindingProperty> answer =
        InvokeLcds(destination, method, collection, TypeKeyOf<T>().number());
    if (!answer.ok()) return std::move(answer).failure();
    T value{};
    if (answer.value().isEmpty()) return value;
    BindingResult converted;
    FromBinding(converted, value, answer.value(), "<value>", registry_);
    if (!converted.ok()) {
      return lcds_call_internal::AnswerConversionFailure(StaticType::Name<T>(),
                                                         WriteJson(answer.value(), &registry_));
    }
    return value;
  };
  std::promise<MaybeType<Failure, T>> promise;
  std::future<MaybeType<Failure, T>> future = promise.get_future();
  promise.set_value(call());
  return future;
}

}  // namespace tav

#endif  // TAV_PLUGIN_LCDS_CALL_H_
