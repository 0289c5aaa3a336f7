// Requests of the plugin to the development core: routing to peers, the
// resource store, streamed answers, chosen failures, and the release of
// every answer the core filled.
#include "fake_plugin_fixture.h"
#include "host/host_response.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using DevCoreRequest = FakePluginTest;

TEST_F(DevCoreRequest, PeerSeesTheRequestAndItsArgumentsAreKept) {
  std::string seen;
  core_.AddPeer(TAV_METHOD_GET, "/tav-summoner/v1/summoners/{id}", [&](const PeerRequest& request) {
    seen = request.method_name + " " + *request.Capture("id") + " " + request.query + " " +
           request.NamedText("name").value_or("-") + " " + request.PositionalText(0).value_or("-");
    return PeerResponse::Ok(JsonValue(R"({"summonerLevel":31,"name":"Quill"})"));
  });
  CallResult result = PluginRequest(TAV_METHOD_GET, "/tav-summoner/v1/summoners/77?full=1", R"({"name":"Quill"})",
                                    R"([{"a":[1,2]}])");
  EXPECT_EQ(seen, R"(GET 77 full=1 Quill {"a":[1,2]})");
  EXPECT_EQ(Field(result, "status"), "200");
  EXPECT_EQ(Field(result, "error"), "null");
  EXPECT_EQ(Field(result, "value"), R"({"summonerLevel":31,"name":"Quill"})");

  // The record outlives the plugin's own copies of the arguments.
  ASSERT_EQ(core_.RequestsTo(TAV_METHOD_GET, "/tav-summoner/v1/summoners/77").size(), 1u);
  const RecordedRequest& record = core_.requests()[0];
  EXPECT_EQ(record.handled_by, "/tav-summoner/v1/summoners/{id}");
  EXPECT_EQ(JsonText(*record.request.Positional(0)), R"({"a":[1,2]})");
  EXPECT_THAT(core_.faults(), IsEmpty());
}

