// Where an HTTP request goes on the core thread: the plugin (here the fake
// plugin of the development core's tests, whose echo shows what it was
// given), the core's own resources, or the peers played from local state.
#include "main/request_gateway.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "json_text.h"
#include "tests/host_main/core_process.h"

namespace tav::host {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

class RequestGatewayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoreOptions options;
    options.data_dir = TAV_SAMPLE_DATA_DIR;
    options.store_file = folder_.Path("s.sqlite3");
    options.telemetry_file = folder_.Path("telemetry.jsonl");
    options.shard = "ne4";
    options.summoner_level = 23;
    options.owned_pages = 3;
    peers_ = std::make_unique<PeerState>(core_, options);
    std::string error;
    ASSERT_TRUE(peers_->Open(&error)) << error;
    ASSERT_TRUE(core_.Load(TAV_FAKE_PLUGIN_PATH)) << core_.load_error();
    peers_->Install();
    gateway_ = std::make_unique<RequestGateway>(core_, peers_.get());
    ASSERT_TRUE(core_.Initialize());
    core_.RunUntilIdle();
  }
  void TearDown() override {
    core_.Shutdown();
    EXPECT_THAT(core_.faults(), IsEmpty());
  }

  HttpAnswer Send(std::string method, std::string target, std::string body = "", std::string type = "",
                  std::vector<std::pair<std::string, std::string>> headers = {}) {
    HttpExchange exchange;
    exchange.method = std::move(method);
    exchange.target = std::move(target);
    exchange.body = std::move(body);
    exchange.content_type = std::move(type);
    exchange.headers = std::move(headers);
    HttpAnswer answer = gateway_->Handle(exchange);
    core_.RunUntilIdle();  // deliver what the request set off
    return answer;
  }
  static std::string Summary(const HttpAnswer& answer) { return std::to_string(answer.status) + " " + answer.body; }

  // The events the fake plugin received, as "<name> <payload>".
  std::vector<std::string> Received() {
    HttpAnswer answer = Send("POST", "/fake/v1/actions/received");
    std::vector<std::string> events;
    rapidjson::Document list = JsonValue(answer.body);
    for (const auto& event : list.GetArray()) {
      events.push_back(std::string(event["name"].GetString()) + " " + JsonText(event["payload"]));
    }
    return events;
  }

  TempFolder folder_;
  DevCore core_;
  std::unique_ptr<PeerState> peers_;
  std::unique_ptr<RequestGateway> gateway_;
};

TEST_F(RequestGatewayTest, ThePluginGetsTheRequestAsSent) {
  HttpAnswer answer = Send("PATCH", "/fake/v1/echo?sort=name&tag=a%20b", R"({"a":1})",
                           "application/json; charset=utf-8",
                           {{"Content-Type", "application/json; charset=utf-8"}, {"X-Trace", "7"}});
  ASSERT_EQ(answer.status, 200) << answer.body;
  rapidjson::Document echo = JsonValue(answer.body);
  EXPECT_EQ(echo["method"].GetUint(), static_cast<unsigned>(TAV_METHOD_PATCH));
  EXPECT_EQ(std::string(echo["url"].GetString()), "/fake/v1/echo?sort=name&tag=a%20b");
  EXPECT_EQ(std::string(echo["contentType"].GetString()), "application/json; charset=utf-8");
  EXPECT_EQ(std::string(echo["body"].GetString()), R"({"a":1})");
  EXPECT_EQ(JsonText(echo["headers"]),
            R"([["Content-Type","application/json; charset=utf-8"],["X-Trace","7"]])");
  EXPECT_THAT(answer.headers, Contains(Pair("X-Fake", "echo")));
  // Without a body the plugin gets none, and no content type.
  EXPECT_TRUE(JsonValue(Send("GET", "/fake/v1/echo").body)["contentType"].IsNull());
}

TEST_F(RequestGatewayTest, TheApiRootPointsToTheDocumentOncePublished) {
  EXPECT_EQ(Send("GET", "/tav-core/v1/openapi.json").status, 404);
  EXPECT_NE(Send("GET", "/fake/v1").status, 200);

  gateway_->PublishOpenApi("http://127.0.0.1:9");
  HttpAnswer document = Send("GET", "/tav-core/v1/openapi.json");
  ASSERT_EQ(document.status, 200);
  EXPECT_EQ(JsonText(JsonValue(document.body)["servers"]),
            R"([{"url":"http://127.0.0.1:9","description":"tav-core"}])");
  EXPECT_EQ(Summary(Send("PUT", "/tav-core/v1/openapi.json", "{}")),
            R"(405 {"error":"Method not allowed"})");
  for (const char* root : {"/fake/v1", "/fake/v1/"}) {
    HttpAnswer index = Send("GET", root);
    EXPECT_EQ(Summary(index), R"(200 {"api":")" + std::string(root) +
                                  R"(","openapi":"/tav-core/v1/openapi.json","events":"/events"})");
    EXPECT_THAT(index.headers,
                ElementsAre(Pair("Link", R"(</tav-core/v1/openapi.json>; rel="service-desc")")));
  }
}

