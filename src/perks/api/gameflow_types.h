// The gameflow session as the gameflow plugin describes it: the phase of the
// client and the game being set up.
//
//   bool in_champ_select = session.phase == GameflowPhase::ChampSelect;
//   int32_t queue = session.gameData.isCustomGame ? 0 : session.gameData.queue.id;
#ifndef TAV_PERKS_API_GAMEFLOW_TYPES_H_
#define TAV_PERKS_API_GAMEFLOW_TYPES_H_

#include <cstdint>

namespace Vexa::Client::Perks::Api {

enum class GameflowPhase : int32_t {
  None = 0,
  Lobby = 1,
  Matchmaking = 2,
  CheckedIntoTournament = 3,
  ReadyCheck = 4,
  ChampSelect = 5,
  GameStart = 6,
  FailedToLaunch = 7,
  InProgress = 8,
  Reconnect = 9,
  WaitingForStats = 10,
  PreEndOfGame = 11,
  EndOfGame = 12,
  TerminatedInError = 13,
};

struct Queue {
  int32_t id = -1;  // -1: no queue
};

struct GameflowGameData {
  Queue queue;
  bool isCustomGame = false;
  uint64_t gameId = 0;
};

struct GameflowSession {
  GameflowPhase phase = GameflowPhase::None;
  GameflowGameData gameData;
};

}  // namespace Vexa::Client::Perks::Api

#endif  // TAV_PERKS_API_GAMEFLOW_TYPES_H_
