// Logging in and the signals followed while logged in, through the real
// plugin: when the login sequence runs, and the disabled perks that the
// messaging service and the game customization service report.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "perks_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr uint64_t kSummoner = 31337;
constexpr const char* kDisabledMessages = "/vexa-messaging-service/v1/message/perks/v1/disabled/oc1";
constexpr const char* kMessagingEvent = "OnJsonApiEvent_vexa-messaging-service_v1_message";

std::string DisabledMessage(const char* resource, const char* payload) {
  return std::string(R"({"resource":")") + resource + R"(","service":"perks","version":"2",)" +
         R"("timestamp":1712000000,"payload":")" + payload + R"("})";
}

class LoginSignalsTest : public PerksE2eTest {
 protected:
  void SetUp() override {
    ServeSampleGameData();
    ServeGameService("[7105]");
    Serve(kLoginDataPacketPath, R"({"platformId":"OC1"})");
    Serve(RuneBookPath(kSummoner), RuneBookJson(kSummoner, 2));
    ServeNoStoredSettings();
    Start();
    Forget();
  }
  void LogIn(const char* state = "SUCCEEDED", uint64_t summoner = kSummoner,
             uint64_t account = 77) {
    Signal(kLoginSessionPath, LoginSessionJson(state, summoner, account));
  }
  size_t DisabledQueries() {
    size_t count = 0;
    for (const ServiceProxyCall& call : core_.service_proxy().calls()) {
      if (call.service + "." + call.method == kDisabledQueryKey) ++count;
    }
    return count;
  }
};

TEST_F(LoginSignalsTest, OnlyASucceededSessionWithBothIdsLogsInOncePerTransition) {
  const struct {
    const char* state;
    uint64_t summoner;
    uint64_t account;
  } not_logged_in[] = {
      {"SUCCEEDED", kSummoner, 0}, {"SUCCEEDED", 0, 77}, {"IN_PROGRESS", kSummoner, 77},
      {"ERROR", kSummoner, 77},    {"LOGGING_OUT", kSummoner, 77},
  };
  for (const auto& session : not_logged_in) {
    SCOPED_TRACE(LoginSessionJson(session.state, session.summoner, session.account));
    LogIn(session.state, session.summoner, session.account);
    EXPECT_EQ(Reads(kLoginDataPacketPath), 0u);
    EXPECT_FALSE(core_.IsRegistered(kMessagingEvent));
    EXPECT_THAT(core_.service_proxy().calls(), IsEmpty());
  }

  LogIn();
  LogIn();
  EXPECT_EQ(Reads(kLoginDataPacketPath), 1u);
  EXPECT_EQ(DisabledQueries(), 1u);
  EXPECT_EQ(Reads(RuneBookPath(kSummoner)), 2u);
  EXPECT_EQ(Get("/tav-perks/v1/inventory"), R"({"ownedPageCount":2})");
  EXPECT_EQ(Get("/tav-perks/v1/perks/disabled"), "[7105]");

  // Leaving the state through an update and regaining it runs the sequence
  // again, each resource still followed once.
  LogIn("LOGGING_OUT");
  EXPECT_TRUE(core_.IsRegistered(kMessagingEvent));
  LogIn();
  EXPECT_EQ(Reads(kLoginDataPacketPath), 2u);
  size_t messaging_registrations = 0;
  for (const Registration& registration : core_.registrations()) {
    if (registration.name == kMessagingEvent) ++messaging_registrations;
  }
  EXPECT_EQ(messaging_registrations, 1u);

  // A logout, then a login: the whole sequence again.
  Withdraw(kLoginSessionPath);
  EXPECT_FALSE(core_.IsRegistered(kMessagingEvent));
  LogIn();
  EXPECT_EQ(Reads(kLoginDataPacketPath), 3u);
  EXPECT_TRUE(core_.IsRegistered(kMessagingEvent));
  EXPECT_THAT(LogMessages(2), IsEmpty());
}

TEST_F(LoginSignalsTest, DisabledPerksMessagesOfTheShardAreTakenOnce) {
  LogIn();
  const int gale = CreatePage("Gale", 710, 720, kTempestPerks);
  const std::string gale_path = "/tav-perks/v1/pages/" + std::to_string(gale);
  Forget();
  Signal(kDisabledMessages, DisabledMessage("perks/v1/disabled/oc1", "[7104]"));
  EXPECT_THAT(Published("/tav-perks/v1/perks/disabled"), ElementsAre("[7104]"));
  EXPECT_EQ(JsonText(Call(TAV_METHOD_GET, gale_path).value["isValid"]), "false");
  Forget();

  // The same payload again, another shard's resource name, a deletion:
  // all ignored.
  Signal(kDisabledMessages, DisabledMessage("perks/v1/disabled/oc1", "[7104]"));
  Signal(kDisabledMessages, DisabledMessage("perks/v1/disabled/na2", "[7201]"));
  Signal(kDisabledMessages, DisabledMessage("perks/v1/disabled/OC1", "[7202]"));
  Signal("/vexa-messaging-service/v1/message/perks/v1/disabled/na2",
         DisabledMessage("perks/v1/disabled/na2", "[7203]"));
  Withdraw(kDisabledMessages);
  EXPECT_THAT(core_.sent_events(), IsEmpty());
  EXPECT_EQ(Get("/tav-perks/v1/perks/disabled"), "[7104]");

  // A payload that does not read as perk ids falls back to the game service.
  AnswerServiceWith(kDisabledQueryKey, ServiceResult("OK", "[]"));
  const size_t queries = DisabledQueries();
  Signal(kDisabledMessages, DisabledMessage("perks/v1/disabled/oc1", R"({\"ids\":[1]})"));
  EXPECT_THAT(LogMessages(1), ElementsAre("Error deserializing disabled perks from VMS"));
  EXPECT_EQ(DisabledQueries(), queries + 1);
  EXPECT_THAT(Published("/tav-perks/v1/perks/disabled"), ElementsAre("[]"));
  EXPECT_EQ(JsonText(Call(TAV_METHOD_GET, gale_path).value["isValid"]), "true");
}

}  // namespace
}  // namespace tav::host