TEST_F(RequestGatewayTest, TheStatusKeepsTheStartOfEachRecentFault) {
  const size_t max = RequestGateway::kMaxFaultBytes;
  // "é" is two bytes: one that would be cut in half is left out whole.
  const std::string faults[] = {"short", std::string(max, 'a'), std::string(max + 1, 'b'),
                                std::string(max - 4, 'c') + "\xC3\xA9" + std::string(10, 'd')};
  for (const std::string& fault : faults) gateway_->NoteFault(fault);
  rapidjson::Document status = JsonValue(Send("GET", "/tav-core/v1/status").body);
  EXPECT_EQ(status["faults"].GetUint(), 4u);
  std::vector<std::string> kept;
  for (const auto& fault : status["recentFaults"].GetArray()) kept.push_back(fault.GetString());
  EXPECT_THAT(kept, ElementsAre("short", std::string(max, 'a'), std::string(max - 3, 'b') + "...",
                                std::string(max - 4, 'c') + "..."));
}

TEST(PluginAnswer, StatusesAndBodies) {
  struct Case {
    const char* label;
    uint32_t status;
    std::optional<std::string> error;
    const char* value;  // JSON, or null
    std::string expected;
  };
  const Case cases[] = {
      {"a request the plugin could not bind", 0, "Unsupported body content type", nullptr,
       R"(400 {"error":"Unsupported body content type"})"},
      {"a failure with its status", 422, "Page is invalid", nullptr, R"(422 {"error":"Page is invalid"})"},
      {"a failure with a success status", 200, "Odd", nullptr, R"(500 {"error":"Odd"})"},
      {"an empty success", 0, std::nullopt, nullptr, "204 "},
      {"a value without a status", 0, std::nullopt, "[1,2]", "200 [1,2]"},
      {"a value with a status", 201, std::nullopt, R"({"id":7})", R"(201 {"id":7})"},
      {"a value with a nonsense status", 7, std::nullopt, "true", "200 true"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CallResult result;
    result.status = c.status;
    result.error = c.error;
    if (c.value != nullptr) result.value = JsonValue(c.value);
    HttpAnswer answer = PluginAnswer(result);
    EXPECT_EQ(std::to_string(answer.status) + " " + answer.body, c.expected);
  }

  CallResult streamed;
  streamed.streamed = true;
  streamed.body = "a,b\n";
  streamed.headers = {{"content-type", "text/csv"}, {"Content-Length", "4"}, {"X-Rows", "1"}};
  HttpAnswer answer = PluginAnswer(streamed);
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(answer.body, "a,b\n");
  EXPECT_EQ(answer.content_type, "text/csv");
  EXPECT_THAT(answer.headers, ElementsAre(Pair("X-Rows", "1")));
}

TEST_F(RequestGatewayTest, AWriteDeliversTheResourceEventToThePlugin) {
  for (const char* name : {"OnJsonApiEvent_tav-champ-select_v1_session",
                           "OnJsonApiEvent_tav-settings_v2_PerksPreferences"}) {
    ASSERT_EQ(Send("POST", std::string("/fake/v1/actions/register?name=") + name + "&flag=0").status, 204);
  }
  const char* settings = "/tav-settings/v2/account/PerksPreferences/page-settings";
  const std::vector<std::array<std::string, 4>> writes = {
      {"PUT", "/tav-champ-select/v1/session", R"({"localPlayerCellId":2})",
       "application/x-www-form-urlencoded"},
      {"PATCH", "/tav-champ-select/v1/session", R"({"timer":{"phase":"FINALIZATION"}})", ""},
      {"DELETE", "/tav-champ-select/v1/session", "", ""},
      {"PATCH", settings, R"({"data":{"pages":[]},"schemaVersion":5})", ""},
      // A PATCH keeps the members it does not name, a PUT replaces all.
      {"PATCH", settings, R"({"schemaVersion":6})", ""},
      {"PUT", settings, R"({"data":{}})", ""},
      {"DELETE", settings, "", ""},
  };
  for (const auto& write : writes)
    EXPECT_EQ(Summary(Send(write[0], write[1], write[2], write[3])), "204 ");

  const std::string champ_select =
      R"(OnJsonApiEvent_tav-champ-select_v1_session {"uri":"/tav-champ-select/v1/session",)";
  // The settings plugin reports its documents without the "account" level.
  const std::string document =
      R"(OnJsonApiEvent_tav-settings_v2_PerksPreferences {"uri":"/tav-settings/v2/PerksPreferences/page-settings",)";
  EXPECT_THAT(
      Received(),
      ElementsAre(
          champ_select + R"("eventType":"Create","data":{"localPlayerCellId":2}})",
          champ_select +
              R"("eventType":"Update","data":{"localPlayerCellId":2,"timer":{"phase":"FINALIZATION"}}})",
          champ_select + R"("eventType":"Delete","data":null})",
          document + R"("eventType":"Create","data":{"data":{"pages":[]},"schemaVersion":5}})",
          document + R"("eventType":"Update","data":{"data":{"pages":[]},"schemaVersion":6}})",
          document + R"("eventType":"Update","data":{"data":{}}})",
          document + R"("eventType":"Delete","data":null})"));
  EXPECT_EQ(peers_->store().commits(), 4u);
}

TEST_F(RequestGatewayTest, RefusedSettingsWritesChangeNothing) {
  const std::string document = "/tav-settings/v2/account/PerksPreferences/page-settings";
  ASSERT_EQ(Summary(Send("PUT", document, R"({"schemaVersion":5})")), "204 ");
  ASSERT_EQ(Send("POST", "/fake/v1/actions/register?name=OnJsonApiEvent&flag=0").status, 204);
  const std::array<std::string, 4> cases[] = {
      {"PUT", document, "[1]", R"(400 {"error":"A settings document must be a JSON object"})"},
      {"PATCH", document, "\"x\"", R"(400 {"error":"A settings document must be a JSON object"})"},
      {"OPTIONS", document, "", R"(405 {"error":"Method not allowed"})"},
      {"GET", "/tav-settings/v2/account/A/", "", R"(404 {"error":"Not found"})"},
      {"DELETE", "/tav-settings/v2/account/A/b", "", R"(404 {"error":"Not found"})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0] + " " + c[1] + " " + c[2]);
    EXPECT_EQ(Summary(Send(c[0], c[1], c[2])), c[3]);
  }
  EXPECT_EQ(Send("GET", document).body, R"({"schemaVersion":5})");
  EXPECT_THAT(Received(), IsEmpty());
}

TEST_F(RequestGatewayTest, ResettingTheStoreRemovesEveryDocumentAsADeleteWould) {
  ASSERT_EQ(Send("POST", "/fake/v1/actions/register?name=OnJsonApiEvent_tav-settings_v2_A&flag=0").status, 204);
  for (const char* key : {"A/two", "A/one", "B/three"}) {
    ASSERT_EQ(Send("PUT", std::string("/tav-settings/v2/account/") + key, R"({"n":1})").status, 204);
  }
  EXPECT_EQ(JsonText(JsonValue(Send("GET", "/tav-core/v1/store").body)["documents"]),
            R"(["A/one","A/two","B/three"])");

  EXPECT_EQ(Summary(Send("POST", "/tav-core/v1/store")), R"(405 {"error":"Method not allowed"})");
  EXPECT_EQ(Summary(Send("DELETE", "/tav-core/v1/store")), R"(200 {"removed":["A/one","A/two","B/three"]})");
  const std::string event = R"(OnJsonApiEvent_tav-settings_v2_A {"uri":"/tav-settings/v2/A/)";
  EXPECT_THAT(Received(), ElementsAre(event + R"(two","eventType":"Create","data":{"n":1}})",
                                      event + R"(one","eventType":"Create","data":{"n":1}})",
                                      event + R"(one","eventType":"Delete","data":null})",
                                      event + R"(two","eventType":"Delete","data":null})"));
  EXPECT_EQ(Summary(Send("GET", "/tav-settings/v2/account/A/one")), "200 {}");
  rapidjson::Document status = JsonValue(Send("GET", "/tav-core/v1/status").body);
  EXPECT_EQ(JsonText(status["store"]["documents"]), "[]");
  EXPECT_EQ(Summary(Send("DELETE", "/tav-core/v1/store")), R"(200 {"removed":[]})");
}

}  // namespace
}  // namespace tav::host
