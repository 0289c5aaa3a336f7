// A development core serving the sample game data, with the real perks plugin
// loaded and initialised and its peers played. Every test ends by shutting
// the plugin down and checking that the core saw no fault at the boundary.
#ifndef TAV_TESTS_PERKS_E2E_PERKS_E2E_FIXTURE_H_
#define TAV_TESTS_PERKS_E2E_PERKS_E2E_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/dev_core.h"
#include "host/json_text.h"
#include "host/resource_event.h"
#include "perks/perks_paths.h"

namespace tav::host {

using perks::kChampSelectSessionPath;
using perks::kCurrentSummonerPath;
using perks::kGameflowSessionPath;
using perks::kLoginDataPacketPath;
using perks::kLoginSessionPath;
using perks::kPageSettingsEventsPath;
using perks::kPageSettingsPath;
using perks::kPlatformConfigPath;
using perks::kPlayerPreferencesPerksPath;
using perks::kPlayerPreferencesReadyPath;
using perks::kSettingsReadyPath;

inline constexpr const char* kPushKey = "gamecustomization.setgamecustomization";
inline constexpr const char* kStyleQueryKey = "gamecustomization.getgamecustomization";
inline constexpr const char* kDisabledQueryKey = "gamecustomization.getdisabledgamecustomization";

// A valid page of the sample data: Tempest keystone and three rows, Bastion
// rows 1 and 2 as the sub-style; and the setting pushed for it.
inline constexpr const char* kTempestPerks = "[7101,7104,7107,7110,7204,7208]";
inline constexpr const char* kTempestSetting =
    R"({"perkIds":[7101,7104,7107,7110,7204,7208],"perkStyle":710,"perkSubStyle":720})";

inline std::string LoginSessionJson(const char* state, uint64_t summoner_id, uint64_t account_id) {
  return std::string(R"({"state":")") + state + R"(","summonerId":)" + std::to_string(summoner_id) +
         R"(,"accountId":)" + std::to_string(account_id) + "}";
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
// A stored document: the shard-less `legacy_pages` (a JSON array), the books
// (a JSON object) and interface settings that have seen the sample data's
// latest gameplay patch unless `patch_seen` says otherwise.
inline std::string StoredDocumentJson(const std::string& legacy_pages, const std::string& books,
                                      int schema = 5, const std::string& patch_seen = "14.3b") {
  return R"({"data":{"pages":)" + legacy_pages + R"(,"perShardPerkBooks":)" + books +
         R"(,"settings":{"gameplayPatchVersionSeen":")" + patch_seen +
         R"(","gameplayUpdatedPerksSeen":[7311],"gridModeEnabled":true,)"
         R"("showLongDescriptions":false,"showPresetPages":true}},"schemaVersion":)" +
         std::to_string(schema) + "}";
}

// How the settings plugin played by PerksE2eTest::ReportSettingsWrites
// reports writes of the stored document: each one, only those that change
// it, or one report for all the writes made before it is delivered,
// carrying the document as it is then.
enum class SettingsReports { kEveryWrite, kChangesOnly, kMerged };

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
    core_.SetResource(perks::kPerksDocumentPath, SampleData("perks.json"));
    core_.SetResource(perks::kStylesDocumentPath, SampleData("perkstyles.json"));
    core_.SetResource(perks::kChampionMapDocumentPath, SampleData("championperkstylemap.json"));
  }

  // The settings plugin is ready and holds no stored document, so the plugin
  // may create one with its first save. Call before Start.
  void ServeNoStoredSettings() { core_.SetResource(kSettingsReadyPath, "true"); }

  // Loads the plugin, initialises it and runs the core until idle.
  void Start() {
    ASSERT_TRUE(core_.Load(TAV_PERKS_PLUGIN_PATH)) << core_.load_error();
    started_ = true;
    ASSERT_TRUE(core_.Initialize());
    core_.RunUntilIdle();
  }

  // Logs `summoner_id` in on shard "eu1" with `owned_pages` rune pages at
  // summoner level `level`, the game service answering, and starts.
  void StartLoggedIn(uint64_t summoner_id, int owned_pages = 2, int level = 30) {
    ServeSampleGameData();
    ServeGameService();
    Serve(kLoginDataPacketPath, R"({"platformId":"EU1"})");
    Serve(RuneBookPath(summoner_id), RuneBookJson(summoner_id, owned_pages));
    Serve(kCurrentSummonerPath, R"({"summonerLevel":)" + std::to_string(level) + "}");
    Start();
    Signal(kLoginSessionPath, LoginSessionJson("SUCCEEDED", summoner_id, 4242));
  }

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
    return result.ok() ? result.ValueJson() : result.Summary();
  }
  std::string Get(const std::string& url) { return Answer(Call(TAV_METHOD_GET, url)); }

  // POSTs a page and gives its id (0 when refused).
  int CreatePage(const std::string& name, int primary, int sub, const std::string& perks) {
    CallResult created = Call(TAV_METHOD_POST, "/tav-perks/v1/pages",
                              R"({"name":")" + name + R"(","primaryStyleId":)" +
                                  std::to_string(primary) + R"(,"subStyleId":)" +
                                  std::to_string(sub) + R"(,"selectedPerkIds":)" + perks + "}");
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

  // The uris of every resource event the plugin sent under its own name.
  std::vector<std::string> PublishedUris() const {
    std::vector<std::string> uris;
    for (const SentEvent& event : core_.sent_events()) {
      if (event.name == kJsonApiEventName || !event.payload.IsObject()) continue;
      if (event.payload.HasMember("uri")) uris.push_back(event.payload["uri"].GetString());
    }
    return uris;
  }

  // The messages of the plugin's log lines of `level` (after the last "| ").
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
    for (const RecordedRequest* request : core_.RequestsTo(TAV_METHOD_PATCH, kPageSettingsPath)) {
      writes.push_back(JsonText(request->request.BodyValue()));
    }
    return writes;
  }
  size_t Reads(const std::string& path) { return core_.RequestsTo(TAV_METHOD_GET, path).size(); }

  // Stores `json` at `path` (a Create the first time, an Update after) and
  // lets the plugin handle the event; Withdraw deletes it.
  void Signal(const std::string& path, std::string_view json) {
    core_.SetResource(path, json);
    core_.RunUntilIdle();
  }
  void Withdraw(const std::string& path) {
    core_.RemoveResource(path);
    core_.RunUntilIdle();
  }
  // Stores `json` at `path` without any event: what another plugin holds
  // before the plugin looks.
  void Serve(const std::string& path, std::string_view json) {
    core_.resources().SetQuietly(path, JsonValue(json));
  }
  // The stored document, where the plugin reads it and where the settings
  // plugin reports it.
  void StoreDocument(const std::string& document) {
    Serve(kPageSettingsPath, document);
    Serve(kPageSettingsEventsPath, document);
  }
  rapidjson::Document StoredDocument() {
    const rapidjson::Value* stored = core_.resources().Get(kPageSettingsPath);
    return stored == nullptr ? rapidjson::Document() : JsonValue(JsonText(*stored));
  }

  // A settings plugin that stores the plugin's writes of the stored
  // document and reports them as `reports` says.
  void ReportSettingsWrites(SettingsReports reports = SettingsReports::kEveryWrite) {
    settings_reports_ = reports;
    core_.AddPeer(TAV_METHOD_PATCH, kPageSettingsPath, [this](const PeerRequest& request) {
      WriteStoredDocument(request.BodyValue());
      return PeerResponse::Ok();
    });
  }
  // A write of the stored document, the plugin's or another client's, as
  // that settings plugin stores and reports it.
  void WriteStoredDocument(const rapidjson::Value& written) {
    const rapidjson::Value* before = core_.resources().Get(kPageSettingsPath);
    const bool unchanged = before != nullptr && JsonText(*before) == JsonText(written);
    StoreDocument(JsonText(written));
    if (settings_reports_ == SettingsReports::kChangesOnly && unchanged) return;
    if (settings_reports_ != SettingsReports::kMerged) {
      return core_.EmitResourceEvent(kPageSettingsEventsPath, ResourceEventType::kUpdate, &written);
    }
    if (std::exchange(settings_report_queued_, true)) return;
    core_.Post([this] {
      settings_report_queued_ = false;
      core_.DeliverEventNow(ResourceEventName(kPageSettingsEventsPath),
                            ResourceEventPayload(kPageSettingsEventsPath, ResourceEventType::kUpdate,
                                                 core_.resources().Get(kPageSettingsEventsPath)));
    });
  }

  // A service-proxy answer {"error": error, "result": result}.
  static ServiceProxyAnswer ServiceResult(const std::string& error, const std::string& result) {
    rapidjson::Document reply(rapidjson::kObjectType);
    reply.AddMember("error", rapidjson::Value(error.c_str(), reply.GetAllocator()),
                    reply.GetAllocator());
    reply.AddMember("result", rapidjson::Value(result.c_str(), reply.GetAllocator()),
                    reply.GetAllocator());
    return {JsonText(reply), "200", ""};
  }
  void AnswerServiceWith(const char* key, ServiceProxyAnswer answer) {
    core_.service_proxy().SetHandler(key, [answer](const ServiceProxyCall&) { return answer; });
  }
  // The game customization service: the style query answers with every
  // sample style, the disabled-perks query with `disabled` (JSON text), and
  // pushes are accepted.
  void ServeGameService(const std::string& disabled = "[]") {
    AnswerServiceWith(kStyleQueryKey, ServiceResult("OK", SampleData("perkstyles.json")));
    AnswerServiceWith(kDisabledQueryKey, ServiceResult("OK", disabled));
    AnswerPushesWith({});
  }
  // Pushes are answered in turn with `answers`, then accepted.
  void AnswerPushesWith(std::vector<ServiceProxyAnswer> answers) {
    core_.service_proxy().SetHandler(
        kPushKey, [answers, next = size_t{0}](const ServiceProxyCall&) mutable {
          return next < answers.size() ? answers[next++] : ServiceResult("OK", "");
        });
  }
  // The "content" of every push, in order.
  std::vector<std::string> PushedContents() {
    std::vector<std::string> contents;
    for (const ServiceProxyCall& call : core_.service_proxy().calls()) {
      if (call.service + "." + call.method != kPushKey) continue;
      contents.push_back(JsonValue(call.payload)[0]["content"].GetString());
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
  static std::vector<int> PageIds(const std::string& pages_json) {
    return PageIds(JsonValue(pages_json));
  }
  std::vector<int> ServedPageIds() { return PageIds(Call(TAV_METHOD_GET, "/tav-perks/v1/pages").value); }
  int CurrentPageId() {
    const CallResult current = Call(TAV_METHOD_GET, "/tav-perks/v1/currentpage");
    return current.ok() ? current.value["id"].GetInt() : 0;
  }
  // The page marked active, 0 for none.
  int ActivePageId() {
    const CallResult pages = Call(TAV_METHOD_GET, "/tav-perks/v1/pages");
    for (const auto& page : pages.value.GetArray()) {
      if (page["isActive"].GetBool()) return page["id"].GetInt();
    }
    return 0;
  }

  DevCore core_;
  bool started_ = false;

 private:
  SettingsReports settings_reports_ = SettingsReports::kEveryWrite;
  bool settings_report_queued_ = false;
};

}  // namespace tav::host

#endif  // TAV_TESTS_PERKS_E2E_PERKS_E2E_FIXTURE_H_
