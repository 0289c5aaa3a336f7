#include "perks/preferences_migration.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "log/logger.h"
#include "perks/json_text_value.h"
#include "perks/perks_module.h"
#include "perks/perks_paths.h"
#include "perks/perks_telemetry.h"
#include "perks/system_clock_internal.h"
#include "plugin/remote_call.h"
#include "plugin/resource_events.h"

namespace tav::perks {

namespace {

constexpr uint32_t kNotFoundStatus = 404;

// The older document, written as JSON text in the reply's "data".
std::optional<api::PerkSettings> ReadOlderDocument(const BindingProperty& reply,
                                                   const BindingTypeRegistry& registry) {
  const BindingProperty* data = reply.FindField("data");
  if (data == nullptr || data->kind() != BindingPropertyKind::kString) return std::nullopt;
  return ReadJsonTextAs<api::PerkSettings>(data->AsString(), registry);
}

}  // namespace

void RenumberMigratedPages(std::vector<api::PerkPageResource>& pages) {
  std::stable_sort(pages.begin(), pages.end(),
                   [](const api::PerkPageResource& a, const api::PerkPageResource& b) {
                     return a.order < b.order;
                   });
  int32_t next = 0;
  for (api::PerkPageResource& page : pages) {
    if (page.isEditable) page.order = next++;
  }
}

void PerksModule::OnPlayerPreferencesReady(const RemotingTypedResult<bool>& ready) {
  player_preferences_ready_ = ready.value;
  if (ready.eventType == PluginResourceEventType::Update && migration_pending_) {
    MigratePlayerPreferences(std::nullopt);
  }
}

void PerksModule::MigratePlayerPreferences(
    std::optional<api::SettingsStorageContainer> unapplied) {
  // One migration at a time: the calls below wait, and the readiness may
  // be reported again meanwhile.
  if (migration_running_) return;
  migration_running_ = true;

  api::PerkSettings candidate = unapplied ? unapplied->data : BuildSettingsDocument();
  bool write = true;
  MaybeType<Failure, BindingProperty> older =
      Call<BindingProperty>(RequestMethod::kGet, kPlayerPreferencesPerksPath);
  if (!older.ok()) {
    // 404: the player preferences never held a copy; the candidate stands.
    if (older.failure().status != kNotFoundStatus) {
      LogWarning("player-preferences returned error while getting perks: %d",
                 static_cast<int>(older.failure().status));
      SendPlayerPrefsFailureTelemetry("Player Prefs GET failure: " + older.failure().message);
      write = false;
    }
  } else {
    std::optional<api::PerkSettings> document = ReadOlderDocument(older.value(), registry());
    if (document) {
      candidate = std::move(*document);
    } else {
      write = false;
    }
  }

  if (write) {
    RenumberMigratedPages(candidate.pages);
    WriteSettings(candidate);
    MaybeType<Failure, api::SettingsStorageContainer> stored =
        Call<api::SettingsStorageContainer>(RequestMethod::kGet, kPageSettingsPath);
    if (!stored.ok()) {
      LogError("Could not read stored settings for perks: %s", stored.failure().message.c_str());
    } else {
      stored_settings_ = stored.value();
      stored_settings_read_ = true;
      ApplyStoredSettings(stored.value());
    }
  } else if (unapplied) {
    // The player's pages must not wait for a migration that did not
    // happen: with an empty book, the next save would store it over them.
    ApplyStoredSettings(*unapplied);
  }
  migration_pending_ = false;
  migration_running_ = false;
}

void PerksModule::SendPlayerPrefsFailureTelemetry(const std::string& error) {
  // Before the first login there is no login to measure from.
  uint64_t elapsed = 0;
  if (login_time_ms_ > 0.0) {
    const double since_login = SystemClockMilliseconds() - login_time_ms_;
    if (since_login > 0.0) elapsed = static_cast<uint64_t>(since_login);
  }
  (void)PostTelemetry(kPerksTelemetryTable, PlayerPrefsFailureEvent(error, logged_in_, elapsed,
                                                                     player_preferences_ready_));
}

}  // namespace tav::perks
