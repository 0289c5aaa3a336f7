// The customization limits that a summoner level allows in champion select:
// the level unlocks pages at 8, keystones at 11, primary styles at 13, the
// splash style at 15 and advanced styles at 17.
//
//   api::CustomizationLimits limits = CustomizationLimitsForLevel(summoner_level);
//   bool advanced = api::HasLimits(limits, api::CustomizationLimits::CanUseAdvancedStyles);
#ifndef TAV_PERKS_CUSTOMIZATION_LIMITS_H_
#define TAV_PERKS_CUSTOMIZATION_LIMITS_H_

#include <cstdint>

#include "perks/api/perks_types.h"

namespace tav::perks {

namespace api = Vexa::Client::Perks::Api;

// The combined flags for `summoner_level`. Level 0 means the level is not
// known yet and is treated as 17, so nothing is held back before it arrives.
[[nodiscard]] api::CustomizationLimits CustomizationLimitsForLevel(uint32_t summoner_level);

}  // namespace tav::perks

#endif  // TAV_PERKS_CUSTOMIZATION_LIMITS_H_
