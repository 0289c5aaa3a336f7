// A development core serving the sample game data, with the perks plugin
// (the real library, or the test plugin with its extra endpoints) loaded
// and initialised. Every test ends by shutting the plugin down and checking
// that the core saw no fault at the boundary.
#ifndef TAV_TESTS_PERKS_E2E_PERKS_E2E_FIXTURE_H_
#define TAV_TESTS_PERKS_E2E_PERKS_E2E_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "host/dev_core.h"
#include "host/json_text.h"
#include "host/resource_event.h"

namespace tav::host {

inline constexpr const char* kPerksDocument = "/tav-game-data/assets/v1/perks.json";
inline constexpr const char* kStylesDocument = "/tav-game-data/assets/v1/perkstyles.json";
inline constexpr const char* kChampionDocument =
    "/tav-game-data/assets/v1/championperkstylemap.json";
inline constexpr const char* kPageSettings =
    "/tav-settings/v2/account/PerksPreferences/page-settings";
inline constexpr const char* kSettingsReady = "/tav-settings/v2/ready";
// Where the settings plugin reports changes of the stored document.
inline constexpr const char* kSettingsEvents = "/tav-settings/v2/PerksPreferences/page-settings";
inline constexpr const char* kLoginSession = "/tav-login/v1/session";
inline constexpr const char* kLoginDataPacket = "/tav-login/v1/login-data-packet";
inline constexpr const char* kGameflowSession = "/tav-gameflow/v1/session";
inline constexpr const char* kChampSelectSession = "/tav-champ-select/v1/session";
inline constexpr const char* kCurrentSummoner = "/tav-summoner/v1/current-summoner";
inline constexpr const char* kPlatformConfig = "/tav-platform-config/v1/namespaces/Perks";
inline constexpr const char* kPlayerPreferencesReady =
    "/tav-player-preferences/v1/player-preferences-ready";
inline constexpr const char* kPlayerPreferencesPerks =
    "/tav-player-preferences/v1/preference/PerksPreferences";
inline constexpr const char* kPushKey = "gamecustomization.setgamecustomization";
inline constexpr const char* kStyleQueryKey = "gamecustomization.getgamecustomization";
inline constexpr const char* kDisabledQueryKey = "gamecustomization.getdisabledgamecustomization";

// The sample styles in ascending id; 750 is the advanced one. Their preset
// pages get the ids 50 to 54 in document order (the document lists them in
// id order).
inline const std::vector<int> kSampleStyleIds = {710, 720, 730, 740, 750};

// A valid page of the sample data: Tempest keystone and three rows, Bastion
// rows 1 and 2 as the sub-style.
inline constexpr const char* kTempestPerks = "[7101,7104,7107,7110,7204,7208]";

// A login session that counts as logged in (or not) for `summoner_id`.
inline std::string LoginSessionJson(const char* state, uint64_t summoner_id, uint64_t account_id) {
  return std::string(R"({"state":")") + state + R"(","summonerId":)" +
         std::to_string(summoner_id) + R"(,"accountId":)" + std::to_string(account_id) + "}";
}
inline std::string RuneBookPath(uint64_t summoner_id) {
  return "/tav-collections/v1/inventories/" + std::to_string(summoner_id) + "/rune-book";
}
// A rune book of `count` owned pages.
inline std::string RuneBookJson(uint64_t summoner_id, int count) {
  std::string pages;
  for (int i = 1; i <= count; ++i) {
    if (!pages.empty()) pages += ",";
    pages += R"({"current":false,"id":)" + std::to_string(i) + R"(,"name":"Owned","runes":[]})";
  }
  return R"({"summonerId":)" + std::to_string(summoner_id) + R"(,"pages":[)" + pages + "]}";
}

// A stored page, every field given, as the module writes it.
inline std::string StoredPageJson(int id, const std::string& name, int primary, int sub,
                                  const std::string& perks, int order, bool current = false) {
  return R"({"autoModifiedSelections":[],"current":)" + std::string(current ? "true" : "false") +
         R"(,"id":)" + std::to_string(id) +
         R"(,"isActive":false,"isDeletable":true,"isEditable":true,"isValid":true,"name":")" +
         name + R"(","order":)" + std::to_string(order) + R"(,"primaryStyleId":)" +
         std::to_string(primary) + R"(,"selectedPerkIds":)" + perks + R"(,"subStyleId":)" +
         std::to_string(sub) + "}";
}
// A stored document: the shard-less `legacy_pages` (a JSON array), the
// books (a JSON object) and interface settings that have seen the sample
// data's latest gameplay patch unless `patch_seen` says otherwise.
inline std::string StoredDocumentJson(const std::string& legacy_pages, const std::string& books,
                                      int schema = 5, const std::string& patch_seen = "14.3b") {
  return R"({"data":{"pages":)" + legacy_pages + R"(,"perShardPerkBooks":)" + books +
         R"(,"settings":{"gameplayPatchVersionSeen":")" + patch_seen +
         R"(","gameplayUpdatedPerksSeen":[7311],"gridModeEnabled":true,)"
         R"("showLongDescriptions":false,"showPresetPages":true}},"schemaVersion":)" +
         std::to_string(schema) + "}";
}

