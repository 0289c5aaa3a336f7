// What the perks service exchanges with the game customization service: the
// page it pushes (PerkSettingResource), the customization records, and the
// service's answer.
//
//   PerkSettingResource pushed;
//   pushed.perkIds = page.selectedPerkIds;
//   pushed.perkStyle = page.primaryStyleId;
//   pushed.perkSubStyle = page.subStyleId;
#ifndef TAV_PERKS_API_GAME_CUSTOMIZATION_TYPES_H_
#define TAV_PERKS_API_GAME_CUSTOMIZATION_TYPES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace Vexa::Client::Perks::Api {

// A page as the game receives it.
struct PerkSettingResource {
  std::vector<int32_t> perkIds;
  int32_t perkStyle = -1;
  int32_t perkSubStyle = -1;
};

inline bool operator==(const PerkSettingResource& a, const PerkSettingResource& b) {
  return a.perkIds == b.perkIds && a.perkStyle == b.perkStyle && a.perkSubStyle == b.perkSubStyle;
}
inline bool operator!=(const PerkSettingResource& a, const PerkSettingResource& b) {
  return !(a == b);
}

// The queue type is a text in the request ...
struct GetGameCustomizationDTO {
  std::string queueType;
};

// ... and a number in the customization the service answers with.
struct GameCustomizationDTO {
  std::string category;
  std::string content;
  uint64_t queueType = 0;
};

// The service's answer to a call; `error` is "OK" on success.
struct GetResultFromServiceDTO {
  std::string error;
  std::string result;
};

}  // namespace Vexa::Client::Perks::Api

#endif  // TAV_PERKS_API_GAME_CUSTOMIZATION_TYPES_H_
