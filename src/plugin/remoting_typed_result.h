// RemotingTypedResult<T>: a resource event with its data as a native value,
// the form in which typed observers receive events. It converts to and from
// PluginResourceEvent, whose "data" holds the value (converted under the
// name "<value>").
//
//   MaybeType<Failure, RemotingTypedResult<LoginSession>> session =
//       RemotingTypedResultFromEvent<LoginSession>(event, registry);
//   if (session.ok() && session.value().eventType != PluginResourceEventType::Delete) ...
#ifndef TAV_PLUGIN_REMOTING_TYPED_RESULT_H_
#define TAV_PLUGIN_REMOTING_TYPED_RESULT_H_

#include <string>
#include <utility>

#include "binding/binding_result.h"
#include "binding/binding_type_registry.h"
#include "binding/native_conversion.h"
#include "plugin/core_types.h"
#include "plugin/failure.h"
#include "plugin/maybe_type.h"

namespace tav {

template <class T>
struct RemotingTypedResult {
  std::string uri;
  PluginResourceEventType eventType = PluginResourceEventType::Create;
  T value{};
};

// The typed form of `event`. A Delete carries no value, so it gives a
// default T whatever its data holds. Fails with the conversion's message
// when the data does not convert to T.
template <class T>
MaybeType<Failure, RemotingTypedResult<T>> RemotingTypedResultFromEvent(
    const PluginResourceEvent& event, const BindingTypeRegistry& registry) {
  RemotingTypedResult<T> typed;
  typed.uri = event.uri;
  typed.eventType = event.eventType;
  if (event.eventType == PluginResourceEventType::Delete) return typed;
  BindingResult converted;
  FromBinding(converted, typed.value, event.data, "<value>", registry);
  if (!converted.ok()) return Failure(std::string(converted.error()));
  return typed;
}

// The untyped form of `typed`, its value converted into "data". Fails with
// the conversion's message (an unregistered structure).
template <class T>
MaybeType<Failure, PluginResourceEvent> RemotingTypedResultToEvent(
    const RemotingTypedResult<T>& typed, const BindingTypeRegistry& registry) {
  BindingResult converted;
  ToBinding(converted, typed.value, registry);
  if (!converted.ok()) return Failure(std::string(converted.error()));
  PluginResourceEvent event;
  event.uri = typed.uri;
  event.eventType = typed.eventType;
  event.data = std::move(converted.value());
  return event;
}

}  // namespace tav

#endif  // TAV_PLUGIN_REMOTING_TYPED_RESULT_H_
