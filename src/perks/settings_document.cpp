// The stored settings document: building it from the module's state and
// writing it to the settings plugin.
#include <cstddef>
#include <iterator>
#include <string>
#include <utility>

#include "log/logger.h"
#include "perks/perks_module.h"
#include "perks/perks_paths.h"
#include "plugin/remote_call.h"

namespace tav::perks {

namespace {

// Every write stores the current layout of the document.
constexpr uint32_t kSettingsSchemaVersion = 5;
// Writes the settings plugin never reports back are forgotten after this
// many newer ones.
constexpr size_t kMaxPendingWrites = 16;

}  // namespace

api::PerkSettings PerksModule::BuildSettingsDocument() {
  // Preset pages are never stored: they come from the game data.
  api::PerkBook& book = per_shard_books_[shard_];
  book.currentPageId = current_page_id_;
  book.pages = ListPages(false);

  api::PerkSettings document;
  document.pages = legacy_pages_;
  document.perShardPerkBooks = per_shard_books_;
  document.settings = ui_settings_;
  return document;
}

void PerksModule::SaveSettings() {
  if (!stored_settings_read_) {
    LogWarning("Perks settings not saved: the stored settings have not been read yet");
    return;
  }
  WriteSettings(BuildSettingsDocument());
}

void PerksModule::WriteSettings(const api::PerkSettings& document) {
  api::SettingsStorageContainer container;
  container.data = document;
  container.schemaVersion = kSettingsSchemaVersion;
  // Noted before the call: the settings plugin may report the write while
  // the call still waits.
  pending_writes_.push_back(container);
  if (pending_writes_.size() > kMaxPendingWrites) pending_writes_.pop_front();
  MaybeType<Failure, Empty> written = Call(RequestMethod::kPatch, kPageSettingsPath, container);
  if (!written.ok()) {
    LogError("Could not write settings for perks: %s", written.failure().message.c_str());
    for (auto entry = pending_writes_.rbegin(); entry != pending_writes_.rend(); ++entry) {
      if (*entry != container) continue;
      pending_writes_.erase(std::next(entry).base());
      break;
    }
    return;
  }
  stored_settings_ = std::move(container);
}

}  // namespace tav::perks
