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

// The sample styles in ascending id; 750 is the advanced one. Their preset
// pages get the ids 50 to 54 in document order (the document lists them in
// id order).
inline const std::vector<int> kSampleStyleIds = {710, 720, 730, 740, 750};

// A valid page of the sample data: Tempest keystone and three rows, Bastion
// rows 1 and 2 as the sub-style.
inline constexpr const char* kTempestPerks = "[7101,7104,7107,7110,7204,7208]";

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

  DevCore core_;
  bool started_ = false;
};

}  // namespace tav::host

#endif  // TAV_TESTS_PERKS_E2E_PERKS_E2E_FIXTURE_H_
