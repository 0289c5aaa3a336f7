// The login session: the work that logging in starts (game data under the
// game service's restriction, the shard, the four subscriptions followed
// while logged in, the owned page count, the disabled perks) and what
// logging out drops.
#include <string>

#include "perks/perks_module.h"
#include "perks/perks_paths.h"
#include "perks/system_clock_internal.h"
#include "plugin/resource_observer.h"

namespace tav::perks {

namespace {

bool IsLoggedIn(const api::LoginSession& session) {
  return session.state == api::LoginSessionState::SUCCEEDED && session.accountId != 0 &&
         session.summonerId != 0;
}

}  // namespace

void PerksModule::OnLoginSession(const RemotingTypedResult<api::LoginSession>& session) {
  if (session.eventType == PluginResourceEventType::Delete) {
    logged_in_ = false;
    ++login_generation_;
    DropLoginSubscriptions();
    return;
  }
  const bool was_logged_in = logged_in_;
  logged_in_ = IsLoggedIn(session.value);
  if (was_logged_in == logged_in_) return;
  if (!logged_in_) {
    // Leaving the logged-in state without a logout keeps the
    // subscriptions; a login sequence still running stops.
    ++login_generation_;
    return;
  }
  RunLoginSequence(session.value.summonerId);
}

void PerksModule::RunLoginSequence(uint64_t summoner_id) {
  const uint64_t generation = ++login_generation_;
  const auto overtaken = [this, generation] { return generation != login_generation_; };
  login_time_ms_ = SystemClockMilliseconds();
  // A login without a logout since the last one follows each resource
  // once, under the paths of this login.
  DropLoginSubscriptions();

  (void)LoadAll();
  if (overtaken()) return;
  shard_ = FindShard();
  if (overtaken()) return;
  messaging_identity_ = DisabledPerksResource(shard_);
  ObserveWhileLoggedIn(DisabledPerksMessagesPath(shard_), &PerksModule::OnDisabledPerksMessage);
  if (overtaken()) return;
  ObserveWhileLoggedIn(kChampSelectSessionPath, &PerksModule::OnChampSelectSession);
  if (overtaken()) return;
  FetchRuneBook(summoner_id);
  if (overtaken()) return;
  // Pages merged before the shard was known came from another book (or the
  // shard-less pages); the player's book of this shard replaces them
  // before anything is saved under the shard.
  if (stored_settings_ && merged_shard_ && *merged_shard_ != shard_) {
    ApplyStoredSettings(*stored_settings_);
    if (overtaken()) return;
  }
  ObserveWhileLoggedIn(RuneBookPath(summoner_id), &PerksModule::OnRuneBook);
  if (overtaken()) return;
  ObserveWhileLoggedIn(kCurrentSummonerPath, &PerksModule::OnCurrentSummoner);
  if (overtaken()) return;
  QueryDisabledPerks();
}

template <class T>
void PerksModule::ObserveWhileLoggedIn(const std::string& path,
                                       void (PerksModule::*handler)(const RemotingTypedResult<T>&)) {
  // Listed first: observing waits for the current value, and a logout
  // meanwhile must drop this subscription too.
  login_subscriptions_.push_back(path);
  Observe<T>(path, [this, handler](const RemotingTypedResult<T>& event) { (this->*handler)(event); });
}

void PerksModule::DropLoginSubscriptions() {
  std::vector<std::string> paths;
  paths.swap(login_subscriptions_);
  for (const std::string& path : paths) Unsubscribe(path);
}

}  // namespace tav::perks
