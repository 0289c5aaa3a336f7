#include "main/peer_state.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "json_text.h"

namespace tav::host {

namespace {

constexpr const char* kGameDataFiles[] = {"perks.json", "perkstyles.json", "championperkstylemap.json"};

bool ReadFile(const std::string& path, std::string* text, std::string* error) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  char buffer[65536];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0) text->append(buffer, count);
  const bool failed = std::ferror(file) != 0;
  const int read_errno = errno;
  std::fclose(file);
  if (failed) {
    *error = path + ": " + std::strerror(read_errno);
    return false;
  }
  return true;
}

// Makes every missing folder of `path`'s parent, like mkdir -p. The folders
// hold the player's store and telemetry: only their owner may open them.
// Folders already there keep their modes.
bool MakeParentFolders(const std::string& path, std::string* error) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  const std::string folder = path.substr(0, slash);
  for (size_t at = 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (mkdir(part.c_str(), 0700) == 0) continue;
    struct stat found {};
    if (errno != EEXIST) {
      *error = part + ": " + std::strerror(errno);
      return false;
    }
    if (stat(part.c_str(), &found) != 0 || !S_ISDIR(found.st_mode)) {
      *error = part + ": " + std::strerror(ENOTDIR);
      return false;
    }
  }
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

bool LoadGameData(const std::string& folder, GameData* data, std::string* error) {
  rapidjson::Document* documents[] = {&data->perks, &data->styles, &data->champions};
  for (size_t i = 0; i < 3; ++i) {
    const std::string path = folder + "/" + kGameDataFiles[i];
    std::string text;
    if (!ReadFile(path, &text, error)) return false;
    std::string parse_error;
    if (!ParseJsonText(text, documents[i], &parse_error)) {
      *error = path + ": not JSON: " + parse_error;
      return false;
    }
    if (!documents[i]->IsArray()) {
      *error = path + ": not a JSON array";
      return false;
    }
  }
  return true;
}

PeerState::PeerState(DevCore& core, CoreOptions options)
    : core_(core),
      options_(std::move(options)),
      game_customization_([this]() { return core_.resources().Get(kGameDataPaths[1]); }),
      settings_(&store_, [this](const std::string& path, ResourceEventType type, const rapidjson::Value* data) {
        core_.EmitResourceEvent(path, type, data);
      }) {}

std::string PeerState::RuneBookPath(uint64_t summoner_id) {
  return "/tav-collections/v1/inventories/" + std::to_string(summoner_id) + "/rune-book";
}

std::string PeerState::DisabledPerksMessagePath(const std::string& shard) {
  return "/vexa-messaging-service/v1/message/perks/v1/disabled/" + Lower(shard);
}

bool PeerState::Open(std::string* error) {
  std::string reason;
  if (!LoadGameData(options_.data_dir, &data_, &reason)) {
    *error = "cannot read the game data: " + reason;
    return false;
  }
  if (!MakeParentFolders(options_.store_file, &reason) || !store_.Open(options_.store_file, &reason)) {
    *error = "cannot open the settings store: " + reason;
    return false;
  }
  if (!MakeParentFolders(options_.telemetry_file, &reason) || !telemetry_.Open(options_.telemetry_file, &reason)) {
    *error = "cannot open the telemetry file: " + reason;
    return false;
  }
  return true;
}

void PeerState::SetResource(const char* path, const rapidjson::Value& value) {
  core_.resources().SetQuietly(path, value);
}

void PeerState::SetResource(const std::string& path, std::string_view json) {
  core_.resources().SetQuietly(path, JsonValue(json));
}

void PeerState::Install() {
  // Game data.
  SetResource(kGameDataPaths[0], data_.perks);
  SetResource(kGameDataPaths[1], data_.styles);
  SetResource(kGameDataPaths[2], data_.champions);

  // Settings and player preferences: both ready. The player preferences
  // hold no older copy of the pages; a client can PUT one at
  // /tav-player-preferences/v1/preference/PerksPreferences.
  SetResource("/tav-settings/v2/ready", "true");
  core_.AddPeer(0, SettingsPeer::kPattern, [this](const PeerRequest& request) { return settings_.Handle(request); });
  SetResource("/tav-player-preferences/v1/player-preferences-ready", "true");

  // A logged-in player on the chosen shard.
  const std::string summoner = std::to_string(kSummonerId);
  const std::string account = std::to_string(kAccountId);
  SetResource("/tav-login/v1/session",
              R"({"state":"SUCCEEDED","summonerId":)" + summoner + R"(,"accountId":)" + account + "}");
  SetResource("/tav-login/v1/login-data-packet", R"({"platformId":")" + Upper(options_.shard) +
                                                     R"(","summonerId":)" + summoner + R"(,"accountId":)" +
                                                     account + "}");
  SetResource("/tav-summoner/v1/current-summoner",
              R"({"summonerId":)" + summoner + R"(,"accountId":)" + account +
                  R"(,"displayName":"Quillon Vey","internalName":"QuillonVey","profileIconId":12,"summonerLevel":)" +
                  std::to_string(options_.summoner_level) +
                  R"(,"puuid":"7c1d2e3f-0000-4000-8000-0000000a1b2c"})");

  std::string pages;
  for (uint32_t i = 1; i <= options_.owned_pages; ++i) {
    if (!pages.empty()) pages += ",";
    pages += R"({"id":)" + std::to_string(i) + R"(,"name":"Page )" + std::to_string(i) + R"(","current":)" +
             (i == 1 ? "true" : "false") + R"(,"runes":[]})";
  }
  SetResource(RuneBookPath(kSummonerId), R"({"summonerId":)" + summoner + R"(,"pages":[)" + pages + "]}");

  // Not in a game; no champion select until a client PUTs one.
  SetResource("/tav-gameflow/v1/session",
              R"({"phase":"None","gameData":{"queue":{"id":-1},"isCustomGame":false,"gameId":0}})");
  SetResource("/tav-platform-config/v1/namespaces/Perks", R"({"PerksEnabled":true,"AutoRepairPagesEnabled":true})");

  // The login plugin's service proxy is the core's own; behind it, the game
  // customization service.
  game_customization_.Install(core_.service_proxy());

  core_.AddPeer(TAV_METHOD_POST, TelemetryLog::kPattern,
                [this](const PeerRequest& request) { return telemetry_.Handle(request); });
}

}  // namespace tav::host
