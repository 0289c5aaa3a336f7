#include "plugin/service_proxy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "binding/type_registration.h"
#include "calls_fixture.h"

namespace tav {
namespace service_proxy_test {

struct Loadout {
  int32_t slot = 0;
  std::vector<int32_t> runes;
};

struct NotRegistered {
  int32_t slot = 0;
};

using Line = CapturedLog::Line;

// Plays the login plugin's service-proxy endpoints. Each uuid request is
// answered with the next uuid; the answer event comes either inside the
// request (before the plugin has stored it) or on the core's next Yield.
class ServiceProxyTest : public CallsTest {
 protected:
  ServiceProxyTest() {
    RegisterStruct<Loadout>(module.registry(), "TestLoadout")
        .Field("slot", &Loadout::slot)
        .Field("runes", &Loadout::runes)
        .Commit();
    core.on_request = [this](ResponseRecord* response, const RequestRecord* request) {
      requests.push_back({request->url, SeenArguments(request)});
      if (refuse_with != nullptr) {
        AnswerError(response, 503, refuse_with);
        return;
      }
      const bool uuid_based =
          std::string(request->url) == "/tav-login/v1/service-proxy-uuid-requests";
      PluginServiceProxyResponse answer;
      answer.uuid = "uuid-" + std::to_string(requests.size());
      answer.serviceName = Argument("service");
      answer.methodName = Argument("method");
      answer.payload = reply_payload;
      answer.status = "200";
      answer.error = reply_error;
      if (uuid_based) {
        AnswerJson(response, "\"" + answer.uuid + "\"");
      } else {
        AnswerJson(response, "null");
      }
      if (answer_inside_request) {
        Deliver(uuid_based, answer);
      } else {
        core.on_yield = [this, uuid_based, answer] {
          ServiceProxyTest* self = this;
          const bool by_uuid = uuid_based;
          const PluginServiceProxyResponse delivered = answer;
          self->core.on_yield = nullptr;  // destroys this closure
          self->Deliver(by_uuid, delivered);
        };
      }
    };
  }

  // As the core delivers it: through the event callback that Initialize
  // registered for the event's name.
  void Deliver(bool uuid_based, const PluginServiceProxyResponse& answer) {
    BindingProperty payload;
    payload.MutableField("uuid").SetString(answer.uuid);
    payload.MutableField("serviceName").SetString(answer.serviceName);
    payload.MutableField("methodName").SetString(answer.methodName);
    payload.MutableField("payload").SetString(answer.payload);
    payload.MutableField("status").SetString(answer.status);
    payload.MutableField("error").SetString(answer.error);
    CoreValue value{};
    ToCoreValue(payload, nullptr, &value);
    core.Deliver(uuid_based ? "OnServiceProxyUuidEvent" : "OnServiceProxyMethodEvent", value, 1);
    ReleaseCoreValue(&value);
  }

  // The text of the last request's argument of that name, JSON quotes off.
  std::string Argument(const std::string& name) const {
    for (const SeenArgument& argument : requests.back().arguments) {
      if (argument.name == name) return argument.json.substr(1, argument.json.size() - 2);
    }
    return "<none>";
  }

