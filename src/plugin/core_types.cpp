#include "plugin/core_types.h"

#include "binding/binding_event_descriptor.h"
#include "binding/native_conversion.h"
#include "binding/type_registration.h"

namespace tav {

namespace {

template <class Payload>
void AddCoreEvent(BindingTypeRegistry& registry, const char* name, const char* description) {
  BindingEventDescriptor event;
  event.name = name;
  event.name_space = kCoreNameSpace;
  event.payload = BindingTypeIdOf<Payload>(registry);
  event.description = description;
  registry.AddEvent(std::move(event));
}

}  // namespace

void RegisterCoreTypes(BindingTypeRegistry& registry) {
  RegisterEnum<PluginManagerState>(registry, "PluginManagerState")
      .NameSpace(kCoreNameSpace)
      .Value("NotReady", PluginManagerState::NotReady)
      .Value("PluginsInitialized", PluginManagerState::PluginsInitialized)
      .Commit();
  RegisterStruct<PluginManagerResource>(registry, "PluginManagerResource")
      .NameSpace(kCoreNameSpace)
      .Field("state", &PluginManagerResource::state)
      .Commit();
  RegisterEnum<PluginResourceEventType>(registry, "PluginResourceEventType")
      .NameSpace(kCoreNameSpace)
      .Value("Create", PluginResourceEventType::Create)
      .Value("Update", PluginResourceEventType::Update)
      .Value("Delete", PluginResourceEventType::Delete)
      .Commit();
  RegisterStruct<PluginResourceEvent>(registry, "PluginResourceEvent")
      .NameSpace(kCoreNameSpace)
      .Field("uri", &PluginResourceEvent::uri)
      .Field("eventType", &PluginResourceEvent::eventType)
      .Field("data", &PluginResourceEvent::data)
      .Commit();
  RegisterStruct<PluginLcdsEvent>(registry, "PluginLcdsEvent")
      .NameSpace(kCoreNameSpace)
      .Field("clientId", &PluginLcdsEvent::clientId)
      .Field("subtopic", &PluginLcdsEvent::subtopic)
      .Field("typeName", &PluginLcdsEvent::typeName)
      .Field("body", &PluginLcdsEvent::body)
      .Commit();
  RegisterStruct<PluginLcdsResponse>(registry, "PluginLcdsResponse")
      .NameSpace(kCoreNameSpace)
      .Field("typeName", &PluginLcdsResponse::typeName)
      .Field("body", &PluginLcdsResponse::body)
      .Commit();
  RegisterStruct<PluginServiceProxyResponse>(registry, "PluginServiceProxyResponse")
      .NameSpace(kCoreNameSpace)
      .Field("uuid", &PluginServiceProxyResponse::uuid)
      .Field("serviceName", &PluginServiceProxyResponse::serviceName)
      .Field("methodName", &PluginServiceProxyResponse::methodName)
      .Field("payload", &PluginServiceProxyResponse::payload)
      .Field("status", &PluginServiceProxyResponse::status)
      .Field("error", &PluginServiceProxyResponse::error)
      .Commit();

  AddCoreEvent<PluginResourceEvent>(registry, "OnJsonApiEvent",
                                    "Fired when a resource is changed.");
  AddCoreEvent<PluginLcdsEvent>(registry, "OnLcdsEvent",
                                "Fired when a message is received over the LCDS connection.");
  AddCoreEvent<PluginServiceProxyResponse>(
      registry, "OnServiceProxyUuidEvent",
      "Fired when a uuid-based service proxy message is received.");
  AddCoreEvent<PluginServiceProxyResponse>(
      registry, "OnServiceProxyMethodEvent",
      "Fired when a method-based service proxy message is received.");
  AddCoreEvent<PluginServiceProxyResponse>(
      registry, "OnServiceProxyAsyncEvent",
      "Fired when an async service proxy message is received.");
}

}  // namespace tav
