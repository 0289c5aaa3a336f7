// PerksModule: the plugin's one application module. It owns the whole state
// of the perks service (the game data catalogue, the perk book of the current
// shard and the stored books of the others, the interface settings, the
// player's situation), registers the "/tav-perks/v1" API while the plugin
// loads, and starts the service when the core initializes it. Every request,
// event and reply of the service is handled by one of its members, on the
// core's thread.
//
//   tav::LoadPlugin<tav::perks::PerksModule>(info, "tav-perks");
//
// The members are defined in one file per concept: catalogue_loading.cpp,
// page_operations.cpp, page_activation.cpp, settings_document.cpp,
// settings_persistence.cpp, preferences_migration.cpp,
// interface_settings.cpp, disabled_perks.cpp, disabled_perks_signals.cpp,
// login_signals.cpp, platform_config.cpp, rune_book.cpp, gameflow.cpp,
// champ_select.cpp, current_summoner.cpp; perks_module.cpp holds the
// endpoint table and the start.
//
// Any member that waits for another plugin (a remote call, a service-proxy
// call) lets the core deliver other requests and events meanwhile, so the
// state may change across it: such members copy what they need first and
// never hold a reference into the book across a wait.
#ifndef TAV_PERKS_PERKS_MODULE_H_
#define TAV_PERKS_PERKS_MODULE_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "perks/api/register_api_types.h"
#include "perks/page_list.h"
#include "perks/perk_catalogue.h"
#include "perks/perks_telemetry.h"
#include "plugin/app_module.h"
#include "plugin/remoting_typed_result.h"

namespace tav::perks {

namespace api = Vexa::Client::Perks::Api;

class PerksModule : public AppModule {
 public:
  PerksModule();
  ~PerksModule() override;

  void RegisterEndpoints() override;
  bool OnInitialize() override;

 protected:
  // ===== Start (perks_module.cpp) =====

  // The subscriptions made at start, before the game data is loaded: the
  // outside resources the service follows for its whole life. Their order
  // is login session, gameflow session, player-preferences readiness, the
  // "Perks" platform configuration, the settings plugin's readiness. Each
  // hands its handler the resource's current value at once; a settings
  // plugin already ready waits for the end of the start (see
  // OnSettingsReady).
  void StartSubscriptions();

  // A 32-bit draw from the random source (std::random_device unless a test
  // replaced random_source_).
  uint32_t DrawRandom();

  // ===== Game data catalogue (catalogue_loading.cpp) =====

  // Each GETs its game-data document, fills the catalogue and publishes the
  // view it changed. False when the document could not be read ("Could not
  // find %s" for the perks and styles documents); the catalogue then stays
  // as it was.
  bool LoadPerks();
  // Drops advanced styles unless the summoner level allows them, and narrows
  // the styles through the game service while logged in.
  bool LoadStyles();
  bool LoadChampionMap();
  // The three loads in that order; true only when all three were.
  bool LoadAll();
  // Asks the game customization service which styles and slots the player
  // may use and narrows the style catalogue to them. Any failure is logged
  // and leaves the catalogue as it was.
  void ApplyGameServiceRestriction();
  void PublishPerks();
  void PublishStyles();
  void PublishGameplayUpdatedPerks();

  MaybeType<Failure, std::vector<api::PerkUIPerk>> GetPerks();
  MaybeType<Failure, std::vector<api::PerkUIStyle>> GetStyles();
  MaybeType<Failure, std::vector<int32_t>> GetGameplayUpdatedPerks();
  MaybeType<Failure, Empty> AcknowledgeGameplayUpdatedPerks(std::vector<int32_t> ids);

  // ===== Perk book (page_operations.cpp) =====

  // Copies of the pages (of the editable ones only unless
  // `include_non_editable`) with current and isActive set, sorted by order.
  std::vector<api::PerkPageResource> ListPages(bool include_non_editable) const;
  // The validity of `page` against the catalogue and the disabled perks.
  bool IsPageValid(const api::PerkPageResource& page) const;
  // A copy of the page of the book that suits champion select for
  // `champion_id` (0: none chosen), or a fresh page with id 0 when none
  // does. Changes nothing.
  api::PerkPageResource PageForChampion(int32_t champion_id) const;

