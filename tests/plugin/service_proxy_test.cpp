#include "plugin/service_proxy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loaded_plugin.h"

namespace tav {
namespace service_proxy_test {

using Strings = std::vector<std::string>;

using test::Thing;

// The text of the request's argument `name`.
std::string TextArgument(const RequestRecord* request, const std::string& name) {
  for (uint32_t i = 0; i < request->argument_count; ++i) {
    if (request->arguments[i].name != name) continue;
    const std::string json = CoreValueJson(request->arguments[i].value);
    return json.substr(1, json.size() - 2);
  }
  return "<none>";
}

// Plays the login plugin's service-proxy endpoints: each request is answered
// with the next uuid, and the service's answer event comes on the core's next
// Yield, or inside the request (before the plugin has stored it).
class ServiceProxyTest : public CallsTest {
 protected:
  ServiceProxyTest() {
    core.on_request = [this](ResponseRecord* response, const RequestRecord* request) {
      requests.push_back(SeenArguments(request));
      const bool by_uuid = std::string(request->url) == "/tav-login/v1/service-proxy-uuid-requests";
      const std::string uuid = "uuid-" + std::to_string(requests.size());
      AnswerJson(response, by_uuid ? "\"" + uuid + "\"" : "null");
      pending = [this, by_uuid, uuid, service = TextArgument(request, "service"),
                 method = TextArgument(request, "method")] {
        Deliver(by_uuid ? "OnServiceProxyUuidEvent" : "OnServiceProxyMethodEvent", uuid, service,
                method);
      };
      if (answer_inside_request) pending();
    };
    core.on_yield = [this] {
      std::function<void()> run = std::move(pending);
      pending = nullptr;
      if (run) run();
    };
  }

  // Sends the answer event through the callback Initialize registered.
  void Deliver(const char* event, const std::string& uuid, const std::string& service = "",
               const std::string& method = "") {
    BindingProperty answer;
    answer.MutableField("uuid").SetString(uuid);
    answer.MutableField("serviceName").SetString(service);
    answer.MutableField("methodName").SetString(method);
    answer.MutableField("payload").SetString(reply_payload);
    answer.MutableField("status").SetString("200");
    answer.MutableField("error").SetString(reply_error);
    CoreValue value{};
    ToCoreValue(answer, nullptr, &value);
    core.Deliver(event, value, 1);
    ReleaseCoreValue(&value);
  }

