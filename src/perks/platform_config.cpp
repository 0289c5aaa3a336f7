// The "Perks" namespace of the platform configuration: whether pages are
// pushed to the game at all, and whether stored pages are repaired.
#include "perks/perks_module.h"

namespace tav::perks {

void PerksModule::OnPlatformConfig(const RemotingTypedResult<api::PlatformConfig>& config) {
  // A deleted configuration keeps the switches as they were last set.
  if (config.eventType == PluginResourceEventType::Delete) return;
  perks_enabled_ = config.value.PerksEnabled;
  auto_repair_enabled_ = config.value.AutoRepairPagesEnabled;
}

}  // namespace tav::perks
