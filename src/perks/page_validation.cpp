#include "perks/page_validation.h"

#include <algorithm>
#include <optional>
#include <set>

namespace tav::perks {
namespace {

constexpr size_t kPrimaryPerkCount = 4;
constexpr size_t kSecondaryPerkCount = 2;
constexpr size_t kFirstSecondaryPosition = 4;
constexpr size_t kSelectionCount = kPrimaryPerkCount + kSecondaryPerkCount;

using SlotList = std::vector<const api::PerkStyleSlotResource*>;

bool IsEmptySelection(int32_t id) { return id == -1 || id == 0; }

bool Contains(const std::vector<int32_t>& ids, int32_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

SlotList PrimarySlots(const api::PerkStyleResource& style) {
  SlotList slots;
  for (const api::PerkStyleSlotResource& slot : style.slots) {
    if (slot.type != kSplashableSlot) slots.push_back(&slot);
  }
  return slots;
}

SlotList SecondarySlots(const api::PerkStyleResource& style) {
  SlotList slots;
  for (const api::PerkStyleSlotResource& slot : style.slots) {
    if (slot.type == kSplashableSlot || slot.type == kMixedRegularSplashableSlot) {
      slots.push_back(&slot);
    }
  }
  return slots;
}

enum class Placement { kNone, kPlaced, kSlotTaken };

// Marks every slot of `slots` that lists `id` as used; kSlotTaken when one of
// them already was.
Placement Place(int32_t id, const SlotList& slots, std::vector<bool>& used) {
  Placement placement = Placement::kNone;
  for (size_t i = 0; i < slots.size(); ++i) {
    if (!Contains(slots[i]->perks, id)) continue;
    if (used[i]) return Placement::kSlotTaken;
    used[i] = true;
    placement = Placement::kPlaced;
  }
  return placement;
}

size_t CountUsed(const std::vector<bool>& used) {
  return static_cast<size_t>(std::count(used.begin(), used.end(), true));
}

void RepairPrimary(std::vector<int32_t>& selected, const api::PerkStyleResource& style,
                   std::vector<uint32_t>& changed) {
  for (size_t i = 0; i < kPrimaryPerkCount && i < selected.size(); ++i) {
    if (IsEmptySelection(selected[i])) continue;
    if (i >= style.slots.size()) return;
    if (Contains(style.slots[i].perks, selected[i])) continue;
    // A style whose defaults stop short has nothing to offer here; the wrong
    // selection stays and validation will reject the page.
    if (i >= style.defaultPerks.size()) continue;
    if (selected[i] == style.defaultPerks[i]) continue;
    selected[i] = style.defaultPerks[i];
    changed.push_back(static_cast<uint32_t>(i));
  }
}

// Slot 0 of a sub-style is its keystone, which a sub-style never lends.
std::optional<size_t> FirstSubStyleSlotWith(int32_t id, const api::PerkStyleResource& style,
                                            const std::set<size_t>& excluded) {
  for (size_t s = 1; s < style.slots.size(); ++s) {
    if (excluded.count(s) == 0 && Contains(style.slots[s].perks, id)) return s;
  }
  return std::nullopt;
}

void RepairSecondary(std::vector<int32_t>& selected, const api::PerkStyleResource& style,
                     std::vector<uint32_t>& changed) {
  std::set<size_t> used;
  std::vector<size_t> bad_positions;
  for (size_t j = kFirstSecondaryPosition; j < kSelectionCount && j < selected.size(); ++j) {
    if (IsEmptySelection(selected[j])) continue;
    // Two selections in one slot are left for validation to judge.
    std::optional<size_t> slot = FirstSubStyleSlotWith(selected[j], style, {});
    if (slot) {
      used.insert(*slot);
    } else {
      bad_positions.push_back(j);
    }
  }
  for (size_t j : bad_positions) {
    for (int32_t candidate : style.defaultPerksWhenSplashed) {
      std::optional<size_t> slot = FirstSubStyleSlotWith(candidate, style, used);
      if (!slot) continue;
      selected[j] = candidate;
      used.insert(*slot);
      changed.push_back(static_cast<uint32_t>(j));
      break;
    }
  }
}

}  // namespace

bool ValidatePage(const api::PerkPageResource& page, const PerkCatalogue& catalogue,
                  const std::vector<int32_t>& disabled_perk_ids) {
  std::vector<int32_t> selected;
  for (int32_t id : page.selectedPerkIds) {
    if (!IsEmptySelection(id)) selected.push_back(id);
  }
  if (selected.size() != kSelectionCount) return false;
  if (page.primaryStyleId == page.subStyleId) return false;

  const api::PerkStyleResource* primary_style = catalogue.FindStyle(page.primaryStyleId);
  const api::PerkStyleResource* sub_style = catalogue.FindStyle(page.subStyleId);
  if (primary_style == nullptr || sub_style == nullptr) return false;
  const SlotList primary = PrimarySlots(*primary_style);
  const SlotList secondary = SecondarySlots(*sub_style);

  std::vector<bool> primary_used(primary.size(), false);
  std::vector<bool> secondary_used(secondary.size(), false);
  for (int32_t id : selected) {
    if (!catalogue.HasPerk(id) || Contains(disabled_perk_ids, id)) return false;
    Placement placement = Place(id, primary, primary_used);
    if (placement == Placement::kNone) placement = Place(id, secondary, secondary_used);
    if (placement != Placement::kPlaced) return false;
  }
  return CountUsed(primary_used) == kPrimaryPerkCount &&
         CountUsed(secondary_used) == kSecondaryPerkCount;
}

std::vector<uint32_t> AutoRepairPage(api::PerkPageResource& page, const PerkCatalogue& catalogue) {
  std::vector<uint32_t> changed;
  const api::PerkStyleResource* primary_style = catalogue.FindStyle(page.primaryStyleId);
  if (primary_style != nullptr && !primary_style->slots.empty()) {
    RepairPrimary(page.selectedPerkIds, *primary_style, changed);
  }
  const api::PerkStyleResource* sub_style = catalogue.FindStyle(page.subStyleId);
  if (sub_style != nullptr && !sub_style->slots.empty()) {
    RepairSecondary(page.selectedPerkIds, *sub_style, changed);
  }
  return changed;
}

}  // namespace tav::perks
