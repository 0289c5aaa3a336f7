// The other plugins of the client as tav-core plays them from local state:
// game data read from a folder, the settings plugin on an SQLite store, a
// logged-in player on the chosen shard with the login plugin's
// service-proxy endpoints, gameflow, champion select, the current summoner,
// the collections rune book, the platform configuration, the messaging
// service, the game customization service and telemetry.
//
//   PeerState peers(core, options);
//   if (!peers.Open(&error)) ... report error, exit ...
//   peers.Install();           // before the plugin is initialized
//   core.Initialize();
//
// Every resource lives at its own path in the core's resource store (or in
// the settings store), where the plugin reads it and where HTTP clients
// read and write it; a write delivers the resource event to the plugin.
#ifndef TAV_HOST_MAIN_PEER_STATE_H_
#define TAV_HOST_MAIN_PEER_STATE_H_

#include <cstdint>
#include <string>

#include <rapidjson/document.h>

#include "dev_core.h"
#include "main/cli_options.h"
#include "main/game_customization_service.h"
#include "main/settings_peer.h"
#include "main/settings_store.h"
#include "main/telemetry_log.h"

namespace tav::host {

// The three game data documents of a data folder.
struct GameData {
  rapidjson::Document perks;
  rapidjson::Document styles;
  rapidjson::Document champions;
};

// Reads perks.json, perkstyles.json and championperkstylemap.json of
// `folder`; each must be a JSON array. False with `error` naming the file
// and the reason.
bool LoadGameData(const std::string& folder, GameData* data, std::string* error);

// The game data documents' paths, in the order of GameData.
inline constexpr const char* kGameDataPaths[] = {"/tav-game-data/assets/v1/perks.json",
                                                 "/tav-game-data/assets/v1/perkstyles.json",
                                                 "/tav-game-data/assets/v1/championperkstylemap.json"};

class PeerState {
 public:
  static constexpr uint64_t kSummonerId = 4207;
  static constexpr uint64_t kAccountId = 91377;

  PeerState(DevCore& core, CoreOptions options);

  // Reads the game data, opens (creating its folder) the settings store and
  // the telemetry file. False with `error` set: nothing can be served.
  bool Open(std::string* error);

  // Puts every resource in place without events (the plugin reads them
  // when it subscribes) and adds the peers. Call once, before the plugin
  // is initialized.
  void Install();

  SettingsStore& store() { return store_; }
  SettingsPeer& settings() { return settings_; }
  GameCustomizationService& game_customization() { return game_customization_; }
  TelemetryLog& telemetry() { return telemetry_; }
  const CoreOptions& options() const { return options_; }

  // "/tav-collections/v1/inventories/<summoner id>/rune-book".
  static std::string RuneBookPath(uint64_t summoner_id);
  // "/vexa-messaging-service/v1/message/perks/v1/disabled/<shard, lower case>".
  static std::string DisabledPerksMessagePath(const std::string& shard);

 private:
  void SetResource(const char* path, const rapidjson::Value& value);
  void SetResource(const std::string& path, std::string_view json);

  DevCore& core_;
  CoreOptions options_;
  GameData data_;
  SettingsStore store_;
  TelemetryLog telemetry_;
  GameCustomizationService game_customization_;
  SettingsPeer settings_;
};

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_PEER_STATE_H_
