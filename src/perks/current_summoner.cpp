// The current summoner: its level sets the customization limits, which
// decide whether advanced styles load, and a new level brings back any
// preset page missing from the book.
#include "perks/perks_module.h"

namespace tav::perks {

void PerksModule::OnCurrentSummoner(
    const RemotingTypedResult<Vexa::Client::Summoner::Api::Summoner>& summoner) {
  const uint32_t level = summoner.value.summonerLevel;
  const bool level_changed = level != summoner_level_;
  summoner_level_ = level;
  PublishCustomizationLimits();
  if (!level_changed) return;

  (void)LoadStyles();
  bool added = false;
  for (const api::PerkPageResource& preset : catalogue_.preset_pages()) {
    if (pages_.emplace(preset.id, preset).second) added = true;
  }
  if (added) PublishPages();
}

}  // namespace tav::perks
