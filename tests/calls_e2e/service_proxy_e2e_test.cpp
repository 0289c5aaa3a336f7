// Service-proxy calls through the development core's login peer, including
// the wait during which the core keeps delivering work to the module.
#include "calls_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ServiceProxyE2eTest : public CallsE2eTest {
 protected:
  void SetUp() override {
    CallsE2eTest::SetUp();
    core_.service_proxy().SetHandler("vault.weigh", [](const ServiceProxyCall& call) {
      rapidjson::Document purse = JsonValue(call.payload);
      std::string owner = purse.HasMember("owner") ? purse["owner"].GetString() : "";
      return ServiceProxyAnswer{R"({"owner":")" + owner + R"x( (weighed)","coins":[{"value":12}]})x",
                                "200", ""};
    });
  }

  CallResult Weigh(const std::string& owner) {
    return core_.Call(TAV_METHOD_POST, "/calls-e2e/v1/weigh",
                      JsonBody(R"({"owner":")" + owner + R"(","coins":[{"value":1,"mint":"Ashford"}]})"));
  }
};

TEST_F(ServiceProxyE2eTest, AnswerAfterOrBeforeTheRequestIsStored) {
  for (uint32_t delay : {2u, 0u}) {
    SCOPED_TRACE(delay);
    core_.ClearRecords();
    core_.service_proxy().SetDelayPasses(delay);
    CallResult result = Weigh("Isolde");
    ASSERT_TRUE(result.ok()) << result.Summary();
    EXPECT_EQ(result.ValueJson(), R"x({"coins":[{"mint":"","value":12}],"owner":"Isolde (weighed)"})x");
    EXPECT_EQ(core_.wait_labels().size(), delay == 0 ? 0u : 1u);
    const ServiceProxyCall& call = core_.service_proxy().calls().back();
    EXPECT_EQ(call.payload, R"({"coins":[{"mint":"Ashford","value":1}],"owner":"Isolde"})");
    EXPECT_THAT(LogMessages(3),
                ElementsAre("tav-calls-e2e: Preparing service proxy request: vault.weigh",
                            "tav-calls-e2e: Started service proxy request: vault.weigh (" +
                                call.uuid + ")",
                            "tav-calls-e2e: Fulfilled service proxy request: " + call.uuid));
  }
}

TEST_F(ServiceProxyE2eTest, SecondMethodRequestIsRefusedWhileTheFirstWaits) {
  core_.service_proxy().SetHandler("vault.watch", [](const ServiceProxyCall& call) {
    return ServiceProxyAnswer{call.payload, "200", ""};
  });
  CallResult result = core_.Call(TAV_METHOD_POST, "/calls-e2e/v1/watch-twice?payload=ledger");
  ASSERT_TRUE(result.ok()) << result.Summary();
  EXPECT_EQ(result.ValueJson(), R"(["","Request already in flight"])");
  ASSERT_EQ(core_.service_proxy().calls().size(), 1u);
  EXPECT_TRUE(core_.service_proxy().calls()[0].method_based);
  EXPECT_EQ(core_.service_proxy().calls()[0].callback, "onwatch");
  EXPECT_EQ(core_.service_proxy().calls()[0].payload, R"("ledger")");
  EXPECT_THAT(LogMessages(2),
              ElementsAre("tav-calls-e2e: Could not invoke service proxy as request is already in flight"));
  core_.RunUntilIdle();
  EXPECT_EQ(LogMessages(3).back(), "tav-calls-e2e: Fulfilled service proxy request: vault.watch");
}

TEST_F(ServiceProxyE2eTest, RequestWhileShuttingDownIsRefusedWithoutACall) {
  ASSERT_TRUE(core_.Call(TAV_METHOD_POST, "/calls-e2e/v1/finalize-probe").ok());
  core_.Shutdown();
  EXPECT_THAT(LogMessages(3), ElementsAre("calls-e2e: a request while finalizing: Finalizing"));
  EXPECT_THAT(core_.service_proxy().calls(), IsEmpty());
}

TEST_F(ServiceProxyE2eTest, WaitingHandlerLetsOtherWorkRunAndThenGetsItsAnswer) {
  core_.service_proxy().SetDelayPasses(4);
  ASSERT_TRUE(core_.Call(TAV_METHOD_POST, "/calls-e2e/v1/watch?path=/tav-remote/v1/totem").ok());
  // Queued now, run by the core inside the wait that the next call begins.
  std::future<CallResult> tick = core_.PostCall(TAV_METHOD_POST, "/calls-e2e/v1/tick");
  core_.Post([this] { core_.SetResource("/tav-remote/v1/totem", R"({"level": 6})"); });

  CallResult weighed = Weigh("Corwin");
  ASSERT_TRUE(weighed.ok()) << weighed.Summary();
  EXPECT_EQ(weighed.ValueJson(), R"x({"coins":[{"mint":"","value":12}],"owner":"Corwin (weighed)"})x");
  ASSERT_EQ(tick.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  CallResult ticked = tick.get();
  EXPECT_EQ(ticked.ValueJson(), "1");

  CallResult report = core_.Get("/calls-e2e/v1/report");
  EXPECT_EQ(report.ValueJson(),
            R"({"counter":1,"events":["tick while 1 proxy call(s) wait",)"
            R"("/tav-remote/v1/totem /tav-remote/v1/totem Create 6"],"proxiesWaiting":0})");
  EXPECT_EQ(core_.wait_labels(),
            std::vector<std::string>{"Wait: future<tav::MaybeType<tav::Failure, tav::calls_e2e::Purse>>"});
}

}  // namespace
}  // namespace tav::host
