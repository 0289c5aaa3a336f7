// The collections plugin's rune book (the perks service counts its pages)
// and the platform's dynamic configuration as it arrives over LCDS.
//
//   uint32_t owned = static_cast<uint32_t>(book.pages.size());
#ifndef TAV_PERKS_API_COLLECTIONS_TYPES_H_
#define TAV_PERKS_API_COLLECTIONS_TYPES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace Vexa::Client::Perks::Api {

struct CollectionsRune {
  uint32_t runeId = 0;
  uint32_t runeSlotId = 0;
};

struct CollectionsRunePage {
  bool current = false;
  uint32_t id = 0;
  std::string name;
  std::vector<CollectionsRune> runes;
};

struct CollectionsRuneBook {
  uint64_t summonerId = 0;
  std::vector<CollectionsRunePage> pages;
};

// The platform's dynamic configuration; `configs` is JSON text.
struct CollectionsLcdsClientDynamicConfigurationNotification {
  std::string configs;
  bool delta = false;
};

// The LCDS message class that carries a
// CollectionsLcdsClientDynamicConfigurationNotification.
inline constexpr char kClientDynamicConfigurationNotificationLcdsClass[] =
    "com.vexa.tav.platform.client.dynamic.configuration.ClientDynamicConfigurationNotification";

}  // namespace Vexa::Client::Perks::Api

#endif  // TAV_PERKS_API_COLLECTIONS_TYPES_H_
