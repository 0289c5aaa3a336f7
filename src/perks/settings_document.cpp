// The stored settings document: building it from the module's state and
// writing it to the settings plugin.
#include <string>

#include "log/logger.h"
#include "perks/perks_module.h"
#include "perks/perks_paths.h"
#include "plugin/remote_call.h"

namespace tav::perks {

namespace {

// Every write stores the current layout of the document.
constexpr uint32_t kSettingsSchemaVersion = 5;

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

void PerksModule::SaveSettings() { WriteSettings(BuildSettingsDocument()); }

void PerksModule::WriteSettings(const api::PerkSettings& document) {
  api::SettingsStorageContainer container;
  container.data = document;
  container.schemaVersion = kSettingsSchemaVersion;
  MaybeType<Failure, Empty> written = Call(RequestMethod::kPatch, kPageSettingsPath, container);
  if (!written.ok()) {
    LogError("Could not write settings for perks: %s", written.failure().message.c_str());
  }
}

}  // namespace tav::perks
