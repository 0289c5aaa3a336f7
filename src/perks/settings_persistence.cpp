// Reading the stored settings document when the settings plugin is ready,
// following its later changes, and merging it into the book; and the shard
// under which the player's book is stored.
#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "log/logger.h"
#include "perks/perks_module.h"
#include "perks/perks_paths.h"
#include "perks/settings_merge.h"
#include "plugin/remote_call.h"
#include "plugin/resource_events.h"
#include "plugin/resource_observer.h"

namespace tav::perks {

namespace {

constexpr uint32_t kCurrentSchemaVersion = 5;
constexpr uint32_t kNotFoundStatus = 404;

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

std::string PerksModule::FindShard() {
  MaybeType<Failure, BindingProperty> packet =
      Call<BindingProperty>(RequestMethod::kGet, kLoginDataPacketPath);
  if (!packet.ok()) {
    LogError("Failed to get shard from global '%s'", packet.failure().message.c_str());
    return {};
  }
  const BindingProperty* platform = packet.value().FindField("platformId");
  if (platform == nullptr || platform->kind() != BindingPropertyKind::kString) {
    LogError("Failed to get shard from global '%s'", "the login data packet has no platformId text");
    return {};
  }
  return LowerCase(platform->AsString());
}

void PerksModule::OnSettingsReady(const RemotingTypedResult<bool>& ready) {
  if (!ready.value || settings_load_started_) return;
  if (initializing_) {
    settings_ready_seen_while_initializing_ = true;
    return;
  }
  LoadStoredSettings();
}

void PerksModule::LoadStoredSettings() {
  // Marked first: the read waits, and another ready signal may arrive.
  settings_load_started_ = true;
  MaybeType<Failure, api::SettingsStorageContainer> stored =
      Call<api::SettingsStorageContainer>(RequestMethod::kGet, kPageSettingsPath);
  if (!stored.ok()) {
    LogError("Could not read stored settings for perks: %s", stored.failure().message.c_str());
    // Nothing stored yet: the first save creates the document. Any other
    // failure leaves the stored document unknown, and it stays untouched
    // until the settings plugin reports it.
    if (stored.failure().status == kNotFoundStatus) stored_settings_read_ = true;
  } else {
    stored_settings_read_ = true;
    stored_settings_ = stored.value();
    migration_pending_ = stored.value().schemaVersion < kCurrentSchemaVersion;
    if (player_preferences_ready_ && migration_pending_) {
      // Nothing was applied yet, so the book in memory is not the player's:
      // should the player preferences hold no older copy, the document as
      // read is what gets stored again.
      MigratePlayerPreferences(stored.value());
    } else {
      ApplyStoredSettings(stored.value());
    }
  }
  Observe<api::SettingsStorageContainer>(
      kPageSettingsEventsPath,
      [this](const RemotingTypedResult<api::SettingsStorageContainer>& event) {
        OnStoredSettingsChanged(event);
      });
  settings_loaded_ = true;
}

void PerksModule::OnStoredSettingsChanged(
    const RemotingTypedResult<api::SettingsStorageContainer>& event) {
  if (event.eventType == PluginResourceEventType::Delete) return;
  // Applying a document this module wrote could only take the book back to
  // an older state (later changes may already be written), and the merge's
  // write-back of it would come back again.
  if (TakeOwnWriteReport(event.value)) return;
  if (stored_settings_ && *stored_settings_ == event.value) return;
  stored_settings_ = event.value;
  stored_settings_read_ = true;
  ApplyStoredSettings(event.value);
}

bool PerksModule::TakeOwnWriteReport(const api::SettingsStorageContainer& stored) {
  // The settings plugin reports in write order, but may leave out a write
  // that changed nothing or fold several into one report. So a report
  // equal to a pending write stands for it and for every older one. A
  // report equal to none is someone else's change: the pending writes made
  // before it were reported already or never will be, and keeping them
  // would make a later outside document equal to one look like this
  // module's own. A write made after it is reported later and, no longer
  // pending, is applied like any document, which brings the book back to
  // what the settings plugin holds.
  const auto found = std::find(pending_writes_.begin(), pending_writes_.end(), stored);
  if (found == pending_writes_.end()) {
    pending_writes_.clear();
    return false;
  }
  pending_writes_.erase(pending_writes_.begin(), std::next(found));
  return true;
}

void PerksModule::ApplyStoredSettings(const api::SettingsStorageContainer& stored) {
  api::PerkSettings document = stored.data;
  const bool write_back = MergeStoredSettings(document);
  // The write-back carries the stored pages as they were (repaired pages
  // reach storage with the next save), so a document that only needed
  // repairs would be written unchanged; it is not written at all, which
  // also keeps its report from starting another merge and write.
  if (write_back) {
    api::SettingsStorageContainer written;
    written.data = document;
    written.schemaVersion = kCurrentSchemaVersion;
    if (written != stored) WriteSettings(document);
  }
  (void)SetCurrentPage(PageForChampion(0).id);
  PublishInterfaceSettings();
  PublishGameplayUpdatedPerks();
}

bool PerksModule::MergeStoredSettings(api::PerkSettings& stored) {
  StoredPagesMergeOptions options;
  options.shard = shard_;
  options.auto_repair = auto_repair_enabled_;
  if (owned_page_count_known_) options.owned_page_count = owned_page_count_;
  StoredPagesMerge merged = MergeStoredPages(stored, catalogue_, disabled_perk_ids_, options);

  ui_settings_ = stored.settings;
  per_shard_books_ = stored.perShardPerkBooks;
  legacy_pages_ = stored.pages;
  current_page_id_ = merged.current_page_id;
  pages_ = std::move(merged.pages);
  merged_shard_ = shard_;
  if (merged.pages_repaired) show_auto_modified_pages_notification_ = true;

  PublishPages();
  if (merged.pages_repaired) PublishShowAutoModifiedPagesNotification();
  return merged.write_back;
}

}  // namespace tav::perks
