// The usage events the perks service posts to kPerksTelemetryTable: each
// event is a set of named texts, built here so that every key and the
// spelling of every value live in one place.
//
//   PostTelemetry(kPerksTelemetryTable, NoPerksEvent(errors, game_id, queue_id));
#ifndef TAV_PERKS_PERKS_TELEMETRY_H_
#define TAV_PERKS_PERKS_TELEMETRY_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tav::perks {

// The telemetry table of the service's usage events.
inline constexpr const char* kPerksTelemetryTable = "bkt_perks__event";

using TelemetryEvent = std::map<std::string, std::string>;

// The messages with a "|" between each two.
[[nodiscard]] std::string JoinErrorMessages(const std::vector<std::string>& messages);

// Pushing a page to the game needed more than one attempt, or failed.
[[nodiscard]] TelemetryEvent PlatformRetriesEvent(const std::vector<std::string>& messages,
                                                  uint32_t attempts, uint64_t game_id,
                                                  int32_t queue_id);
// Champion select ended without the game accepting any page.
[[nodiscard]] TelemetryEvent NoPerksEvent(const std::vector<std::string>& messages,
                                          uint64_t game_id, int32_t queue_id);
// The player preferences could not give the older stored document.
[[nodiscard]] TelemetryEvent PlayerPrefsFailureEvent(const std::string& error, bool logged_in,
                                                     uint64_t logged_in_elapsed_ms,
                                                     bool player_preferences_ready);

}  // namespace tav::perks

#endif  // TAV_PERKS_PERKS_TELEMETRY_H_
