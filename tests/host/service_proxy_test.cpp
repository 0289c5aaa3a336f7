// The login plugin's service-proxy endpoints as the development core plays
// them: the answer comes as an event, after the chosen number of passes.
#include "fake_plugin_fixture.h"

namespace tav::host {
namespace {

using ::testing::IsEmpty;

using ServiceProxyTest = FakePluginTest;

TEST_F(ServiceProxyTest, UuidRequestIsAnsweredByAnEventAfterTheChosenPasses) {
  core_.service_proxy().SetHandler("gamecustomization.setgamecustomization", [](const ServiceProxyCall& call) {
    return ServiceProxyAnswer{"{\"echo\":" + call.payload + "}", "200", ""};
  });
  core_.service_proxy().SetDelayPasses(3);
  CallResult started = PluginRequest(TAV_METHOD_POST, "/tav-login/v1/service-proxy-uuid-requests",
                                     R"({"service":"gamecustomization","method":"setgamecustomization",)"
                                     R"("payload":"{\"page\":7}"})");
  EXPECT_EQ(Field(started, "value"), R"("5e0c1a2b-0000-4000-8000-000000000001")");
  EXPECT_EQ(Received(), "[]");
  EXPECT_EQ(core_.RunUntilIdle(), 3u);
  EXPECT_EQ(Received(),
            R"([{"name":"OnServiceProxyUuidEvent","payload":{"uuid":"5e0c1a2b-0000-4000-8000-000000000001",)"
            R"("serviceName":"gamecustomization","methodName":"setgamecustomization",)"
            R"("payload":"{\"echo\":{\"page\":7}}","status":"200","error":""},"flag":0,"contextOk":true}])");
  ASSERT_EQ(core_.service_proxy().calls().size(), 1u);
  EXPECT_FALSE(core_.service_proxy().calls()[0].method_based);
  EXPECT_THAT(core_.faults(), IsEmpty());
}

TEST_F(ServiceProxyTest, MethodRequestAnswersEmptyAndSendsTheMethodEvent) {
  Action("register", CallOptions().ArgText("name", "OnServiceProxyMethodEvent").Arg("flag", "1"));
  core_.service_proxy().SetHandler("inventory.list", [](const ServiceProxyCall& call) {
    return ServiceProxyAnswer{"[\"" + call.callback + "\"]", "200", ""};
  });
  CallResult result = PluginRequest(TAV_METHOD_POST, "/tav-login/v1/service-proxy-method-requests",
                                    R"({"service":"inventory","method":"list","payload":"{}","callback":"onList"})");
  EXPECT_EQ(Field(result, "status"), "200");
  EXPECT_EQ(Field(result, "value"), "null");
  core_.RunUntilIdle();
  ASSERT_EQ(core_.delivered_events().size(), 1u);
  const DeliveredEvent& event = core_.delivered_events()[0];
  EXPECT_EQ(event.name, "OnServiceProxyMethodEvent");
  EXPECT_EQ(JsonText(event.payload),
            R"({"uuid":"5e0c1a2b-0000-4000-8000-000000000001","serviceName":"inventory","methodName":"list",)"
            R"("payload":"[\"onList\"]","status":"200","error":""})");
  EXPECT_TRUE(core_.service_proxy().calls()[0].method_based);
}

TEST_F(ServiceProxyTest, ChosenFailureRefusesTheRequest) {
  core_.service_proxy().FailRequests(503, "Service unavailable");
  CallResult result = PluginRequest(TAV_METHOD_POST, "/tav-login/v1/service-proxy-uuid-requests",
                                    R"({"service":"gamecustomization","method":"setgamecustomization","payload":"{}"})");
  EXPECT_EQ(Field(result, "status"), "503");
  EXPECT_EQ(Field(result, "error"), R"("Service unavailable")");
  ASSERT_EQ(core_.service_proxy().calls().size(), 1u);
  EXPECT_TRUE(core_.service_proxy().calls()[0].refused);
  core_.RunUntilIdle();
  EXPECT_THAT(core_.delivered_events(), IsEmpty());
}

}  // namespace
}  // namespace tav::host
