#include "perks/customization_limits.h"

namespace tav::perks {
namespace {

constexpr uint32_t kUnknownLevelStandIn = 17;

struct LevelFlag {
  uint32_t level;
  api::CustomizationLimits flag;
};

constexpr LevelFlag kLevelFlags[] = {
    {8, api::CustomizationLimits::CanSelectPages},
    {11, api::CustomizationLimits::CanSelectKeystones},
    {13, api::CustomizationLimits::CanSelectPrimaries},
    {15, api::CustomizationLimits::CanSelectSplash},
    {17, api::CustomizationLimits::CanUseAdvancedStyles},
};

}  // namespace

api::CustomizationLimits CustomizationLimitsForLevel(uint32_t summoner_level) {
  const uint32_t level = summoner_level == 0 ? kUnknownLevelStandIn : summoner_level;
  api::CustomizationLimits limits = api::CustomizationLimits::Locked;
  for (const LevelFlag& entry : kLevelFlags) {
    if (level >= entry.level) limits |= entry.flag;
  }
  return limits;
}

}  // namespace tav::perks
