// The perks module with test endpoints under "/perks-e2e/v1" that set the
// state the outside signals will set (owned page count, champion select,
// summoner level, login, disabled perks, the stored books) and reach
// members that no endpoint of the service exposes. Only the test plugin
// carries it.
#ifndef TAV_TESTS_PERKS_E2E_PERKS_E2E_MODULE_H_
#define TAV_TESTS_PERKS_E2E_PERKS_E2E_MODULE_H_

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "perks/perks_module.h"

namespace tav::perks_e2e {

namespace api = Vexa::Client::Perks::Api;

struct ChampSelectState {
  bool inChampSelect = false;
  int32_t queueId = -1;
  uint64_t gameId = 0;
};

struct BookState {
  int32_t currentPageId = 0;
  int32_t activePageId = 0;
  std::vector<std::string> champSelectErrors;
};

struct StoredBooks {
  std::string shard;
  api::PerkSettings document;
};

class PerksE2eModule : public perks::PerksModule {
 public:
  void RegisterEndpoints() override;

 private:
  MaybeType<Failure, Empty> SetOwnedPageCount(uint32_t count);
  MaybeType<Failure, Empty> SetChampSelect(ChampSelectState state);
  MaybeType<Failure, Empty> SetSummonerLevel(uint32_t level);
  MaybeType<Failure, Empty> SetLoggedIn(bool logged_in);
  MaybeType<Failure, Empty> SetRandomDraws(std::vector<uint32_t> draws);
  MaybeType<Failure, Empty> SetDisabledPerks(std::vector<int32_t> ids);
  MaybeType<Failure, Empty> SetStoredBooks(StoredBooks books);
  MaybeType<Failure, bool> LoadStylesNow();
  MaybeType<Failure, Empty> SaveNow();
  MaybeType<Failure, api::PerkPageResource> ChampionPage(int32_t champion_id);
  MaybeType<Failure, BookState> State();

  // Draws handed out before the random device is asked.
  std::deque<uint32_t> draws_;
};

}  // namespace tav::perks_e2e

#endif  // TAV_TESTS_PERKS_E2E_PERKS_E2E_MODULE_H_
