// Page validation and automatic repair against the perk catalogue.
//
// A page is valid when its two styles exist and differ and its selected
// perks (ignoring -1 and 0) are six existing, enabled perks that fill four
// distinct slots of the primary style and two of the sub-style. The repair
// puts style defaults in place of selections that sit in the wrong slot.
//
//   page.isValid = ValidatePage(page, catalogue, disabled_perk_ids);
//   page.autoModifiedSelections = AutoRepairPage(page, catalogue);
#ifndef TAV_PERKS_PAGE_VALIDATION_H_
#define TAV_PERKS_PAGE_VALIDATION_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "perks/api/perks_types.h"
#include "perks/perk_catalogue.h"

namespace tav::perks {

// Slot kinds, compared exactly with a slot's `type`. A "kSplashable" slot
// serves only the sub-style side; a "kMixedRegularSplashable" slot serves
// either side; every other slot only the primary side.
inline constexpr std::string_view kSplashableSlot = "kSplashable";
inline constexpr std::string_view kMixedRegularSplashableSlot = "kMixedRegularSplashable";

// True when the page is valid as described above; the page is not changed.
// Each selected id takes every primary slot that lists it (two ids meeting
// in one slot make the page invalid) and falls back to the sub-style's slots
// only when no primary slot lists it. The order of the ids does not matter.
[[nodiscard]] bool ValidatePage(const api::PerkPageResource& page, const PerkCatalogue& catalogue,
                                const std::vector<int32_t>& disabled_perk_ids);

// Repairs selectedPerkIds in place and returns the positions it changed,
// primary positions (0-3) first, then sub-style positions (4-5); empty when
// nothing changed.
// - Position i < 4 whose perk is not in slot i of the primary style takes the
//   style's defaultPerks[i]; when there is no such default it is left alone.
// - Position 4 or 5 whose perk is in no slot of the sub-style from slot 1 on
//   takes the first of the sub-style's defaultPerksWhenSplashed that fits a
//   slot (from 1 on) not used by the other position; when none fits it is
//   left alone.
// Positions holding -1 or 0 and styles missing from the catalogue are left
// alone. The result says nothing about validity: validate afterwards.
[[nodiscard]] std::vector<uint32_t> AutoRepairPage(api::PerkPageResource& page,
                                                   const PerkCatalogue& catalogue);

}  // namespace tav::perks

#endif  // TAV_PERKS_PAGE_VALIDATION_H_
