#include "perks_e2e_module.h"

#include <random>
#include <utility>

#include "binding/type_registration.h"

namespace tav::perks_e2e {

void PerksE2eModule::RegisterEndpoints() {
  PerksModule::RegisterEndpoints();
  BindingTypeRegistry& types = registry();
  RegisterStruct<ChampSelectState>(types, api_namespace() + "E2eChampSelectState")
      .Field("inChampSelect", &ChampSelectState::inChampSelect)
      .Field("queueId", &ChampSelectState::queueId)
      .Field("gameId", &ChampSelectState::gameId)
      .Commit();
  RegisterStruct<BookState>(types, api_namespace() + "E2eBookState")
      .Field("currentPageId", &BookState::currentPageId)
      .Field("activePageId", &BookState::activePageId)
      .Field("champSelectErrors", &BookState::champSelectErrors)
      .Commit();
  RegisterStruct<StoredBooks>(types, api_namespace() + "E2eStoredBooks")
      .Field("shard", &StoredBooks::shard)
      .Field("document", &StoredBooks::document)
      .Commit();

  Put("/perks-e2e/v1/owned-page-count", &PerksE2eModule::SetOwnedPageCount, BodyArg("count"));
  Put("/perks-e2e/v1/champ-select", &PerksE2eModule::SetChampSelect, BodyArg("state"));
  Put("/perks-e2e/v1/summoner-level", &PerksE2eModule::SetSummonerLevel, BodyArg("level"));
  Put("/perks-e2e/v1/logged-in", &PerksE2eModule::SetLoggedIn, BodyArg("loggedIn"));
  Put("/perks-e2e/v1/random-draws", &PerksE2eModule::SetRandomDraws, BodyArg("draws"));
  Put("/perks-e2e/v1/disabled-perks", &PerksE2eModule::SetDisabledPerks, BodyArg("ids"));
  Put("/perks-e2e/v1/stored-books", &PerksE2eModule::SetStoredBooks, BodyArg("books"));
  Post("/perks-e2e/v1/load-styles", &PerksE2eModule::LoadStylesNow);
  Post("/perks-e2e/v1/save", &PerksE2eModule::SaveNow);
  Get("/perks-e2e/v1/champion-page", &PerksE2eModule::ChampionPage, QueryArg("championId"));
  Get("/perks-e2e/v1/state", &PerksE2eModule::State);
}

MaybeType<Failure, Empty> PerksE2eModule::SetOwnedPageCount(uint32_t count) {
  owned_page_count_ = count;
  owned_page_count_known_ = true;
  return Empty{};
}

MaybeType<Failure, Empty> PerksE2eModule::SetChampSelect(ChampSelectState state) {
  in_champ_select_ = state.inChampSelect;
  queue_id_ = state.queueId;
  game_id_ = state.gameId;
  return Empty{};
}

MaybeType<Failure, Empty> PerksE2eModule::SetSummonerLevel(uint32_t level) {
  summoner_level_ = level;
  return Empty{};
}

MaybeType<Failure, Empty> PerksE2eModule::SetLoggedIn(bool logged_in) {
  logged_in_ = logged_in;
  return Empty{};
}

MaybeType<Failure, Empty> PerksE2eModule::SetRandomDraws(std::vector<uint32_t> draws) {
  draws_.assign(draws.begin(), draws.end());
  random_source_ = [this] {
    if (draws_.empty()) return static_cast<uint32_t>(std::random_device()());
    const uint32_t draw = draws_.front();
    draws_.pop_front();
    return draw;
  };
  return Empty{};
}

MaybeType<Failure, Empty> PerksE2eModule::SetDisabledPerks(std::vector<int32_t> ids) {
  SetPendingDisabledPerks(std::move(ids));
  return Empty{};
}

MaybeType<Failure, Empty> PerksE2eModule::SetStoredBooks(StoredBooks books) {
  shard_ = std::move(books.shard);
  legacy_pages_ = std::move(books.document.pages);
  per_shard_books_ = std::move(books.document.perShardPerkBooks);
  // As if these books had been read from storage: saving may write them.
  stored_settings_read_ = true;
  return Empty{};
}

MaybeType<Failure, bool> PerksE2eModule::LoadStylesNow() { return LoadStyles(); }

MaybeType<Failure, Empty> PerksE2eModule::SaveNow() {
  SaveSettings();
  return Empty{};
}

MaybeType<Failure, api::PerkPageResource> PerksE2eModule::ChampionPage(int32_t champion_id) {
  return PageForChampion(champion_id);
}

MaybeType<Failure, BookState> PerksE2eModule::State() {
  BookState state;
  state.currentPageId = current_page_id_;
  state.activePageId = active_page_id_;
  state.champSelectErrors = champ_select_errors_;
  return state;
}

}  // namespace tav::perks_e2e
