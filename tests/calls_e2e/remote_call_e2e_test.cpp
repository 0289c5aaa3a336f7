// Remote calls of the plugin answered by the development core's peers.
#include "calls_e2e_fixture.h"

namespace tav::host {
namespace {


using RemoteCallE2eTest = CallsE2eTest;

TEST_F(RemoteCallE2eTest, PeerErrorBecomesAFailureWithItsStatus) {
  core_.AddPeerError(TAV_METHOD_GET, "/tav-remote/v1/x", 404, "Not found");
  CallResult result = core_.Get("/calls-e2e/v1/fetch?url=/tav-remote/v1/x");
  EXPECT_EQ(result.status, 404u);
  EXPECT_EQ(result.error, "Error response for GET /tav-remote/v1/x: Not found");
}

TEST_F(RemoteCallE2eTest, AnswerOfTheWrongTypeFailsWithoutStatus) {
  core_.SetResource("/tav-remote/v1/number", R"("twelve")");
  CallResult result = core_.Get("/calls-e2e/v1/fetch-number?url=/tav-remote/v1/number");
  EXPECT_EQ(result.status, 0u);
  EXPECT_EQ(result.error,
            "Error converting response for GET /tav-remote/v1/number: "
            "Value twelve for '<result>' of type int32 is in an incorrect format");
}

TEST_F(RemoteCallE2eTest, StreamedAnswersAreReadInBlocks) {
  struct Case {
    const char* description;
    std::vector<uint32_t> chunks;
    size_t body_size;
    uint64_t reads;
    size_t yields;
  };
  const std::vector<Case> cases = {
      {"4096, 4096 and 10 bytes", {4096, 4096, 10}, 8202, 3, 0},
      {"100 bytes, then the rest after a pass", {100}, 300, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    core_.ClearRecords();
    StreamPlan plan;
    plan.body = "[" + std::string(c.body_size - 3, ' ') + "5]";
    plan.chunks = c.chunks;
    const int peer = core_.AddPeerStream(TAV_METHOD_GET, "/tav-remote/v1/stream", plan);
    const uint64_t reads_before = core_.stream_stats()->reads.load();
    CallResult result = core_.Get("/calls-e2e/v1/fetch?url=/tav-remote/v1/stream");
    core_.RemovePeer(peer);
    ASSERT_TRUE(result.ok()) << result.Summary();
    EXPECT_EQ(result.ValueJson(), "[5]");
    EXPECT_EQ(core_.stream_stats()->reads.load() - reads_before, c.reads);
    EXPECT_EQ(core_.wait_labels(), std::vector<std::string>(c.yields, "Wait: yield"));
    EXPECT_EQ(core_.stream_stats()->outstanding(), 0u);
  }
}

}  // namespace
}  // namespace tav::host
