// The interface settings and the small status resources: customization
// limits, service settings, inventory and the auto-modified-pages
// notification flag.
#include <utility>

#include "perks/customization_limits.h"
#include "perks/perks_module.h"
#include "perks/perks_paths.h"
#include "plugin/resource_events.h"

namespace tav::perks {

MaybeType<Failure, api::UISettings> PerksModule::GetInterfaceSettings() { return ui_settings_; }

MaybeType<Failure, Empty> PerksModule::ReplaceInterfaceSettings(api::UISettings settings) {
  ui_settings_ = std::move(settings);
  SaveSettings();
  PublishInterfaceSettings();
  return Empty{};
}

MaybeType<Failure, api::CustomizationLimits> PerksModule::GetCustomizationLimits() {
  return CustomizationLimitsForLevel(summoner_level_);
}

MaybeType<Failure, api::ServiceSettings> PerksModule::GetServiceSettings() {
  api::ServiceSettings settings;
  settings.serverSideStorageAvailable = player_preferences_ready_;
  return settings;
}

MaybeType<Failure, api::PlayerInventory> PerksModule::GetInventory() {
  api::PlayerInventory inventory;
  inventory.ownedPageCount = owned_page_count_;
  return inventory;
}

MaybeType<Failure, bool> PerksModule::GetShowAutoModifiedPagesNotification() {
  return show_auto_modified_pages_notification_;
}

MaybeType<Failure, Empty> PerksModule::ClearShowAutoModifiedPagesNotification() {
  // Only the next stored document that needs repairs raises the flag again;
  // clearing it is not saved.
  show_auto_modified_pages_notification_ = false;
  PublishShowAutoModifiedPagesNotification();
  return Empty{};
}

void PerksModule::PublishInterfaceSettings() {
  PublishResource(PerksPath(kSettingsPath), ui_settings_);
}

void PerksModule::PublishCustomizationLimits() {
  PublishResource(PerksPath(kCustomizationLimitsPath),
                  CustomizationLimitsForLevel(summoner_level_));
}

void PerksModule::PublishInventory() {
  api::PlayerInventory inventory;
  inventory.ownedPageCount = owned_page_count_;
  PublishResource(PerksPath(kInventoryPath), inventory);
}

void PerksModule::PublishShowAutoModifiedPagesNotification() {
  PublishResource(PerksPath(kShowAutoModifiedPagesNotificationPath),
                  show_auto_modified_pages_notification_);
}

}  // namespace tav::perks
