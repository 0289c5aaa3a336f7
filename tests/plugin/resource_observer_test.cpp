#include "plugin/resource_observer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "loaded_plugin.h"

namespace tav {
namespace observer_test {

TEST(MatchesResourcePattern, AsteriskTakesOneOrMoreCharactersOfOneSegment) {
  struct Case {
    const char* pattern;
    const char* uri;
    bool matches;
  };
  const Case cases[] = {
      {"/tav-perks/v1/pages/*", "/tav-perks/v1/pages/7", true},
      {"/tav-perks/v1/pages/*", "/tav-perks/v1/pages/", false},
      {"/tav-perks/v1/pages/*", "/tav-perks/v1/pages/7/x", false},
      {"/tav-perks/v1/pages/*", "/tav-perks/v1/pages", false},
      {"/tav-perks/v1/*/order", "/tav-perks/v1/pages/order", true},
      {"/tav-perks/v1/*/order", "/tav-perks/v1//order", false},
      {"/a/*/*", "/a/b/c", true},
      {"/a/*/*", "/a/b/", false},
      {"/a/*x", "/a/bx", false},  // the asterisk has taken the x already
      {"/a/b", "/a/b", true},
      {"/a/b", "/a/bc", false},
      {"", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " against " + c.uri);
    EXPECT_EQ(MatchesResourcePattern(c.pattern, c.uri), c.matches);
  }
}

class ObserverTest : public CallsTest {
 protected:
  ObserverTest() {
    core.on_request = [this](ResponseRecord* response, const RequestRecord*) {
      if (current.empty()) {
        AnswerError(response, 404, "Not found");
      } else {
        AnswerJson(response, current);
      }
    };
  }

  // An observer that records "<name> <uri> <type> <data>".
  AppModule::ResourceObserver Recorder(std::string name) {
    return [this, name](const PluginResourceEvent& event) {
      seen.push_back(name + " " + event.uri + " " +
                     std::to_string(static_cast<int>(event.eventType)) + " " +
                     WriteJson(event.data));
    };
  }

  void Dispatch(std::string uri, PluginResourceEventType type, const char* json) {
    PluginResourceEvent event;
    event.uri = std::move(uri);
    event.eventType = type;
    event.data = std::move(ParseJson(json).value());
    module.DispatchResourceEvent(event);
  }

  std::string current;  // the JSON a GET answers; empty: 404
  std::vector<std::string> seen;
};

TEST_F(ObserverTest, ObserveSubscribesAndDeliversTheCurrentValueAsCreate) {
  current = R"({"level": 3})";
  module.Observe("/tav-perks/v1/totem", Recorder("exact"));
  EXPECT_EQ(core.RegistrationCount("OnJsonApiEvent_tav-perks_v1_totem"), 1u);
  EXPECT_EQ(core.request_urls, std::vector<std::string>{"/tav-perks/v1/totem"});
  EXPECT_EQ(seen, std::vector<std::string>{R"(exact /tav-perks/v1/totem 0 {"level":3})"});

  // A failed GET delivers nothing, but the subscription stands.
  current.clear();
  module.Observe("/tav-perks/v2/absent", Recorder("absent"));
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(core.RegistrationCount("OnJsonApiEvent_tav-perks_v2_absent"), 1u);
  Dispatch("/tav-perks/v2/absent", PluginResourceEventType::Update, "1");
  EXPECT_EQ(seen.back(), "absent /tav-perks/v2/absent 1 1");
}

TEST_F(ObserverTest, DispatchRootsTheUriAndCallsExactBeforePatterns) {
  module.Observe("/tav-perks/v1/pages/*", Recorder("pattern"));
  module.Observe("/tav-perks/v1/*/7", Recorder("other"));
  module.Observe("/tav-perks/v1/pages/7", Recorder("exact"));
  ASSERT_TRUE(seen.empty());

  Dispatch("tav-perks/v1/pages/7", PluginResourceEventType::Update, R"({"name": "Dawn"})");
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], R"(exact /tav-perks/v1/pages/7 1 {"name":"Dawn"})");
  std::sort(seen.begin() + 1, seen.end());
  EXPECT_EQ(seen[1], R"(other /tav-perks/v1/pages/7 1 {"name":"Dawn"})");
  EXPECT_EQ(seen[2], R"(pattern /tav-perks/v1/pages/7 1 {"name":"Dawn"})");

  seen.clear();
  Dispatch("/tav-perks/v1/pages/7/x", PluginResourceEventType::Update, "null");
  EXPECT_TRUE(seen.empty());
}

TEST_F(ObserverTest, ObserverMayReplaceOrClearObserversWhileItRuns) {
  // The running handler's own entry is replaced, and patterns are added
  // while the pattern map is being dispatched; the captured text must
  // survive either change.
  const std::string tag(100, 'q');
  int calls = 0;
  module.Observe("/tav-perks/v1/totem", [&, tag](const PluginResourceEvent&) {
    module.Observe("/tav-perks/v1/totem", Recorder("replacement"));
    for (int i = 0; i < 20; ++i) {
      module.Observe("/tav-perks/v1/p" + std::to_string(i) + "/*", Recorder("added"));
    }
    calls += tag.size() == 100 ? 1 : 1000;
  });
  module.Observe("/tav-perks/v1/*", [&, tag](const PluginResourceEvent&) {
    module.Finalize();
    calls += tag.size() == 100 ? 1 : 1000;
  });
  Dispatch("/tav-perks/v1/totem", PluginResourceEventType::Update, "1");
  EXPECT_EQ(calls, 2);
}

}  // namespace observer_test
}  // namespace tav
