#include "perks/perks_telemetry.h"

namespace tav::perks {

namespace {

const char* Digit(bool flag) { return flag ? "1" : "0"; }

}  // namespace

std::string JoinErrorMessages(const std::vector<std::string>& messages) {
  std::string joined;
  for (size_t i = 0; i < messages.size(); ++i) {
    if (i != 0) joined += '|';
    joined += messages[i];
  }
  return joined;
}

TelemetryEvent PlatformRetriesEvent(const std::vector<std::string>& messages, uint32_t attempts,
                                    uint64_t game_id, int32_t queue_id) {
  return {{"event_name", "perks_champselect_platform_retries_occurred"},
          {"error_messages", JoinErrorMessages(messages)},
          {"attempt_count", std::to_string(attempts)},
          {"game_id", std::to_string(game_id)},
          {"queue_id", std::to_string(queue_id)}};
}

TelemetryEvent NoPerksEvent(const std::vector<std::string>& messages, uint64_t game_id,
                            int32_t queue_id) {
  return {{"event_name", "perks_champselect_noperks"},
          {"error_messages", JoinErrorMessages(messages)},
          {"game_id", std::to_string(game_id)},
          {"queue_id", std::to_string(queue_id)}};
}

TelemetryEvent PlayerPrefsFailureEvent(const std::string& error, bool logged_in,
                                       uint64_t logged_in_elapsed_ms,
                                       bool player_preferences_ready) {
  return {{"event_name", "perks_playerprefs_failure"},
          {"error", error},
          {"loggedIn", Digit(logged_in)},
          {"loggedInElapsedTimeMS", std::to_string(logged_in_elapsed_ms)},
          {"playerPreferencesConnected", Digit(player_preferences_ready)}};
}

}  // namespace tav::perks