TEST_F(DevCoreRequest, MoreLiteralAndLaterPeersWin) {
  core_.AddPeerValue(0, "/tav-a/v1/*", R"("any method, star")");
  core_.AddPeerValue(TAV_METHOD_GET, "/tav-a/v1/{x}", R"("placeholder")");
  core_.AddPeerValue(TAV_METHOD_GET, "/tav-a/v1/{y}", R"("later placeholder")");
  core_.AddPeerValue(TAV_METHOD_GET, "/tav-a/v1/exact", R"("exact")");
  const struct {
    uint32_t method;
    const char* path;
    const char* value;
  } cases[] = {
      {TAV_METHOD_GET, "/tav-a/v1/exact", R"("exact")"},
      {TAV_METHOD_GET, "/tav-a/v1/other", R"("later placeholder")"},
      {TAV_METHOD_PUT, "/tav-a/v1/other", R"("any method, star")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Field(PluginRequest(c.method, c.path), "value"), c.value);
  }
}

TEST_F(DevCoreRequest, ChosenFailuresReachThePlugin) {
  core_.AddPeerError(TAV_METHOD_GET, "/tav-gameflow/v1/session", 500, "Gameflow is busy");
  core_.AddPeer(TAV_METHOD_GET, "/tav-collections/v1/inventories/{id}/rune-book",
                [](const PeerRequest&) { return PeerResponse::Unreachable(); });
  core_.AddPeer(TAV_METHOD_GET, "/tav-broken/v1/thing", [](const PeerRequest&) -> PeerResponse {
    throw std::runtime_error("sample data missing");
  });
  const struct {
    const char* path;
    const char* status;
    const char* error;
  } cases[] = {
      {"/tav-gameflow/v1/session", "500", R"("Gameflow is busy")"},
      {"/tav-collections/v1/inventories/4/rune-book", "503", R"("Service unavailable")"},
      {"/tav-broken/v1/thing", "500", R"("Peer failed: sample data missing")"},
      {"/tav-nothing/v1/here", "404", R"("Not found")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    CallResult result = PluginRequest(TAV_METHOD_GET, c.path);
    EXPECT_EQ(Field(result, "status"), c.status);
    EXPECT_EQ(Field(result, "error"), c.error);
  }
  EXPECT_THAT(core_.faults(), ElementsAre("peer for /tav-broken/v1/thing threw: sample data missing"));
  core_.SetUnroutedToResourceStore(false);
  EXPECT_EQ(Field(PluginRequest(TAV_METHOD_GET, "/tav-nothing/v1/here"), "error"),
            R"("No peer for GET /tav-nothing/v1/here")");
}

TEST_F(DevCoreRequest, ResourceStoreAnswersAndReportsChanges) {
  const char* path = "/tav-settings/v2/account/PerksPreferences/page-settings";
  Action("register", CallOptions().ArgText("name", "OnJsonApiEvent_tav-settings_v2_account"));
  EXPECT_EQ(Field(PluginRequest(TAV_METHOD_GET, path), "error"), R"("Not found")");
  PluginRequest(TAV_METHOD_PUT, path, "{}", R"([{"schemaVersion":5,"data":{"pages":[1]}}])");
  PluginRequest(TAV_METHOD_PATCH, path, "{}", R"([{"data":{"current":1},"extra":true}])");
  EXPECT_EQ(Field(PluginRequest(TAV_METHOD_GET, path), "value"),
            R"({"schemaVersion":5,"data":{"current":1},"extra":true})");
  PluginRequest(TAV_METHOD_DELETE, path);
  EXPECT_EQ(Field(PluginRequest(TAV_METHOD_DELETE, path), "status"), "404");
  EXPECT_EQ(Field(PluginRequest(TAV_METHOD_HEAD, path), "error"), R"("Method not allowed")");
  core_.RunUntilIdle();
  std::vector<std::string> types;
  for (const DeliveredEvent& event : core_.delivered_events()) types.push_back(event.payload["eventType"].GetString());
  EXPECT_THAT(types, ElementsAre("Create", "Update", "Delete"));
}

TEST_F(DevCoreRequest, EveryAnswerIsReleasedByThePlugin) {
  HostResponseCounts before = HostResponseStatistics();
  core_.AddPeerValue(TAV_METHOD_GET, "/tav-a/v1/b", R"({"x":["y"]})");
  PluginRequest(TAV_METHOD_GET, "/tav-a/v1/b");
  PluginRequest(TAV_METHOD_GET, "/tav-a/v1/missing");
  HostResponseCounts after = HostResponseStatistics();
  EXPECT_EQ(after.filled - before.filled, 2u);
  EXPECT_EQ(after.outstanding, before.outstanding);

  // A plugin that holds on to an answer shows up as outstanding.
  Action("request", CallOptions().Arg("method", "2").ArgText("url", "/tav-a/v1/b").Arg("keepRecord", "true"));
  EXPECT_EQ(HostResponseStatistics().outstanding, before.outstanding + 1);
  core_.Shutdown();  // the fake plugin releases it late
  EXPECT_EQ(HostResponseStatistics().outstanding, before.outstanding);
  EXPECT_EQ(HostResponseStatistics().foreign_releases, before.foreign_releases);
}

TEST_F(DevCoreRequest, StreamedAnswersInChosenChunks) {
  std::string big = "[" + std::string(8200, ' ') + "]";  // 8202 bytes of JSON
  const struct {
    const char* name;
    std::vector<uint32_t> chunks;
    std::string body;
    std::optional<uint32_t> fail_at_read;
    const char* reads;
    const char* yields;
    bool read_failed;
  } cases[] = {
      {"full reads need no yield", {4096, 4096, 10}, big, std::nullopt, "3", "0", false},
      {"a short read with more to come yields", {100}, std::string(150, 'x'), std::nullopt, "2", "1", false},
      {"nothing ready yet", {0, 0, 3}, "abc", std::nullopt, "3", "2", false},
      {"a failed read still releases", {2}, "abcd", 1u, "2", "1", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StreamPlan plan;
    plan.body = c.body;
    plan.chunks = c.chunks;
    plan.fail_at_read = c.fail_at_read;
    int id = core_.AddPeerStream(TAV_METHOD_GET, "/tav-game-data/assets/v1/perks.json", plan);
    uint64_t yields_before = core_.yield_count();
    CallResult result = PluginRequest(TAV_METHOD_GET, "/tav-game-data/assets/v1/perks.json");
    core_.RemovePeer(id);
    EXPECT_EQ(Field(result, "streamed"), "true");
    EXPECT_EQ(Field(result, "streamSize"), std::to_string(c.body.size()));
    EXPECT_EQ(Field(result, "reads"), c.reads);
    EXPECT_EQ(Field(result, "yields"), c.yields);
    EXPECT_EQ(Field(result, "readFailed"), c.read_failed ? "true" : "false");
    if (!c.read_failed) {
      EXPECT_EQ(std::string(JsonValue(Field(result, "body")).GetString()), c.body);
    }
    EXPECT_EQ(core_.yield_count() - yields_before, std::stoul(c.yields));
    EXPECT_EQ(core_.stream_stats()->outstanding(), 0u);
  }
  EXPECT_TRUE(core_.RequestsTo(TAV_METHOD_GET, "/tav-game-data/assets/v1/perks.json")[0]->streamed);
}

}  // namespace
}  // namespace tav::host
