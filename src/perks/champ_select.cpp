// The champion-select session: the local player's champion, and the page
// pushed when the timer reaches its final phase and at every later
// champion change.
#include "perks/perks_module.h"

namespace tav::perks {

namespace {

namespace champ_select = Vexa::Client::ChampSelect::Api;

constexpr const char* kFinalizationPhase = "FINALIZATION";

const champ_select::ChampSelectPlayerSelection* LocalPlayer(
    const champ_select::ChampSelectSession& session) {
  for (const champ_select::ChampSelectPlayerSelection& player : session.myTeam) {
    if (player.cellId == session.localPlayerCellId) return &player;
  }
  return nullptr;
}

}  // namespace

void PerksModule::OnChampSelectSession(
    const RemotingTypedResult<champ_select::ChampSelectSession>& session) {
  // Champion changes before the final phase push nothing; the final phase
  // pushes the champion chosen by then.
  const champ_select::ChampSelectPlayerSelection* local = LocalPlayer(session.value);
  if (local != nullptr && local->championId != selected_champion_id_) {
    selected_champion_id_ = local->championId;
    if (finalization_reached_) UseChampSelectPage(selected_champion_id_);
  }
  if (!finalization_reached_ && session.value.timer.phase == kFinalizationPhase) {
    finalization_reached_ = true;
    UseChampSelectPage(selected_champion_id_);
  }
}

void PerksModule::UseChampSelectPage(int32_t champion_id) {
  // A page id of 0 (no page suits) is refused and changes nothing.
  (void)SetCurrentPage(PageForChampion(champion_id).id);
}

}  // namespace tav::perks
