// The perks the game has disabled for now: served as held, and applied to
// the book, which is validated again, only outside champion select.
#include <utility>

#include "perks/perks_module.h"
#include "perks/perks_paths.h"
#include "plugin/resource_events.h"

namespace tav::perks {

MaybeType<Failure, std::vector<int32_t>> PerksModule::GetDisabledPerks() {
  return disabled_perk_ids_;
}

void PerksModule::SetPendingDisabledPerks(std::vector<int32_t> ids) {
  pending_disabled_perk_ids_ = std::move(ids);
  disabled_perks_pending_ = true;
  ApplyPendingDisabledPerks();
}

void PerksModule::ApplyPendingDisabledPerks() {
  // A change in champion select would turn the page being played invalid
  // under the player's hands; it waits for the end of champion select.
  if (!disabled_perks_pending_ || in_champ_select_) return;
  disabled_perks_pending_ = false;
  disabled_perk_ids_ = pending_disabled_perk_ids_;
  PublishResource(PerksPath(kDisabledPerksPath), disabled_perk_ids_);
  if (pages_.empty()) return;
  for (auto& entry : pages_) {
    api::PerkPageResource& page = entry.second;
    page.isValid = IsPageValid(page);
    page.isActive = false;
  }
  PublishPages();
}

}  // namespace tav::perks
