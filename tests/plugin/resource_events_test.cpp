#include "plugin/resource_events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "binding/type_registration.h"
#include "calls_fixture.h"

namespace tav {
namespace events_test {

struct Lantern {
  int32_t id = 0;
  std::string glow;
};

struct Unregistered {
  int32_t id = 0;
};

struct SentEvent {
  std::string name;
  std::string payload;
  uint32_t flag;
  void* context;
  bool operator==(const SentEvent& other) const {
    return name == other.name && payload == other.payload && flag == other.flag &&
           context == other.context;
  }
};

class EventsTest : public CallsTest {
 protected:
  EventsTest() {
    RegisterStruct<Lantern>(module.registry(), "TestLantern")
        .Field("id", &Lantern::id)
        .Field("glow", &Lantern::glow)
        .Commit();
    core.on_send_event = [this](const CoreEvent* event) {
      sent.push_back({event->name, CoreValueJson(event->payload), event->flag, event->context});
    };
  }

  std::vector<SentEvent> sent;
};

TEST_F(EventsTest, PublishSendsTheSpecificEventAndTheBaseOneWithOnePayload) {
  module.PublishResource("/tav-perks/v1/currentpage", Lantern{7, "amber"});
  const std::string payload =
      R"({"data":{"glow":"amber","id":7},"eventType":"Update","uri":"/tav-perks/v1/currentpage"})";
  EXPECT_EQ(sent, (std::vector<SentEvent>{
                      {"OnJsonApiEvent_tav-perks_v1_currentpage", payload, 0, nullptr},
                      {"OnJsonApiEvent", payload, 0, nullptr},
                  }));
}

TEST_F(EventsTest, EventNamesFollowTheUri) {
  struct Case {
    const char* uri;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {"/x", {"OnJsonApiEvent_x", "OnJsonApiEvent"}},
      {"/tav-perks/v1/pages/12", {"OnJsonApiEvent_tav-perks_v1_pages", "OnJsonApiEvent"}},
      {"/", {"OnJsonApiEvent"}},  // the specific name is the base name: sent once
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uri);
    sent.clear();
    module.PublishResource(c.uri, int32_t{1}, PluginResourceEventType::Delete);
    std::vector<std::string> names;
    for (const SentEvent& event : sent) names.push_back(event.name);
    EXPECT_EQ(names, c.names);
    ASSERT_FALSE(sent.empty());
    EXPECT_NE(sent[0].payload.find(R"("eventType":"Delete")"), std::string::npos);
  }
}

TEST_F(EventsTest, SendResourceEventReportsConversionFailures) {
  PluginResourceEvent event;
  event.uri = "/tav-perks/v1/perks/disabled";
  event.data.MutableElement(0).SetInt64(8008);
  MaybeType<Failure, Empty> result = module.SendResourceEvent("OnJsonApiEvent", event);
  ASSERT_TRUE(result.ok());
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].payload,
            R"({"data":[8008],"eventType":"Create","uri":"/tav-perks/v1/perks/disabled"})");

  // Without the core's types the event itself cannot be converted.
  CallsModule bare;
  MaybeType<Failure, Empty> unregistered = bare.SendResourceEvent("OnJsonApiEvent", event);
  ASSERT_FALSE(unregistered.ok());
  EXPECT_EQ(unregistered.failure().message,
            "Couldn't convert native value because it's an unregistered structure.");
  EXPECT_EQ(sent.size(), 2u);
}

TEST_F(EventsTest, TelemetryIsPostedWithNamedTextFields) {
  std::vector<SeenArgument> seen;
  core.on_request = [&](ResponseRecord* response, const RequestRecord* request) {
    EXPECT_EQ(request->method, static_cast<uint32_t>(TAV_METHOD_POST));
    seen = SeenArguments(request);
    AnswerJson(response, "null");
  };
  std::future<MaybeType<Failure, Empty>> posted = module.PostTelemetry(
      "bkt_perks__event", {{"event", "perks_champselect_noperks"}, {"queueId", "420"}});
  ASSERT_EQ(posted.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  EXPECT_TRUE(posted.get().ok());
  EXPECT_EQ(core.request_urls, std::vector<std::string>{"/telemetry/v1/events/bkt_perks__event"});
  EXPECT_EQ(seen, (std::vector<SeenArgument>{{"event", R"("perks_champselect_noperks")"},
                                             {"queueId", R"("420")"}}));

  core.on_request = [](ResponseRecord* response, const RequestRecord*) {
    AnswerError(response, 500, "Table closed");
  };
  MaybeType<Failure, Empty> failed = module.PostTelemetry("bkt_perks__event", {}).get();
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.failure().message,
            "Error response for POST /telemetry/v1/events/bkt_perks__event: Table closed");
}

}  // namespace events_test
}  // namespace tav