  MaybeType<Failure, std::vector<api::PerkPageResource>> GetPages();
  MaybeType<Failure, api::PerkPageResource> GetPage(int32_t id);
  MaybeType<Failure, api::PerkPageResource> GetCurrentPage();
  MaybeType<Failure, api::PerkPageResource> CreatePage(api::PerkPageResource request);
  MaybeType<Failure, Empty> UpdatePage(int32_t id, api::PerkPageResource request);
  MaybeType<Failure, Empty> DeletePage(int32_t id);
  MaybeType<Failure, Empty> ResetPages();
  // Makes `id` the current page and, in champion select with perks
  // enabled, applies it to the game (see ActivatePage). Publishes the
  // current page when `id` was found; does not save.
  MaybeType<Failure, Empty> SetCurrentPage(int32_t id);
  MaybeType<Failure, Empty> UpdatePageOrder(api::UpdatePageOrderRequest request);
  MaybeType<Failure, Empty> ClearAutoModifiedSelections(int32_t id);

  void PublishPages();
  // The page at its own path; nothing when it is not in the book.
  void PublishPage(int32_t id);
  // The current page at "/currentpage"; nothing when it is not in the book.
  void PublishCurrentPage();

  // ===== Game customization (page_activation.cpp) =====

  // Refuses an invalid page with 422, otherwise pushes it to the game, up
  // to 4 attempts; a success makes the page active. Everything it needs is
  // copied from `page` before the first wait. Gives the last attempt's
  // result.
  MaybeType<Failure, Empty> ActivatePage(const api::PerkPageResource& page);
  // One attempt to hand `resource` to the game customization service.
  MaybeType<Failure, Empty> PushPage(const api::PerkSettingResource& resource);
  // "perks_champselect_platform_retries_occurred" with `messages`.
  void SendRetriesTelemetry(const std::vector<std::string>& messages, uint32_t attempts);

  // ===== Stored settings (settings_document.cpp) =====

  // Brings the current shard's stored book up to date with the book, then
  // gives the whole document: the legacy pages, every shard's book and the
  // interface settings.
  api::PerkSettings BuildSettingsDocument();
  // BuildSettingsDocument, then WriteSettings. Until the stored document
  // has been read (or is known not to exist) nothing is written: the
  // module does not know the other shards' books yet, and writing would
  // lose them. Such a save is logged and dropped; the book changed
  // meanwhile is replaced by the stored one when it arrives.
  void SaveSettings();
  // PATCHes `document` with schema version 5; a failure is logged. The
  // write stays pending until the settings plugin reports it, a later
  // write, or someone else's change (see TakeOwnWriteReport).
  void WriteSettings(const api::PerkSettings& document);

  // ===== Reading and following the stored settings (settings_persistence.cpp) =====

  // The login data packet's "platformId" in lower case; "" when it cannot
  // be read (logged).
  std::string FindShard();
  // The settings plugin's readiness: the first true value reads the stored
  // document once (during the start, after the game data has loaded).
  void OnSettingsReady(const RemotingTypedResult<bool>& ready);
  // Reads the stored document, migrates or applies it, then follows it.
  void LoadStoredSettings();
  // A document the settings plugin reports: applied unless it is one this
  // module wrote or the one it already holds.
  void OnStoredSettingsChanged(const RemotingTypedResult<api::SettingsStorageContainer>& event);
  // Merges `stored`, writes it back when the merge changed it, makes the
  // page for no champion current and publishes the settings and the unseen
  // gameplay updates.
  void ApplyStoredSettings(const api::SettingsStorageContainer& stored);
  // Replaces the book with the stored pages that fit (see
  // MergeStoredPages), takes the settings and the other shards' books, and
  // publishes the pages. True when the document should be written back.
  bool MergeStoredSettings(api::PerkSettings& stored);
  // True when `stored` is the report of a write of this module's that is
  // still pending (the oldest equal one); it and the writes before it stop
  // pending. False for anyone else's document, and then no write is
  // pending any more.
  bool TakeOwnWriteReport(const api::SettingsStorageContainer& stored);

