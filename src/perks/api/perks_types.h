// The perks service's own resources and request bodies: pages, styles and
// perks as the service serves them, the views sent to the user interface,
// and the small status resources. Members carry their wire names, so a
// value converts to and from the same field names (see
// register_api_types.h). Default values are those of a freshly made
// resource: -1 for a style id that names no style.
//
//   PerkPageResource page;          // id 0, order -1, no styles, valid
//   page.name = "Evening Tide";
//   page.primaryStyleId = 3100;
//   page.selectedPerkIds = {3111, 3124, 3132, 3143, 3221, 3235};
#ifndef TAV_PERKS_API_PERKS_TYPES_H_
#define TAV_PERKS_API_PERKS_TYPES_H_

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace Vexa::Client::Perks::Api {

// One perk page of a book.
struct PerkPageResource {
  bool current = false;
  int32_t id = 0;
  bool isActive = false;
  bool isValid = true;
  bool isEditable = true;
  bool isDeletable = true;
  std::string name;
  int32_t order = -1;
  int32_t primaryStyleId = -1;
  std::vector<int32_t> selectedPerkIds;
  int32_t subStyleId = -1;
  // Positions in selectedPerkIds whose perk an automatic repair replaced.
  std::vector<uint32_t> autoModifiedSelections;
};

inline auto Tie(const PerkPageResource& page) {
  return std::tie(page.current, page.id, page.isActive, page.isValid, page.isEditable,
                  page.isDeletable, page.name, page.order, page.primaryStyleId,
                  page.selectedPerkIds, page.subStyleId, page.autoModifiedSelections);
}
inline bool operator==(const PerkPageResource& a, const PerkPageResource& b) {
  return Tie(a) == Tie(b);
}
inline bool operator!=(const PerkPageResource& a, const PerkPageResource& b) { return !(a == b); }

struct PerkIdListResource {
  std::vector<int32_t> perkIds;
};

// Body of a page reorder: move targetPageId next to destinationPageId.
struct UpdatePageOrderRequest {
  int32_t targetPageId = 0;
  int32_t destinationPageId = 0;
  int32_t offset = 0;
};

struct PerkSubStyleBonusResource {
  int32_t perkId = 0;
  int32_t styleId = 0;
};

struct PerkStyleSlotResource {
  std::vector<int32_t> perks;  // the perk ids that may fill the slot
  std::string type;            // slot kind, e.g. "kSplashable"
  std::string slotLabel;
};

// A perk style as the service keeps it in its catalogue.
struct PerkStyleResource {
  std::vector<int32_t> allowedSubStyles;
  std::string iconPath;
  std::map<std::string, std::string> assetMap;
  bool isAdvanced = false;
  int32_t id = -1;
  std::string name;
  std::vector<PerkStyleSlotResource> slots;
  std::vector<PerkSubStyleBonusResource> subStyleBonus;
  std::string tooltip;
  int32_t defaultSubStyle = -1;
  std::vector<int32_t> defaultPerks;
  std::string defaultPageName;
  std::vector<int32_t> defaultPerksWhenSplashed;
};

// One perk as the game data describes it.
struct PerkGDSResource {
  std::string iconPath;
  int32_t id = -1;
  std::string longDesc;
  std::string name;
  std::string shortDesc;
  std::string tooltip;
  std::string majorChangePatchVersion;
};

// The perk view served to the user interface.
struct PerkUIPerk {
  std::string iconPath;
  int32_t id = -1;
  std::string longDesc;
  std::string name;
  std::string shortDesc;
  std::string tooltip;
};

struct PerkUISlot {
  std::vector<int32_t> perks;
  std::string type;
  std::string slotLabel;
};

// The style view served to the user interface.
struct PerkUIStyle {
  std::vector<int32_t> allowedSubStyles;
  std::string iconPath;
  std::map<std::string, std::string> assetMap;
  int32_t id = -1;
  std::string name;
  std::vector<PerkUISlot> slots;
  std::vector<PerkSubStyleBonusResource> subStyleBonus;
  std::string tooltip;
  int32_t defaultSubStyle = -1;
  std::vector<int32_t> defaultPerks;
  std::string defaultPageName;
};

struct ServiceSettings {
  bool serverSideStorageAvailable = false;
};

struct PlayerInventory {
  uint32_t ownedPageCount = 0;  // how many pages the player may have
};

// The style a champion plays by preference.
struct ChampionPreferredStyle {
  std::string championName;
  int32_t style = -1;
  uint32_t championId = 0;
};

// What the summoner may change in champion select. The values are bit flags
// and combine: a level that allows pages and keystones gives 3, which has no
// name of its own and is written as the number.
enum class CustomizationLimits : int32_t {
  Locked = 0,
  CanSelectPages = 1,
  CanSelectKeystones = 2,
  CanSelectPrimaries = 4,
  CanSelectSplash = 8,
  CanUseAdvancedStyles = 16,
};

constexpr CustomizationLimits operator|(CustomizationLimits a, CustomizationLimits b) {
  return static_cast<CustomizationLimits>(static_cast<int32_t>(a) | static_cast<int32_t>(b));
}
constexpr CustomizationLimits& operator|=(CustomizationLimits& a, CustomizationLimits b) {
  return a = a | b;
}
// True when every flag of `flags` is set in `limits`.
constexpr bool HasLimits(CustomizationLimits limits, CustomizationLimits flags) {
  return (static_cast<int32_t>(limits) & static_cast<int32_t>(flags)) ==
         static_cast<int32_t>(flags);
}

}  // namespace Vexa::Client::Perks::Api

#endif  // TAV_PERKS_API_PERKS_TYPES_H_
