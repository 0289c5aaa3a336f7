// The typed half of endpoint registration: reads a handler's parameter and
// result types from its member-function signature, describes the
// parameters for the registry, and builds the invoker that converts bound
// values to those types and the result back. AppModule's Get, Put, Post,
// Delete, Patch and Endpoint use it; modules do not call it directly.
//
// A handler is a member function of the module (const or not) returning
// MaybeType<Failure, T>; T = Empty for an endpoint without a value. If its
// first parameter is `const RequestContext&` it receives the request
// context; every other parameter is a binding-supported type, by value or
// by const reference, and is named by one EndpointArgument.
#ifndef TAV_PLUGIN_ENDPOINT_REGISTRATION_H_
#define TAV_PLUGIN_ENDPOINT_REGISTRATION_H_

#include <cstddef>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "binding/binding_result.h"
#include "binding/binding_type_registry.h"
#include "binding/native_conversion.h"
#include "plugin/endpoint_argument.h"
#include "plugin/endpoint_function.h"
#include "plugin/failure.h"
#include "plugin/maybe_type.h"
#include "plugin/request_context.h"

namespace tav {

class AppModule;

namespace endpoint_internal {

template <class... P>
struct ParameterList {
  static constexpr bool kTakesContext = false;
  using Bound = std::tuple<std::decay_t<P>...>;
};
template <class... P>
struct ParameterList<const RequestContext&, P...> {
  static constexpr bool kTakesContext = true;
  using Bound = std::tuple<std::decay_t<P>...>;
};

template <class Handler>
struct HandlerTraits {
  static constexpr bool kIsHandler = false;
};

template <class M, class R, class... P>
struct HandlerTraits<MaybeType<Failure, R> (M::*)(P...)> {
  static constexpr bool kIsHandler = true;
  using Module = M;
  using Result = R;
  using Parameters = ParameterList<P...>;
};

template <class M, class R, class... P>
struct HandlerTraits<MaybeType<Failure, R> (M::*)(P...) const>
    : HandlerTraits<MaybeType<Failure, R> (M::*)(P...)> {};

template <class Tuple>
struct AllSupported;
template <class... T>
struct AllSupported<std::tuple<T...>> {
  static constexpr bool value = (kIsBindingSupported<T> && ...);
};

template <class Tuple, size_t... I>
std::vector<EndpointParameter> DescribeParameters(const BindingTypeRegistry& registry,
                                                  std::vector<EndpointArgument> arguments,
                                                  std::index_sequence<I...>) {
  std::vector<EndpointParameter> parameters;
  parameters.reserve(sizeof...(I));
  (parameters.push_back(EndpointParameter{
       std::move(arguments[I].name), arguments[I].location,
       arguments[I].optional || kIsBindingOptional<std::tuple_element_t<I, Tuple>>,
       BindingTypeIdOf<std::tuple_element_t<I, Tuple>>(registry)}),
   ...);
  return parameters;
}

template <class Handler>
class TypedEndpointInvoker final : public EndpointInvoker {
 public:
  using Traits = HandlerTraits<Handler>;
  using Module = typename Traits::Module;
  using Result = typename Traits::Result;
  using Bound = typename Traits::Parameters::Bound;
  static constexpr size_t kCount = std::tuple_size_v<Bound>;

  // `names` and `optional` describe the bound parameters in order.
  TypedEndpointInvoker(Handler handler, std::vector<std::string> names, std::vector<bool> optional)
      : handler_(handler), names_(std::move(names)), optional_(std::move(optional)) {}

  MaybeType<Failure, BindingProperty> Invoke(AppModule& module, const RequestContext& context,
                                             const std::vector<BindingProperty>& values) override {
    const BindingTypeRegistry& registry = RegistryOf(module);
    Bound natives{};
    BindingResult converted;
    ConvertAll(converted, natives, values, registry, std::make_index_sequence<kCount>());
    if (!converted.ok()) return Failure(std::string(converted.error()));
    MaybeType<Failure, Result> result =
        Call(static_cast<Module&>(module), context, natives, std::make_index_sequence<kCount>());
    if (!result.ok()) return std::move(result).failure();
    if constexpr (std::is_same_v<Result, Empty>) {
      return BindingProperty();
    } else {
      BindingResult encoded;
      ToBinding(encoded, result.value(), registry);
      if (!encoded.ok()) return Failure(std::string(encoded.error()), 400);
      return std::move(encoded.value());
    }
  }

 private:
  static const BindingTypeRegistry& RegistryOf(AppModule& module);

  template <size_t... I>
  void ConvertAll(BindingResult& converted, Bound& natives,
                  const std::vector<BindingProperty>& values, const BindingTypeRegistry& registry,
                  std::index_sequence<I...>) const {
    (ConvertOne(converted, std::get<I>(natives), values[I], I, registry), ...);
  }

  // A missing optional value leaves the parameter at its default.
  template <class T>
  void ConvertOne(BindingResult& converted, T& native, const BindingProperty& value, size_t index,
                  const BindingTypeRegistry& registry) const {
    if (value.isEmpty() && optional_[index]) return;
    FromBinding(converted, native, value, names_[index], registry);
  }

  template <size_t... I>
  MaybeType<Failure, Result> Call(Module& module, const RequestContext& context, Bound& natives,
                                  std::index_sequence<I...>) const {
    if constexpr (Traits::Parameters::kTakesContext) {
      return (module.*handler_)(context, std::move(std::get<I>(natives))...);
    } else {
      (void)context;
      return (module.*handler_)(std::move(std::get<I>(natives))...);
    }
  }

  Handler handler_;
  std::vector<std::string> names_;
  std::vector<bool> optional_;
};

}  // namespace endpoint_internal

}  // namespace tav

#endif  // TAV_PLUGIN_ENDPOINT_REGISTRATION_H_
