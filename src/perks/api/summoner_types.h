// The current summoner as the summoner plugin describes it; the perks
// service reads summonerLevel from it.
//
//   Summoner summoner;   // converted from the summoner plugin's resource
//   summoner.summonerLevel;
#ifndef TAV_PERKS_API_SUMMONER_TYPES_H_
#define TAV_PERKS_API_SUMMONER_TYPES_H_

#include <cstdint>
#include <string>

namespace Vexa::Client::Perks::Api {

struct SummonerRerollPoints {
  uint64_t pointsToReroll = 0;
  uint64_t currentPoints = 0;
  uint32_t numberOfRolls = 0;
  uint32_t maxRolls = 0;
  uint64_t pointsCostToRoll = 0;
};

}  // namespace Vexa::Client::Perks::Api

namespace Vexa::Client::Summoner::Api {

struct Summoner {
  uint64_t summonerId = 0;
  uint64_t accountId = 0;
  std::string displayName;
  std::string internalName;
  std::string lastSeasonHighestRank;
  int32_t profileIconId = 0;
  uint32_t summonerLevel = 0;
  uint64_t xpSinceLastLevel = 0;
  uint64_t xpUntilNextLevel = 0;
  uint32_t percentCompleteForNextLevel = 0;
  Perks::Api::SummonerRerollPoints rerollPoints;
  std::string puuid;
};

}  // namespace Vexa::Client::Summoner::Api

#endif  // TAV_PERKS_API_SUMMONER_TYPES_H_