  // ===== Migration from the player preferences (preferences_migration.cpp) =====

  void OnPlayerPreferencesReady(const RemotingTypedResult<bool>& ready);
  // Replaces the stored document by the player preferences' older copy,
  // or, when they hold none, by the book in memory (by `unapplied` when
  // given: the stored document just read and not applied yet), then reads
  // it back and applies it. When nothing is written, `unapplied` is
  // applied as it is. Clears the pending migration whatever happens.
  void MigratePlayerPreferences(std::optional<api::SettingsStorageContainer> unapplied);
  void SendPlayerPrefsFailureTelemetry(const std::string& error);

  // ===== Login and the signals followed while logged in (login_signals.cpp) =====

  void OnLoginSession(const RemotingTypedResult<api::LoginSession>& session);
  // Game data, shard, the four login subscriptions, the owned page count
  // and the disabled perks. Stops when a logout or another login happens
  // while it waits.
  void RunLoginSequence(uint64_t summoner_id);
  // Observes `path` until the next logout.
  template <class T>
  void ObserveWhileLoggedIn(const std::string& path,
                            void (PerksModule::*handler)(const RemotingTypedResult<T>&));
  void DropLoginSubscriptions();

  // ===== Outside configuration (platform_config.cpp, rune_book.cpp) =====

  void OnPlatformConfig(const RemotingTypedResult<api::PlatformConfig>& config);
  // GETs the summoner's rune book for the owned page count.
  void FetchRuneBook(uint64_t summoner_id);
  void OnRuneBook(const RemotingTypedResult<api::CollectionsRuneBook>& book);

  // ===== Disabled perks from outside (disabled_perks_signals.cpp) =====

  void OnDisabledPerksMessage(const RemotingTypedResult<api::VexaMessagingServiceMessage>& message);
  // Asks the game customization service; failures are logged and keep the
  // disabled perks as they are.
  void QueryDisabledPerks();

  // ===== Gameflow, champion select, summoner (gameflow.cpp, champ_select.cpp,
  // current_summoner.cpp) =====

  void OnGameflowSession(const RemotingTypedResult<api::GameflowSession>& session);
  // Telemetry when no page was accepted, the per-selection state reset,
  // deferred disabled perks applied, the book saved.
  void LeaveChampSelect();
  void OnChampSelectSession(
      const RemotingTypedResult<Vexa::Client::ChampSelect::Api::ChampSelectSession>& session);
  // Makes the page for `champion_id` current, which pushes it to the game
  // in champion select; nothing when no page suits.
  void UseChampSelectPage(int32_t champion_id);
  void OnCurrentSummoner(const RemotingTypedResult<Vexa::Client::Summoner::Api::Summoner>& summoner);

  // ===== Interface settings and status resources (interface_settings.cpp) =====

  MaybeType<Failure, api::UISettings> GetInterfaceSettings();
  MaybeType<Failure, Empty> ReplaceInterfaceSettings(api::UISettings settings);
  MaybeType<Failure, api::CustomizationLimits> GetCustomizationLimits();
  MaybeType<Failure, api::ServiceSettings> GetServiceSettings();
  MaybeType<Failure, api::PlayerInventory> GetInventory();
  MaybeType<Failure, bool> GetShowAutoModifiedPagesNotification();
  MaybeType<Failure, Empty> ClearShowAutoModifiedPagesNotification();

  void PublishInterfaceSettings();
  void PublishCustomizationLimits();
  void PublishInventory();
  void PublishShowAutoModifiedPagesNotification();

  // ===== Disabled perks (disabled_perks.cpp) =====

