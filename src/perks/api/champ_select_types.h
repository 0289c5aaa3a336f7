// The champion-select session as the champion-select plugin describes it,
// and the selection body it accepts. The perks service reads the local
// player's champion (myTeam, localPlayerCellId) and the timer phase.
//
//   const ChampSelectPlayerSelection* me = nullptr;
//   for (const auto& player : session.myTeam)
//     if (player.cellId == session.localPlayerCellId) me = &player;
#ifndef TAV_PERKS_API_CHAMP_SELECT_TYPES_H_
#define TAV_PERKS_API_CHAMP_SELECT_TYPES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "binding/binding_property.h"

namespace Vexa::Client::ChampSelect::Api {

struct ChampSelectPlayerSelection {
  int64_t cellId = 0;
  std::string displayName;
  int32_t championId = 0;
  int32_t selectedSkinId = 0;
  int64_t wardSkinId = 0;
  uint64_t spell1Id = 0;
  uint64_t spell2Id = 0;
  int32_t team = 0;
  std::string assignedPosition;
  int32_t championPickIntent = 0;
  std::string playerType;
  uint64_t summonerId = 0;
};

// A change of the local player's selection: only the members present are
// sent, and a member missing from an input stays empty.
struct ChampSelectMySelection {
  std::optional<int32_t> selectedSkinId;
  std::optional<uint64_t> spell1Id;
  std::optional<uint64_t> spell2Id;
  std::optional<int64_t> wardSkinId;
};

struct ChampSelectTimer {
  int64_t timeLeftInPhase = 0;
  int64_t adjustedTimeLeftInPhase = 0;
  int32_t timeLeftInPhaseInSec = 0;
  int32_t adjustedTimeLeftInPhaseInSec = 0;
  int64_t totalTimeInPhase = 0;
  std::string phase;  // "FINALIZATION" in the last phase
  bool isInfinite = false;
  uint64_t internalNowInEpochMs = 0;
};

struct ChampSelectChatRoomDetails {
  std::string chatRoomName;
  std::optional<std::string> chatRoomPassword;
};

// No state has the number 0: a default-made contract has a state without a
// name, which is written as the number and refused when read.
enum class ChampSelectTradeState : int32_t {
  AVAILABLE = 1,
  BUSY = 2,
  INVALID = 3,
  RECEIVED = 4,
  SENT = 5,
};

struct ChampSelectTradeContract {
  int64_t id = 0;
  int64_t cellId = 0;
  ChampSelectTradeState state{};
};

struct ChampSelectAction {
  int64_t id = 0;
  int64_t actorCellId = 0;
  int32_t championId = 0;
  std::string type;
  bool completed = false;
};

struct ChampSelectBannedChampions {
  std::vector<int32_t> myTeamBans;
  std::vector<int32_t> theirTeamBans;
  int32_t numBans = 0;
};

// Holds BindingProperty values (the actions are kept as they came), so a
// session moves but does not copy.
struct ChampSelectSession {
  ChampSelectTimer timer;
  ChampSelectChatRoomDetails chatDetails;
  std::vector<ChampSelectPlayerSelection> myTeam;
  std::vector<ChampSelectPlayerSelection> theirTeam;
  std::vector<ChampSelectTradeContract> trades;
  std::vector<tav::BindingProperty> actions;
  ChampSelectBannedChampions bans;
  // -1 until a session names the local player, so that no cell matches.
  int64_t localPlayerCellId = -1;
  bool isSpectating = false;
};

}  // namespace Vexa::Client::ChampSelect::Api

#endif  // TAV_PERKS_API_CHAMP_SELECT_TYPES_H_