  struct Sent {
    std::string url;
    std::vector<SeenArgument> arguments;
  };
  std::vector<Sent> requests;
  std::string reply_payload = R"({"slot": 2, "runes": [8005, 8009]})";
  std::string reply_error;
  bool answer_inside_request = false;
  const char* refuse_with = nullptr;
};

TEST_F(ServiceProxyTest, AnswerAfterTheRequestIsStoredIsAwaitedAndConverted) {
  MaybeType<Failure, Loadout> result =
      module.CallServiceProxy<Loadout>("gamecustomization", "setloadout", Loadout{1, {8100}});
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_EQ(result.value().slot, 2);
  EXPECT_EQ(result.value().runes, (std::vector<int32_t>{8005, 8009}));

  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].url, "/tav-login/v1/service-proxy-uuid-requests");
  EXPECT_EQ(requests[0].arguments,
            (std::vector<SeenArgument>{{"method", R"("setloadout")"},
                                       {"payload", R"("{\"runes\":[8100],\"slot\":1}")"},
                                       {"service", R"("gamecustomization")"}}));
  EXPECT_EQ(core.yield_count, 1);
  EXPECT_EQ(core.wait_labels.size(), 1u);
  EXPECT_EQ(core.end_wait_count, 1);
  EXPECT_EQ(log.lines,
            (std::vector<Line>{
                {kLogLevelAlways, "tav-perks: Preparing service proxy request: gamecustomization.setloadout"},
                {kLogLevelAlways, "tav-perks: Started service proxy request: gamecustomization.setloadout (uuid-1)"},
                {kLogLevelAlways, "tav-perks: Fulfilled service proxy request: uuid-1"},
            }));
}

TEST_F(ServiceProxyTest, AnswersBecomeFailuresOrValues) {
  struct Case {
    const char* description;
    std::string payload;
    std::string error;
    const char* message;  // null: success
  };
  const std::vector<Case> cases = {
      {"an error text", "{}", "Service unavailable: gamecustomization", "Service unavailable: gamecustomization"},
      {"a payload that is not JSON", "slot=2", "",
       R"(Failed to deserialize response payload "slot=2" to a tav::service_proxy_test::Loadout)"},
      {"a payload of the wrong shape", R"({"slot": "two"})", "",
       R"(Failed to deserialize response payload "{"slot": "two"}" to a tav::service_proxy_test::Loadout)"},
      {"an empty payload", "", "",
       R"(Failed to deserialize response payload "" to a tav::service_proxy_test::Loadout)"},
      {"a good payload", R"({"slot": 6})", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    reply_payload = c.payload;
    reply_error = c.error;
    MaybeType<Failure, Loadout> result =
        module.CallServiceProxy<Loadout>("gamecustomization", "getloadout", int32_t{3});
    if (c.message == nullptr) {
      ASSERT_TRUE(result.ok()) << result.failure().message;
      EXPECT_EQ(result.value().slot, 6);
      continue;
    }
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure().message, c.message);
    EXPECT_EQ(result.failure().status, 0u);
  }
}

TEST_F(ServiceProxyTest, RequestsThatAreNotStartedSayWhy) {
  refuse_with = "Login session gone";
  MaybeType<Failure, Loadout> refused =
      module.CallServiceProxy<Loadout>("gamecustomization", "getloadout", std::string("perks"));
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.failure().message,
            "Error response for POST /tav-login/v1/service-proxy-uuid-requests: Login session gone");
  EXPECT_EQ(refused.failure().status, 0u);  // the reason is a text, without the call's status

  MaybeType<Failure, Loadout> unconvertible =
      module.CallServiceProxy<Loadout>("gamecustomization", "getloadout", NotRegistered{});
  ASSERT_FALSE(unconvertible.ok());
  EXPECT_EQ(unconvertible.failure().message,
            "Failed to convert type tav::service_proxy_test::NotRegistered to BindingProperty "
            "for serialization");
  EXPECT_EQ(requests.size(), 1u);
  EXPECT_EQ(core.yield_count, 0);
}