  MaybeType<Failure, std::vector<int32_t>> GetDisabledPerks();
  // Holds `ids` as the pending disabled perks and applies them.
  void SetPendingDisabledPerks(std::vector<int32_t> ids);
  // Outside champion select: the pending list becomes the disabled perks,
  // which are published, and every page of the book is validated again.
  // In champion select the list waits.
  void ApplyPendingDisabledPerks();

  // ===== State =====

  // Game data: perks, styles with their slots, champions' preferred
  // styles, preset pages, gameplay-updated perks and their patch version.
  PerkCatalogue catalogue_;

  // Switches of the "Perks" platform configuration.
  bool perks_enabled_ = true;
  bool auto_repair_enabled_ = true;

  bool started_ = false;
  bool settings_handling_started_ = false;

  // The book of the current shard: the player's pages and the preset
  // pages, by id.
  PageMap pages_;
  int32_t current_page_id_ = 0;
  // The page the game last accepted in this champion select; 0 for none.
  int32_t active_page_id_ = 0;
  // The pages the game data and the collections allow: the owned count
  // plus the preset pages. Known once the rune book was read or reported.
  uint32_t owned_page_count_ = 0;
  bool owned_page_count_known_ = false;

  // Stored document: every shard's book, and the older shard-less pages,
  // kept only to be written back.
  std::map<std::string, api::PerkBook> per_shard_books_;
  std::vector<api::PerkPageResource> legacy_pages_;
  std::string shard_;  // lower case; empty until found
  // The shard whose book the pages were last merged from; empty before the
  // first merge.
  std::optional<std::string> merged_shard_;

  bool logged_in_ = false;
  double login_time_ms_ = 0.0;
  bool player_preferences_ready_ = false;  // served as serverSideStorageAvailable
  bool settings_loaded_ = false;
  bool migration_pending_ = false;
  bool migration_running_ = false;
  // The first read of the stored document has begun.
  bool settings_load_started_ = false;
  // The stored document was read, or is known not to exist: saving may
  // write it.
  bool stored_settings_read_ = false;
  // What the settings plugin holds as far as the module knows (read,
  // reported or written), and the pending writes: those whose report may
  // still come, oldest first.
  std::optional<api::SettingsStorageContainer> stored_settings_;
  std::deque<api::SettingsStorageContainer> pending_writes_;
  // OnInitialize is running; a settings-ready signal seen meanwhile waits
  // for the game data.
  bool initializing_ = false;
  bool settings_ready_seen_while_initializing_ = false;
  // Counts logins and logouts, so that a login sequence can tell that it
  // was overtaken while it waited.
  uint64_t login_generation_ = 0;
  // The paths observed since the last login.
  std::vector<std::string> login_subscriptions_;
  std::string last_disabled_perks_payload_;
  // Text matched against the messaging service's messages.
  std::string messaging_identity_;

  api::UISettings ui_settings_;
  bool show_auto_modified_pages_notification_ = false;

  // The player's situation.
  int32_t queue_id_ = -1;  // 0 for a custom game
  uint64_t game_id_ = 0;
  bool in_champ_select_ = false;
  uint32_t summoner_level_ = 0;  // 0 until known
  // The local player's champion in champion select: 0 before the first
  // champion select, -1 after one.
  int32_t selected_champion_id_ = 0;
  bool finalization_reached_ = false;
  // Every failed push of the current champion select.
  std::vector<std::string> champ_select_errors_;
  // Counts the champion selects left, so that a push answered after its
  // champion select ended changes nothing of the next one.
  uint64_t champ_selects_left_ = 0;

  std::vector<int32_t> disabled_perk_ids_;
  std::vector<int32_t> pending_disabled_perk_ids_;
  bool disabled_perks_pending_ = false;

  // Page ids and the fallback style of a created page come from here.
  std::function<uint32_t()> random_source_;
};

}  // namespace tav::perks

#endif  // TAV_PERKS_PERKS_MODULE_H_
