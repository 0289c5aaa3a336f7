// The types and events the core defines for every plugin, registered in the
// module's registry under the name space "vclient" before the module's own.
//
//   RegisterCoreTypes(registry);
//   PluginResourceEvent event{"/tav-perks/v1/pages", PluginResourceEventType::Update, {}};
#ifndef TAV_PLUGIN_CORE_TYPES_H_
#define TAV_PLUGIN_CORE_TYPES_H_

#include <cstdint>
#include <string>

#include "binding/binding_property.h"
#include "binding/binding_type_registry.h"

namespace tav {

enum class PluginManagerState : int32_t { NotReady = 0, PluginsInitialized = 1 };

struct PluginManagerResource {
  PluginManagerState state = PluginManagerState::NotReady;
};

enum class PluginResourceEventType : int32_t { Create = 0, Update = 1, Delete = 2 };

struct PluginResourceEvent {
  std::string uri;
  PluginResourceEventType eventType = PluginResourceEventType::Create;
  BindingProperty data;
};

struct PluginLcdsEvent {
  std::string clientId;
  std::string subtopic;
  std::string typeName;
  BindingProperty body;
};

struct PluginLcdsResponse {
  std::string typeName;
  BindingProperty body;
};

struct PluginServiceProxyResponse {
  std::string uuid;
  std::string serviceName;
  std::string methodName;
  std::string payload;
  std::string status;
  std::string error;
};

inline constexpr const char* kCoreNameSpace = "vclient";

// Registers the types above and the events OnJsonApiEvent, OnLcdsEvent,
// OnServiceProxyUuidEvent, OnServiceProxyMethodEvent and
// OnServiceProxyAsyncEvent with their payload types and descriptions.
void RegisterCoreTypes(BindingTypeRegistry& registry);

}  // namespace tav

#endif  // TAV_PLUGIN_CORE_TYPES_H_