TEST_F(ServiceProxyTest, MethodBasedRequestInFlightRefusesASecondOne) {
  std::vector<std::string> handled;
  auto handler = [&](const PluginServiceProxyResponse& response) {
    handled.push_back(response.serviceName + "/" + response.methodName + "/" + response.payload);
  };
  reply_payload = "first";
  EXPECT_EQ(module.InvokeServiceProxy("gamecustomization", "watch", std::string("a"), "onwatch",
                                      handler),
            "");
  EXPECT_EQ(module.InvokeServiceProxy("gamecustomization", "watch", std::string("b"), "onwatch",
                                      handler),
            "Request already in flight");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].url, "/tav-login/v1/service-proxy-method-requests");
  EXPECT_EQ(requests[0].arguments,
            (std::vector<SeenArgument>{{"callback", R"("onwatch")"},
                                       {"method", R"("watch")"},
                                       {"payload", R"("\"a\"")"},
                                       {"service", R"("gamecustomization")"}}));
  std::vector<Line> errors;
  for (const Line& line : log.lines) {
    if (line.level == kLogLevelError) errors.push_back(line);
  }
  EXPECT_EQ(errors, (std::vector<Line>{{kLogLevelError,
                                        "tav-perks: Could not invoke service proxy as request "
                                        "is already in flight"}}));

  // The answer comes on the next pass of the core; then the key is free.
  core.interface.Yield(&core.interface);
  EXPECT_EQ(handled, std::vector<std::string>{"gamecustomization/watch/first"});
  EXPECT_EQ(log.lines.back().text,
            "tav-perks: Fulfilled service proxy request: gamecustomization.watch");
  EXPECT_EQ(module.InvokeServiceProxy("gamecustomization", "watch", std::string("c"), "onwatch",
                                      handler),
            "");
  EXPECT_EQ(requests.size(), 2u);
}

TEST_F(ServiceProxyTest, UnclaimedAnswerWaitsForItsRequest) {
  PluginServiceProxyResponse early;
  early.uuid = "uuid-1";
  early.payload = R"({"slot": 11})";
  module.HandleServiceProxyUuidEvent(early);  // nobody waits yet: kept
  // The request then gets that uuid; its own answer (uuid-1 again, later)
  // is never needed.
  answer_inside_request = false;
  reply_payload = R"({"slot": 99})";
  MaybeType<Failure, Loadout> result =
      module.CallServiceProxy<Loadout>("gamecustomization", "setloadout", Loadout{});
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result.value().slot, 11);
  EXPECT_EQ(core.yield_count, 0);
}

TEST_F(ServiceProxyTest, RequestDisplacedBySameUuidFailsInsteadOfAborting) {
  // The login plugin hands out one uuid twice: a call made while the first
  // waits takes over its entry. The first must get a Failure, not a broken
  // promise (which would end the process).
  core.on_request = [this](ResponseRecord* response, const RequestRecord* request) {
    requests.push_back({request->url, SeenArguments(request)});
    AnswerJson(response, R"("uuid-twin")");
  };
  std::string inner = "<not run>";
  int yields = 0;
  core.on_yield = [&] {
    if (++yields == 1) {
      MaybeType<Failure, Loadout> nested =
          module.CallServiceProxy<Loadout>("gamecustomization", "getloadout", int32_t{2});
      inner = nested.ok() ? std::to_string(nested.value().slot) : nested.failure().message;
      return;
    }
    PluginServiceProxyResponse answer;
    answer.uuid = "uuid-twin";
    answer.payload = R"({"slot": 5})";
    Deliver(true, answer);
  };
  MaybeType<Failure, Loadout> outer =
      module.CallServiceProxy<Loadout>("gamecustomization", "getloadout", int32_t{1});
  ASSERT_FALSE(outer.ok());
  EXPECT_EQ(outer.failure().message, "Service proxy request was dropped before its answer arrived");
  EXPECT_EQ(inner, "5");
  EXPECT_EQ(requests.size(), 2u);
}

TEST_F(ServiceProxyTest, AsyncEventsGoToTheirHandlerOrAreLogged) {
  std::vector<std::string> handled;
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
  EXPECT_EQ(handled, std::vector<std::string>{"[1]"});
  EXPECT_EQ(log.lines, (std::vector<Line>{{kLogLevelError,
                                           "tav-perks: Could not find registered handler for "
                                           "async service proxy event gamecustomization.stray"}}));
}

}  // namespace service_proxy_test
}  // namespace tav
