// Registers every type the perks service sends, receives or stores with a
// module's type registry, each under the module's API namespace followed by
// the type's name, every type after the types its fields use.
//
//   BindingTypeRegistry registry;
//   RegisterBuiltinTypes(registry);
//   RegisterApiTypes(registry, "TavPerks");
//   registry.FindType("TavPerksPerkPageResource");   // registered
#ifndef TAV_PERKS_API_REGISTER_API_TYPES_H_
#define TAV_PERKS_API_REGISTER_API_TYPES_H_

#include <string_view>

#include "perks/api/champ_select_types.h"
#include "perks/api/collections_types.h"
#include "perks/api/game_customization_types.h"
#include "perks/api/gameflow_types.h"
#include "perks/api/login_types.h"
#include "perks/api/messaging_types.h"
#include "perks/api/perk_settings_types.h"
#include "perks/api/perks_types.h"
#include "perks/api/platform_config_types.h"
#include "perks/api/summoner_types.h"

namespace tav {
class BindingTypeRegistry;
}  // namespace tav

namespace Vexa::Client::Perks::Api {

// Registers the types once; a name already registered keeps its first
// registration, so a second call changes nothing. Run it before any
// endpoint is registered. CollectionsLcdsClientDynamicConfigurationNotification
// comes last; its LCDS class is
// kClientDynamicConfigurationNotificationLcdsClass.
void RegisterApiTypes(tav::BindingTypeRegistry& registry, std::string_view api_namespace);

}  // namespace Vexa::Client::Perks::Api

#endif  // TAV_PERKS_API_REGISTER_API_TYPES_H_