  std::vector<Strings> requests;  // the arguments of each
  std::function<void()> pending;
  std::string reply_payload = R"({"id": 2})";
  std::string reply_error;
  bool answer_inside_request = false;
};

TEST_F(ServiceProxyTest, AnswerAfterOrBeforeTheRequestIsStoredIsAwaitedAndConverted) {
  for (bool inside : {false, true}) {
    SCOPED_TRACE(inside ? "inside the request" : "on the next yield");
    answer_inside_request = inside;
    core.logs.clear();
    MaybeType<Failure, Thing> result =
        module.CallServiceProxy<Thing>("gamecustomization", "setloadout", Thing{1, "Ember"});
    ASSERT_TRUE(result.ok()) << result.failure().message;
    EXPECT_EQ(result.value().id, 2);
    const std::string uuid = "uuid-" + std::to_string(requests.size());
    EXPECT_EQ(core.LogMessages(3),
              (Strings{"tav-perks: Preparing service proxy request: gamecustomization.setloadout",
                       "tav-perks: Started service proxy request: gamecustomization.setloadout (" +
                           uuid + ")",
                       "tav-perks: Fulfilled service proxy request: " + uuid}));
  }
  EXPECT_EQ(core.request_urls, Strings(2, "/tav-login/v1/service-proxy-uuid-requests"));
  EXPECT_EQ(requests[0],
            (Strings{R"(method="setloadout")", R"(payload="{\"id\":1,\"name\":\"Ember\"}")",
                     R"(service="gamecustomization")"}));
  // Only the answer that came later was waited for.
  EXPECT_EQ(core.yield_count, 1);
  EXPECT_EQ(core.wait_labels,
            Strings{"Wait: future<tav::MaybeType<tav::Failure, tav::test::Thing>>"});
  EXPECT_EQ(core.end_wait_count, 1);
}

TEST_F(ServiceProxyTest, AnswersBecomeFailuresOrValues) {
  struct Case {
    const char* description;
    std::string payload;
    std::string error;
    const char* message;  // null: success
  };
  const std::vector<Case> cases = {
      {"an error text", "{}", "Service unavailable: gamecustomization",
       "Service unavailable: gamecustomization"},
      {"a payload that is not JSON", "slot=2", "",
       R"(Failed to deserialize response payload "slot=2" to a tav::test::Thing)"},
      {"a payload of the wrong shape", R"({"id": "two"})", "",
       R"(Failed to deserialize response payload "{"id": "two"}" to a tav::test::Thing)"},
      {"a good payload", R"({"id": 6})", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    reply_payload = c.payload;
    reply_error = c.error;
    MaybeType<Failure, Thing> result =
        module.CallServiceProxy<Thing>("gamecustomization", "getloadout", int32_t{3});
    if (c.message == nullptr) {
      ASSERT_TRUE(result.ok()) << result.failure().message;
      EXPECT_EQ(result.value().id, 6);
      continue;
    }
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure().message, c.message);
    EXPECT_EQ(result.failure().status, 0u);
  }
}

TEST_F(ServiceProxyTest, MethodBasedRequestInFlightRefusesASecondOne) {
  Strings handled;
  auto handler = [&](const PluginServiceProxyResponse& response) {
    handled.push_back(response.payload);
  };
  reply_payload = "first";
  EXPECT_EQ(module.InvokeServiceProxy("gamecustomization", "watch", std::string("a"), "onwatch",
                                      handler),
            "");
  EXPECT_EQ(module.InvokeServiceProxy("gamecustomization", "watch", std::string("b"), "onwatch",
                                      handler),
            "Request already in flight");
  EXPECT_EQ(core.request_urls, Strings{"/tav-login/v1/service-proxy-method-requests"});
  EXPECT_EQ(requests[0], (Strings{R"(callback="onwatch")", R"(method="watch")",
                                  R"(payload="\"a\"")", R"(service="gamecustomization")"}));
  EXPECT_EQ(core.LogMessages(2),
            Strings{"tav-perks: Could not invoke service proxy as request is already in flight"});

  // The answer comes on the next pass of the core; then the key is free.
  core.interface.Yield(&core.interface);
  EXPECT_EQ(handled, Strings{"first"});
  EXPECT_EQ(core.LogMessages(3).back(),
            "tav-perks: Fulfilled service proxy request: gamecustomization.watch");
  EXPECT_EQ(
      module.InvokeServiceProxy("gamecustomization", "watch", std::string("c"), "onwatch", handler),
      "");
}

TEST_F(ServiceProxyTest, RequestsThatAreNotStartedSayWhy) {
  core.on_request = [](ResponseRecord* response, const RequestRecord*) {
    AnswerError(response, 503, "Login session gone");
  };
  MaybeType<Failure, Thing> refused =
      module.CallServiceProxy<Thing>("gamecustomization", "getloadout", std::string("perks"));
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(
      refused.failure().message,
      "Error response for POST /tav-login/v1/service-proxy-uuid-requests: Login session gone");
  EXPECT_EQ(refused.failure().status, 0u);  // the reason is a text, without the call's status

  MaybeType<Failure, Thing> unconvertible =
      module.CallServiceProxy<Thing>("gamecustomization", "getloadout", test::Unregistered{});
  ASSERT_FALSE(unconvertible.ok());
  EXPECT_EQ(unconvertible.failure().message,
            "Failed to convert type tav::test::Unregistered to BindingProperty "
            "for serialization");
  EXPECT_EQ(core.request_urls.size(), 1u);
  EXPECT_EQ(core.yield_count, 0);
}

TEST_F(ServiceProxyTest, RequestDisplacedBySameUuidFailsInsteadOfAborting) {
  // The login plugin hands out one uuid twice: a call made while the first
  // waits takes over its entry. The first must get a Failure, not a broken
  // promise (which would end the process).
  core.on_request = [](ResponseRecord* response, const RequestRecord*) {
    AnswerJson(response, R"("uuid-twin")");
  };
  std::string inner = "<not run>";
  core.on_yield = [&] {
    if (core.yield_count == 1) {
      MaybeType<Failure, Thing> nested =
          module.CallServiceProxy<Thing>("gamecustomization", "getloadout", int32_t{2});
      inner = nested.ok() ? std::to_string(nested.value().id) : nested.failure().message;
      return;
    }
    reply_payload = R"({"id": 5})";
    Deliver("OnServiceProxyUuidEvent", "uuid-twin");
  };
  MaybeType<Failure, Thing> outer =
      module.CallServiceProxy<Thing>("gamecustomization", "getloadout", int32_t{1});
  ASSERT_FALSE(outer.ok());
  EXPECT_EQ(outer.failure().message, "Service proxy request was dropped before its answer arrived");
  EXPECT_EQ(inner, "5");
  EXPECT_EQ(core.request_urls.size(), 2u);
}

TEST_F(ServiceProxyTest, AsyncEventsGoToTheirHandlerOrAreLogged) {
  Strings handled;
  module.SetServiceProxyAsyncHandler("gamecustomization", "pushed",
                                     [&](const PluginServiceProxyResponse& response) {
                                       handled.push_back(response.payload);
                                     });
  PluginServiceProxyResponse pushed;
  pushed.serviceName = "gamecustomization";
  pushed.methodName = "pushed";
  pushed.payload = "[1]";
  module.HandleServiceProxyAsyncEvent(pushed);
  pushed.methodName = "stray";
  module.HandleServiceProxyAsyncEvent(pushed);
  EXPECT_EQ(handled, Strings{"[1]"});
  EXPECT_EQ(core.LogMessages(2), Strings{"tav-perks: Could not find registered handler for async "
                                         "service proxy event gamecustomization.stray"});
}

// Asks for a service-proxy request while it is being shut down.
class FinalizingModule : public AppModule {
 public:
  void Finalize() override {
    reason = InvokeServiceProxy("gamecustomization", "watch", int32_t{1}, "",
                                [](const PluginServiceProxyResponse&) {});
    AppModule::Finalize();
  }
  static inline std::string reason;
};

TEST(ServiceProxy, NoRequestIsMadeWhileShuttingDown) {
  FakeCore core;
  {
    LoadedPlugin<FinalizingModule> plugin;
    ASSERT_TRUE(plugin.Initialize(core));
  }
  EXPECT_EQ(FinalizingModule::reason, "Finalizing");
  EXPECT_TRUE(core.request_urls.empty());
}

}  // namespace service_proxy_test
}  // namespace tav
