#include "binding/builtin_types.h"

#include "binding/binding_event_descriptor.h"
#include "binding/binding_type_registry.h"
#include "binding/native_conversion.h"
#include "binding/type_registration.h"

namespace tav {

namespace {

constexpr char kBuiltinTag[] = "$builtin";
constexpr char kHelpTag[] = "help";
constexpr char kAsyncTag[] = "async";

void RegisterHelpTypes(BindingTypeRegistry& registry) {
  RegisterEnum<BindingHelpFormat>(registry, "BindingHelpFormat")
      .Description("Help format for binding functions and types.")
      .Tags({kBuiltinTag, kHelpTag})
      .Value("Full", BindingHelpFormat::Full, "Native help format")
      .Value("Epytext", BindingHelpFormat::Epytext, "Python epytext format")
      .Commit();
  RegisterStruct<BindingFullTypeIdentifier>(registry, "BindingFullTypeIdentifier")
      .Description("Describes the type of a value.")
      .Tags({kBuiltinTag, kHelpTag})
      .Field("type", &BindingFullTypeIdentifier::type)
      .Field("elementType", &BindingFullTypeIdentifier::elementType)
      .Commit();
  RegisterStruct<BindingFullArgumentHelp>(registry, "BindingFullArgumentHelp")
      .Description("Describes a function parameter.")
      .Tags({kBuiltinTag, kHelpTag})
      .Field("name", &BindingFullArgumentHelp::name)
      .Field("description", &BindingFullArgumentHelp::description)
      .Field("type", &BindingFullArgumentHelp::type)
      .Field("optional", &BindingFullArgumentHelp::optional)
      .Commit();
  RegisterStruct<BindingFullFunctionHelp>(registry, "BindingFullFunctionHelp")
      .Description("Describes a function.")
      .Tags({kBuiltinTag, kHelpTag})
      .Field("name", &BindingFullFunctionHelp::name)
      .Field("nameSpace", &BindingFullFunctionHelp::nameSpace)
      .Field("arguments", &BindingFullFunctionHelp::arguments)
      .Field("returns", &BindingFullFunctionHelp::returns)
      .Field("description", &BindingFullFunctionHelp::description)
      .Field("help", &BindingFullFunctionHelp::help)
      .Field("threadSafe", &BindingFullFunctionHelp::threadSafe)
      .Field("async", &BindingFullFunctionHelp::async)
      .Field("tags", &BindingFullFunctionHelp::tags)
      .Commit();
  RegisterStruct<BindingFullEnumValueHelp>(registry, "BindingFullEnumValueHelp")
      .Description("Describes an enumerator.")
      .Tags({kBuiltinTag, kHelpTag})
      .Field("name", &BindingFullEnumValueHelp::name)
      .Field("description", &BindingFullEnumValueHelp::description)
      .Field("value", &BindingFullEnumValueHelp::value)
      .Commit();
  RegisterStruct<BindingFullFieldHelp>(registry, "BindingFullFieldHelp")
      .Description("Describes a member of a struct.")
      .Tags({kBuiltinTag, kHelpTag})
      .Field("name", &BindingFullFieldHelp::name)
      .Field("description", &BindingFullFieldHelp::description)
      .Field("offset", &BindingFullFieldHelp::offset)
      .Field("type", &BindingFullFieldHelp::type)
      .Field("optional", &BindingFullFieldHelp::optional)
      .Commit();
  RegisterStruct<BindingFullTypeHelp>(registry, "BindingFullTypeHelp")
      .Description("Describes a struct or enum type.")
      .Tags({kBuiltinTag, kHelpTag})
      .Field("name", &BindingFullTypeHelp::name)
      .Field("nameSpace", &BindingFullTypeHelp::nameSpace)
      .Field("size", &BindingFullTypeHelp::size)
      .Field("description", &BindingFullTypeHelp::description)
      .Field("tags", &BindingFullTypeHelp::tags)
      .Field("fields", &BindingFullTypeHelp::fields)
      .Field("values", &BindingFullTypeHelp::values)
      .Commit();
  RegisterStruct<BindingFullEventHelp>(registry, "BindingFullEventHelp")
      .Description("Describes an event.")
      .Tags({kBuiltinTag, kHelpTag})
      .Field("name", &BindingFullEventHelp::name)
      .Field("nameSpace", &BindingFullEventHelp::nameSpace)
      .Field("type", &BindingFullEventHelp::type)
      .Field("description", &BindingFullEventHelp::description)
      .Field("tags", &BindingFullEventHelp::tags)
      .Commit();
  RegisterStruct<BindingFullApiHelp>(registry, "BindingFullApiHelp")
      .Description("Describes the exposed native API.")
      .Tags({kBuiltinTag, kHelpTag})
      .Field("functions", &BindingFullApiHelp::functions)
      .Field("types", &BindingFullApiHelp::types)
      .Field("events", &BindingFullApiHelp::events)
      .Commit();
}

void RegisterAsyncTypes(BindingTypeRegistry& registry) {
  RegisterEnum<BindingAsyncState>(registry, "BindingAsyncState")
      .Description("Possible states of an asynchronous operation.")
      .Tags({kBuiltinTag, kAsyncTag})
      .Value("None", BindingAsyncState::None, "Invalid state")
      .Value("Running", BindingAsyncState::Running, "The operation is in flight")
      .Value("Cancelling", BindingAsyncState::Cancelling,
             "A request to cancel the operation has been made")
      .Value("Cancelled", BindingAsyncState::Cancelled, "The operation was cancelled")
      .Value("Succeeded", BindingAsyncState::Succeeded, "The operation completed successfully")
      .Value("Failed", BindingAsyncState::Failed, "The operation encountered an error")
      .Commit();
  // The generic and callback events are not bound to an asynchronous
  // operation, so they carry only the built-in tag.
  RegisterStruct<BindingGenericEvent>(registry, "BindingGenericEvent")
      .Description("Represents generic data for an event.")
      .Tags({kBuiltinTag})
      .Field("data", &BindingGenericEvent::data, "Event data")
      .Commit();
  RegisterStruct<BindingCallbackEvent>(registry, "BindingCallbackEvent")
      .Description("Represents the parameters of a call to a provided callback.")
      .Tags({kBuiltinTag})
      .Field("id", &BindingCallbackEvent::id, "ID of the callback being invoked")
      .Field("parameters", &BindingCallbackEvent::parameters, "Callback parameters")
      .Commit();
  RegisterStruct<BindingGenericAsyncEvent>(registry, "BindingGenericAsyncEvent")
      .Description("Represents generic data for an asynchronous event.")
      .Tags({kBuiltinTag, kAsyncTag})
      .Field("asyncToken", &BindingGenericAsyncEvent::asyncToken, "Asynchronous operation token")
      .Field("data", &BindingGenericAsyncEvent::data, "Event data")
      .Commit();
  RegisterStruct<BindingAsyncFailureEvent>(registry, "BindingAsyncFailureEvent")
      .Description("Represents a failed asynchronous operation.")
      .Tags({kBuiltinTag, kAsyncTag})
      .Field("asyncToken", &BindingAsyncFailureEvent::asyncToken, "Asynchronous operation token")
      .Field("error", &BindingAsyncFailureEvent::error, "Error message")
      .Commit();
  RegisterStruct<BindingAsyncCancelEvent>(registry, "BindingAsyncCancelEvent")
      .Description("Represents a cancelled asynchronous operation.")
      .Tags({kBuiltinTag, kAsyncTag})
      .Field("asyncToken", &BindingAsyncCancelEvent::asyncToken, "Asynchronous operation token")
      .Commit();
}

void RegisterBuiltinEvents(BindingTypeRegistry& registry) {
  BindingEventDescriptor on_callback;
  on_callback.name = kOnCallbackEvent;
  on_callback.payload = BindingTypeIdOf<BindingCallbackEvent>(registry);
  on_callback.description = "Fired when a callback is invoked.";
  on_callback.tags = {kBuiltinTag};
  registry.AddEvent(std::move(on_callback));
}

}  // namespace

void RegisterBuiltinTypes(BindingTypeRegistry& registry) {
  RegisterHelpTypes(registry);
  RegisterAsyncTypes(registry);
  RegisterBuiltinEvents(registry);
}

}  // namespace tav
