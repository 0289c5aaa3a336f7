// The gameflow session: the queue and game of the current session, and
// entering and leaving champion select.
#include <string>
#include <utility>
#include <vector>

#include "perks/perks_module.h"
#include "perks/perks_telemetry.h"
#include "plugin/resource_events.h"

namespace tav::perks {

void PerksModule::OnGameflowSession(const RemotingTypedResult<api::GameflowSession>& session) {
  const bool was_in_champ_select = in_champ_select_;
  if (session.eventType == PluginResourceEventType::Delete) {
    queue_id_ = -1;
    in_champ_select_ = false;
    game_id_ = 0;
  } else {
    const api::GameflowGameData& game = session.value.gameData;
    queue_id_ = game.isCustomGame ? 0 : game.queue.id;
    in_champ_select_ = session.value.phase == api::GameflowPhase::ChampSelect;
    game_id_ = game.gameId;
  }
  if (!was_in_champ_select && in_champ_select_) {
    UseChampSelectPage(selected_champion_id_);
    return;
  }
  if (was_in_champ_select && !in_champ_select_) LeaveChampSelect();
}

void PerksModule::LeaveChampSelect() {
  // Everything is taken and reset before the telemetry call waits: a new
  // champion select may begin meanwhile.
  const bool no_page_accepted = active_page_id_ == 0;
  std::vector<std::string> errors = std::move(champ_select_errors_);
  const uint64_t game_id = game_id_;
  const int32_t queue_id = queue_id_;
  ++champ_selects_left_;
  selected_champion_id_ = -1;
  active_page_id_ = 0;
  finalization_reached_ = false;
  champ_select_errors_.clear();

  if (no_page_accepted) {
    (void)PostTelemetry(kPerksTelemetryTable, NoPerksEvent(errors, game_id, queue_id));
  }
  ApplyPendingDisabledPerks();
  SaveSettings();
}

}  // namespace tav::perks
