// The stored settings document of the perks service: one perk book per
// shard, the pages of the older shard-less layout, and the player's
// interface preferences, wrapped with the document's schema version.
//
//   SettingsStorageContainer stored;
//   stored.schemaVersion = 5;
//   stored.data.perShardPerkBooks["eu1"].currentPageId = 7;
//   stored.data.settings.showPresetPages;   // true by default
#ifndef TAV_PERKS_API_PERK_SETTINGS_TYPES_H_
#define TAV_PERKS_API_PERK_SETTINGS_TYPES_H_

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "perks/api/perks_types.h"

namespace Vexa::Client::Perks::Api {

// The player's interface preferences; the defaults hold until the stored
// document is read.
struct UISettings {
  bool showLongDescriptions = false;
  bool gridModeEnabled = false;
  bool showPresetPages = true;
  // Game-data patch version whose gameplay changes the player acknowledged.
  std::string gameplayPatchVersionSeen;
  std::vector<int32_t> gameplayUpdatedPerksSeen;
};

inline auto Tie(const UISettings& settings) {
  return std::tie(settings.showLongDescriptions, settings.gridModeEnabled,
                  settings.showPresetPages, settings.gameplayPatchVersionSeen,
                  settings.gameplayUpdatedPerksSeen);
}
inline bool operator==(const UISettings& a, const UISettings& b) { return Tie(a) == Tie(b); }
inline bool operator!=(const UISettings& a, const UISettings& b) { return !(a == b); }

// The pages of one shard and the id of its current page (0: none).
struct PerkBook {
  int32_t currentPageId = 0;
  std::vector<PerkPageResource> pages;
};

inline bool operator==(const PerkBook& a, const PerkBook& b) {
  return a.currentPageId == b.currentPageId && a.pages == b.pages;
}
inline bool operator!=(const PerkBook& a, const PerkBook& b) { return !(a == b); }

// The content of the stored document.
struct PerkSettings {
  std::vector<PerkPageResource> pages;  // the older, shard-less layout
  std::map<std::string, PerkBook> perShardPerkBooks;  // keyed by shard name
  UISettings settings;
};

inline bool operator==(const PerkSettings& a, const PerkSettings& b) {
  return a.pages == b.pages && a.perShardPerkBooks == b.perShardPerkBooks &&
         a.settings == b.settings;
}
inline bool operator!=(const PerkSettings& a, const PerkSettings& b) { return !(a == b); }

// The stored document. A schemaVersion below 5 marks a document that still
// needs migrating; a document read without one counts as version 0.
struct SettingsStorageContainer {
  PerkSettings data;
  uint32_t schemaVersion = 0;
};

inline bool operator==(const SettingsStorageContainer& a, const SettingsStorageContainer& b) {
  return a.schemaVersion == b.schemaVersion && a.data == b.data;
}
inline bool operator!=(const SettingsStorageContainer& a, const SettingsStorageContainer& b) {
  return !(a == b);
}

}  // namespace Vexa::Client::Perks::Api

#endif  // TAV_PERKS_API_PERK_SETTINGS_TYPES_H_
