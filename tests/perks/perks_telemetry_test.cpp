#include "perks/perks_telemetry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tav::perks {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(PerksTelemetry, EventsCarryTheirKeysAsText) {
  const std::vector<std::string> messages = {"[x]first", "second|with bar", ""};
  EXPECT_THAT(PlatformRetriesEvent(messages, 4, 18446744073709551615u, -1),
              ElementsAre(Pair("attempt_count", "4"),
                          Pair("error_messages", "[x]first|second|with bar|"),
                          Pair("event_name", "perks_champselect_platform_retries_occurred"),
                          Pair("game_id", "18446744073709551615"), Pair("queue_id", "-1")));
  EXPECT_THAT(NoPerksEvent({}, 0, 0),
              ElementsAre(Pair("error_messages", ""), Pair("event_name", "perks_champselect_noperks"),
                          Pair("game_id", "0"), Pair("queue_id", "0")));
  EXPECT_THAT(PlayerPrefsFailureEvent("Player Prefs GET failure: gone", true, 1234, false),
              ElementsAre(Pair("error", "Player Prefs GET failure: gone"),
                          Pair("event_name", "perks_playerprefs_failure"), Pair("loggedIn", "1"),
                          Pair("loggedInElapsedTimeMS", "1234"),
                          Pair("playerPreferencesConnected", "0")));
}

TEST(PerksTelemetry, JoinPutsABarBetweenEachTwo) {
  EXPECT_EQ(JoinErrorMessages({}), "");
  EXPECT_EQ(JoinErrorMessages({"one"}), "one");
  EXPECT_EQ(JoinErrorMessages({"", ""}), "|");
  EXPECT_EQ(JoinErrorMessages({"a", "b", "c"}), "a|b|c");
}

}  // namespace
}  // namespace tav::perks
