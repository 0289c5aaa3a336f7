// The login plugin's service-proxy endpoints as the development core plays
// them, driven by the fake plugin's wait for the answer event.
#include "fake_plugin_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ServiceProxyTest = FakePluginTest;

CallOptions ProxyCall(const std::string& service, const std::string& method, const std::string& payload) {
  return std::move(CallOptions().ArgText("service", service).ArgText("method", method).ArgText("payload", payload));
}

TEST_F(ServiceProxyTest, AnswerArrivesAfterTheChosenNumberOfPasses) {
  core_.service_proxy().SetHandler("gamecustomization.setgamecustomization", [](const ServiceProxyCall& call) {
    return ServiceProxyAnswer{"{\"echo\":" + call.payload + "}", "200", ""};
  });
  for (uint32_t delay : {1u, 3u}) {
    SCOPED_TRACE(delay);
    core_.ClearRecords();
    core_.service_proxy().SetDelayPasses(delay);
    CallResult result = Action("proxy", ProxyCall("gamecustomization", "setgamecustomization", R"({"page":7})"));
    EXPECT_EQ(Field(result, "arrivedBeforeStored"), "false");
    EXPECT_EQ(Field(result, "yields"), std::to_string(delay));
    EXPECT_THAT(core_.wait_labels(), ElementsAre("Wait: proxy"));
    rapidjson::Document answer = JsonValue(Field(result, "answer"));
    EXPECT_EQ(std::string(answer["uuid"].GetString()), JsonValue(Field(result, "uuid")).GetString());
    EXPECT_EQ(std::string(answer["serviceName"].GetString()), "gamecustomization");
    EXPECT_EQ(std::string(answer["methodName"].GetString()), "setgamecustomization");
    EXPECT_EQ(std::string(answer["payload"].GetString()), R"({"echo":{"page":7}})");
    EXPECT_EQ(std::string(answer["status"].GetString()), "200");
    EXPECT_EQ(std::string(answer["error"].GetString()), "");
  }
  ASSERT_EQ(core_.service_proxy().calls().size(), 2u);
  const ServiceProxyCall& call = core_.service_proxy().calls()[1];
  EXPECT_EQ(call.uuid, "5e0c1a2b-0000-4000-8000-000000000002");
  EXPECT_EQ(call.payload, R"({"page":7})");
  EXPECT_FALSE(call.method_based);
  EXPECT_THAT(core_.faults(), IsEmpty());
}

TEST_F(ServiceProxyTest, AnswerCanArriveBeforeTheRequestIsStored) {
  core_.service_proxy().SetDelayPasses(0);
  core_.service_proxy().SetHandler("gamecustomization.getgamecustomization",
                                   [](const ServiceProxyCall&) { return ServiceProxyAnswer{"[]", "200", ""}; });
  CallResult result = Action("proxy", ProxyCall("gamecustomization", "getgamecustomization", "{}"));
  EXPECT_EQ(Field(result, "arrivedBeforeStored"), "true");
  EXPECT_EQ(Field(result, "yields"), "0");
  EXPECT_THAT(core_.wait_labels(), IsEmpty());
}

TEST_F(ServiceProxyTest, ChosenFailureRefusesTheRequest) {
  core_.service_proxy().FailRequests(503, "Service unavailable");
  CallResult result = Action("proxy", ProxyCall("gamecustomization", "setgamecustomization", "{}"));
  EXPECT_EQ(Field(result, "error"), R"("Service unavailable")");
  EXPECT_EQ(Field(result, "status"), "503");
  ASSERT_EQ(core_.service_proxy().calls().size(), 1u);
  EXPECT_TRUE(core_.service_proxy().calls()[0].refused);
  core_.RunUntilIdle();
  EXPECT_THAT(core_.delivered_events(), IsEmpty());
}

TEST_F(ServiceProxyTest, MethodBasedRequestAnswersEmptyAndSendsTheMethodEvent) {
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

}  // namespace
}  // namespace tav::host
