// The "Perks" namespace of the platform configuration. Its keys begin with a
// capital letter on the wire, and so do the members. Both switches are on
// unless the configuration turns them off.
//
//   perks_enabled = config.PerksEnabled;
#ifndef TAV_PERKS_API_PLATFORM_CONFIG_TYPES_H_
#define TAV_PERKS_API_PLATFORM_CONFIG_TYPES_H_

namespace Vexa::Client::Perks::Api {

struct PlatformConfig {
  bool PerksEnabled = true;
  bool AutoRepairPagesEnabled = true;
};

}  // namespace Vexa::Client::Perks::Api

#endif  // TAV_PERKS_API_PLATFORM_CONFIG_TYPES_H_
