// Requests of the plugin to the development core: the answers of peers, of
// the resource store and of the core itself, and the records the core fills
// for them, each released once, with streams read in the chunks a test plans.
#include "fake_plugin_fixture.h"
#include "host/host_response.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;

using DevCoreRequest = FakePluginTest;

TEST_F(DevCoreRequest, AnswersAndFailuresReachThePlugin) {
  core_.AddPeerValue(TAV_METHOD_GET, "/tav-summoner/v1/summoners/{id}", R"({"summonerLevel":31})");
  core_.AddPeerError(TAV_METHOD_GET, "/tav-gameflow/v1/session", 500, "Gameflow is busy");
  core_.AddPeer(TAV_METHOD_GET, "/tav-broken/v1/thing", [](const PeerRequest&) -> PeerResponse {
    throw std::runtime_error("sample data missing");
  });
  const HostResponseCounts before = HostResponseStatistics();
  const struct {
    uint32_t method;
    const char* path;
    const char* answer;  // status, error and value
  } cases[] = {
      {TAV_METHOD_GET, "/tav-summoner/v1/summoners/77", R"(200 null {"summonerLevel":31})"},
      {TAV_METHOD_GET, "/tav-gameflow/v1/session", R"(500 "Gameflow is busy" null)"},
      {TAV_METHOD_GET, "/tav-broken/v1/thing", R"(500 "Peer failed: sample data missing" null)"},
      // Requests no peer takes go to the resource store.
      {TAV_METHOD_GET, "/tav-nothing/v1/here", R"(404 "Not found" null)"},
      {TAV_METHOD_HEAD, "/tav-nothing/v1/here", R"(405 "Method not allowed" null)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    CallResult result = PluginRequest(c.method, c.path);
    EXPECT_EQ(Field(result, "status") + " " + Field(result, "error") + " " + Field(result, "value"),
              c.answer);
  }
  core_.SetUnroutedToResourceStore(false);
  EXPECT_EQ(Field(PluginRequest(TAV_METHOD_GET, "/tav-nothing/v1/here"), "error"),
            R"("No peer for GET /tav-nothing/v1/here")");
  EXPECT_THAT(core_.faults(),
              ElementsAre("peer for /tav-broken/v1/thing threw: sample data missing"));
  const HostResponseCounts after = HostResponseStatistics();
  EXPECT_EQ(after.filled - before.filled, 6u);
  EXPECT_EQ(after.outstanding, before.outstanding);
}

TEST(HostResponse, StreamsGiveTheirBodyInThePlannedChunks) {
  const HostResponseCounts before = HostResponseStatistics();
  const std::string big(8202, 'b');
  const struct {
    const char* name;
    std::vector<uint32_t> chunks;
    std::string body;
    std::optional<uint32_t> fail_at_read;
    const char* reads;  // the length of each read, "+" when more follows, "!" for a failed read
  } cases[] = {
      {"full reads", {4096, 4096, 10}, big, std::nullopt, "4096+ 4096+ 10"},
      {"a chunk larger than the read comes in two", {5000}, big, std::nullopt, "4096+ 904+ 3202"},
      {"nothing ready yet", {0, 0, 3}, "abc", std::nullopt, "0+ 0+ 3"},
      {"a failed read", {2}, "abcd", 1u, "2+ !"},
  };
  auto stats = std::make_shared<StreamStats>();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StreamPlan plan;
    plan.body = c.body;
    plan.chunks = c.chunks;
    plan.fail_at_read = c.fail_at_read;
    ResponseRecord record;
    FillHostResponse(&record, PeerResponse::Streamed(plan), stats);
    EXPECT_EQ(static_cast<uint64_t>(record.stream_size), c.body.size());
    std::string body;
    std::string reads;
    char buffer[4096];
    for (uint8_t more = 1; more;) {
      uint32_t length = sizeof(buffer);
      if (!reads.empty()) reads += " ";
      if (!record.stream_read(record.stream, buffer, &length, &more)) {
        reads += "!";
        break;
      }
      body.append(buffer, length);
      reads += std::to_string(length) + (more ? "+" : "");
    }
    EXPECT_EQ(reads, c.reads);
    if (!c.fail_at_read) {
      EXPECT_EQ(body, c.body);
    }
    record.stream_release(record.stream);
    record.record_release(&record);
  }
  EXPECT_EQ(stats->created.load(), 4u);
  EXPECT_EQ(stats->outstanding(), 0u);

  // A second release of a record is counted apart, not as a release.
  ResponseRecord record;
  FillHostResponse(&record, PeerResponse::Error(503, "Service unavailable"), nullptr);
  record.record_release(&record);
  HostRecordRelease(&record);
  const HostResponseCounts after = HostResponseStatistics();
  EXPECT_EQ(after.filled - before.filled, 5u);
  EXPECT_EQ(after.outstanding, before.outstanding);
  EXPECT_EQ(after.foreign_releases - before.foreign_releases, 1u);
}

}  // namespace
}  // namespace tav::host
