// The settings plugin as tav-core plays it: documents on the SQLite store,
// change events at the path the plugin subscribes to.
#include "main/settings_peer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "json_text.h"
#include "tests/host_main/core_process.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kDocumentPath = "/tav-settings/v2/account/PerksPreferences/page-settings";

class SettingsPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store_.Open(folder_.Path("s.sqlite3"), &error)) << error;
  }

  PeerResponse Send(uint32_t method, const char* body_json = nullptr, const char* path = kDocumentPath) {
    PeerRequest request;
    request.method = method;
    request.url = request.path = path;
    if (body_json != nullptr) request.arguments.push_back({std::nullopt, JsonValue(body_json)});
    return peer_.Handle(request);
  }
  std::string Stored() {
    std::string error;
    return store_.Get("PerksPreferences/page-settings", &error).value_or("<none>");
  }

  TempFolder folder_;
  SettingsStore store_;
  std::vector<std::string> events_;  // "<type> <path> <data>"
  SettingsPeer peer_{&store_, [this](const std::string& path, ResourceEventType type, const rapidjson::Value* data) {
                       events_.push_back(std::string(ResourceEventTypeName(type)) + " " + path + " " +
                                         (data ? JsonText(*data) : "-"));
                     }};
};

TEST_F(SettingsPeerTest, WritesAreStoredAndReportedAtTheChangePath) {
  EXPECT_FALSE(Send(TAV_METHOD_PATCH, R"({"data":{"pages":[]},"schemaVersion":5})").error);
  EXPECT_FALSE(Send(TAV_METHOD_PATCH, R"({"schemaVersion":6})").error);
  EXPECT_EQ(Stored(), R"({"data":{"pages":[]},"schemaVersion":6})") << "PATCH keeps the members it does not name";
  EXPECT_FALSE(Send(TAV_METHOD_PUT, R"({"data":{}})").error);
  EXPECT_EQ(Stored(), R"({"data":{}})") << "PUT replaces the whole document";
  EXPECT_EQ(JsonText(Send(TAV_METHOD_GET).value), R"({"data":{}})");
  EXPECT_FALSE(Send(TAV_METHOD_DELETE).error);
  EXPECT_THAT(events_, ElementsAre(
      R"(Create /tav-settings/v2/PerksPreferences/page-settings {"data":{"pages":[]},"schemaVersion":5})",
      R"(Update /tav-settings/v2/PerksPreferences/page-settings {"data":{"pages":[]},"schemaVersion":6})",
      R"(Update /tav-settings/v2/PerksPreferences/page-settings {"data":{}})",
      "Delete /tav-settings/v2/PerksPreferences/page-settings -"));
  EXPECT_EQ(store_.commits(), 4u);
}

TEST_F(SettingsPeerTest, RefusalsChangeNothing) {
  ASSERT_FALSE(Send(TAV_METHOD_PUT, R"({"schemaVersion":5})").error);
  events_.clear();
  struct Case {
    const char* label;
    uint32_t method;
    const char* body;
    const char* path;
    uint32_t status;
    const char* error;
  };
  const Case cases[] = {
      {"an array", TAV_METHOD_PUT, "[1]", kDocumentPath, 400, "A settings document must be a JSON object"},
      {"a text patch", TAV_METHOD_PATCH, "\"x\"", kDocumentPath, 400, "A settings document must be a JSON object"},
      {"no body", TAV_METHOD_PUT, nullptr, kDocumentPath, 400, "A settings document must be a JSON object"},
      {"another method", TAV_METHOD_OPTIONS, nullptr, kDocumentPath, 405, "Method not allowed"},
      {"a path too deep", TAV_METHOD_PUT, "{}", "/tav-settings/v2/account/A/b/c", 404, "Not found"},
      {"a path without a name", TAV_METHOD_GET, nullptr, "/tav-settings/v2/account/A/", 404, "Not found"},
      {"an absent document", TAV_METHOD_DELETE, nullptr, "/tav-settings/v2/account/A/b", 404, "Not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    PeerResponse response = Send(c.method, c.body, c.path);
    EXPECT_EQ(response.status, c.status);
    EXPECT_EQ(response.error.value_or("<none>"), c.error);
  }
  EXPECT_EQ(Stored(), R"({"schemaVersion":5})");
  EXPECT_THAT(events_, IsEmpty());
}

}  // namespace
}  // namespace tav::host