class PerksE2eTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (!started_) return;
    core_.Shutdown();
    EXPECT_THAT(core_.faults(), ::testing::IsEmpty());
  }

  static std::string SampleData(const std::string& name) {
    std::ifstream file(std::string(TAV_SAMPLE_DATA_DIR) + "/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  void ServeSampleGameData() {
    core_.SetResource(kPerksDocument, SampleData("perks.json"));
    core_.SetResource(kStylesDocument, SampleData("perkstyles.json"));
    core_.SetResource(kChampionDocument, SampleData("championperkstylemap.json"));
  }

  // The settings plugin is ready and holds no stored document, so the
  // plugin may create one with its first save (it writes nothing before
  // it has read what is stored). Call before Start.
  void ServeNoStoredSettings() { core_.SetResource(kSettingsReady, "true"); }

  // Loads `plugin`, initialises it and runs the core until idle. Serve the
  // game data first.
  void Start(const char* plugin = TAV_PERKS_PLUGIN_PATH) {
    ASSERT_TRUE(core_.Load(plugin)) << core_.load_error();
    started_ = true;
    ASSERT_TRUE(core_.Initialize());
    core_.RunUntilIdle();
  }
  void StartTestPlugin() { Start(TAV_PERKS_E2E_PLUGIN_PATH); }

  // Drops what the core recorded so far (after checking it saw no fault).
  void Forget() {
    EXPECT_THAT(core_.faults(), ::testing::IsEmpty());
    core_.ClearRecords();
  }

  CallResult Call(uint32_t method, const std::string& url) { return core_.Call(method, url); }
  CallResult Call(uint32_t method, const std::string& url, std::string json_body) {
    return core_.Call(method, url, CallOptions().Body(std::move(json_body), "application/json"));
  }
  // The answer's value as compact JSON; the failure when there is none.
  static std::string Answer(const CallResult& result) {
    if (!result.ok()) return result.Summary();
    return result.ValueJson();
  }

  // POSTs a page and gives its id (0 when refused).
  int CreatePage(const std::string& name, int primary, int sub, const std::string& perks) {
    CallResult created =
        Call(TAV_METHOD_POST, "/tav-perks/v1/pages",
             R"({"name":")" + name + R"(","primaryStyleId":)" + std::to_string(primary) +
                 R"(,"subStyleId":)" + std::to_string(sub) + R"(,"selectedPerkIds":)" + perks +
                 "}");
    if (!created.ok() || !created.value.IsObject()) return 0;
    return created.value["id"].GetInt();
  }

  // The data of every Update event published for `path`, as compact JSON,
  // checking that each was sent under the path's own event name and then
  // again under "OnJsonApiEvent" with the same payload.
  std::vector<std::string> Published(std::string_view path) const {
    std::vector<std::string> data;
    const std::string own_name = ResourceEventName(path);
    const auto& events = core_.sent_events();
    for (size_t i = 0; i < events.size(); ++i) {
      const SentEvent& event = events[i];
      if (event.name != own_name || !event.payload.IsObject()) continue;
      if (event.payload["uri"].GetString() != path) continue;
      EXPECT_EQ(JsonText(event.payload["eventType"]), "\"Update\"") << path;
      EXPECT_TRUE(i + 1 < events.size() && events[i + 1].name == kJsonApiEventName &&
                  events[i + 1].payload == event.payload)
          << path << " is not repeated under OnJsonApiEvent";
      data.push_back(JsonText(event.payload["data"]));
    }
    return data;
  }

  // The uris of every resource event the plugin sent under its own name, in
  // order.
  std::vector<std::string> PublishedUris() const {
    std::vector<std::string> uris;
    for (const SentEvent& event : core_.sent_events()) {
      if (event.name == kJsonApiEventName || !event.payload.IsObject()) continue;
      if (event.payload.HasMember("uri")) uris.push_back(event.payload["uri"].GetString());
    }
    return uris;
  }

  // The messages of the plugin's log lines of `level` (the text after the
  // line's last "| ").
  std::vector<std::string> LogMessages(int32_t level) const {
    std::vector<std::string> messages;
    for (const LogLine& line : core_.log()) {
      if (line.level != level) continue;
      const size_t bar = line.text.rfind("| ");
      messages.push_back(bar == std::string::npos ? line.text : line.text.substr(bar + 2));
    }
    return messages;
  }

  // The bodies of the plugin's writes of the stored settings, as JSON.
  std::vector<std::string> SettingsWrites() const {
    std::vector<std::string> writes;
    for (const RecordedRequest* request : core_.RequestsTo(TAV_METHOD_PATCH, kPageSettings)) {
      writes.push_back(JsonText(request->request.BodyValue()));
    }
    return writes;
  }

  // Stores `json` at `path` (a Create the first time, an Update after) and
  // lets the plugin handle the event.
  void Signal(const std::string& path, std::string_view json) {
    core_.SetResource(path, json);
    core_.RunUntilIdle();
  }
  void Withdraw(const std::string& path) {
    core_.RemoveResource(path);
    core_.RunUntilIdle();
  }

  // A settings plugin that reports every write of the stored document as an
  // Update event of it, as it would a change made by anyone else.
  void EchoSettingsWrites() {
    core_.AddPeer(TAV_METHOD_PATCH, kPageSettings, [this](const PeerRequest& request) {
      rapidjson::Document written = request.BodyValue();
      core_.resources().SetQuietly(kPageSettings, written);
      core_.resources().SetQuietly(kSettingsEvents, written);
      core_.EmitResourceEvent(kSettingsEvents, ResourceEventType::kUpdate, &written);
      return PeerResponse::Ok();
    });
  }

  // The game customization service: the style query answers with every
  // sample style, the disabled-perks query with `disabled` (JSON text), and
  // pushes are accepted.
  void ServeGameService(std::string disabled = "[]") {
    rapidjson::Document styles_reply(rapidjson::kObjectType);
    auto& allocator = styles_reply.GetAllocator();
    styles_reply.AddMember("error", "OK", allocator);
    styles_reply.AddMember("result", rapidjson::Value(SampleData("perkstyles.json").c_str(), allocator),
                           allocator);
    const std::string styles = JsonText(styles_reply);
    core_.service_proxy().SetHandler(kStyleQueryKey, [styles](const ServiceProxyCall&) {
      return ServiceProxyAnswer{styles, "200", ""};
    });
    AnswerDisabledQueryWith(std::move(disabled));
    AnswerPushesWith({});
  }
  void AnswerDisabledQueryWith(std::string disabled) {
    rapidjson::Document reply(rapidjson::kObjectType);
    reply.AddMember("error", "OK", reply.GetAllocator());
    reply.AddMember("result", rapidjson::Value(disabled.c_str(), reply.GetAllocator()),
                    reply.GetAllocator());
    const std::string answer = JsonText(reply);
    core_.service_proxy().SetHandler(kDisabledQueryKey, [answer](const ServiceProxyCall&) {
      return ServiceProxyAnswer{answer, "200", ""};
    });
  }
  // Pushes are answered in turn with `answers`, then accepted.
  void AnswerPushesWith(std::vector<ServiceProxyAnswer> answers) {
    core_.service_proxy().SetHandler(kPushKey, [answers, next = size_t{0}](
                                                   const ServiceProxyCall&) mutable {
      return next < answers.size() ? answers[next++]
                                   : ServiceProxyAnswer{R"({"error":"OK","result":""})", "200", ""};
    });
  }
  // The "content" of every push, in order.
  std::vector<std::string> PushedContents() {
    std::vector<std::string> contents;
    for (const ServiceProxyCall& call : core_.service_proxy().calls()) {
      if (call.service + "." + call.method != kPushKey) continue;
      rapidjson::Document payload = JsonValue(call.payload);
      contents.push_back(payload[0]["content"].GetString());
    }
    return contents;
  }

  // The "id" of every element of a JSON array.
  static std::vector<int> PageIds(const rapidjson::Value& pages) {
    std::vector<int> ids;
    if (!pages.IsArray()) return ids;
    for (const auto& page : pages.GetArray()) ids.push_back(page["id"].GetInt());
    return ids;
  }
  static std::vector<int> PageIds(const std::string& pages_json) { return PageIds(JsonValue(pages_json)); }
  // The ids of the pages the plugin serves, in order.
  std::vector<int> ServedPageIds() { return PageIds(Call(TAV_METHOD_GET, "/tav-perks/v1/pages").value); }

  // Stores `json` at `path` without any event: what another plugin holds
  // before the plugin looks.
  void Serve(const std::string& path, std::string_view json) {
    core_.resources().SetQuietly(path, JsonValue(json));
  }

  // The stored document as the settings plugin holds it.
  rapidjson::Document StoredDocument() {
    const rapidjson::Value* stored = core_.resources().Get(kPageSettings);
    return stored == nullptr ? rapidjson::Document() : JsonValue(JsonText(*stored));
  }

  DevCore core_;
  bool started_ = false;
};

}  // namespace tav::host

#endif  // TAV_TESTS_PERKS_E2E_PERKS_E2E_FIXTURE_H_
