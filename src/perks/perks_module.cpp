#include "perks/perks_module.h"

#include <chrono>
#include <exception>
#include <random>

#include "perks/perks_paths.h"
#include "plugin/lcds_call.h"
#include "plugin/resource_observer.h"

namespace tav::perks {

namespace {

// The system's non-deterministic source. Should the device be unusable,
// page creation still has to work, so a clock-seeded generator stands in.
uint32_t DrawFromRandomDevice() {
  try {
    static std::random_device device;
    return static_cast<uint32_t>(device());
  } catch (const std::exception&) {
    static std::mt19937 fallback(static_cast<uint32_t>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    return static_cast<uint32_t>(fallback());
  }
}

}  // namespace

PerksModule::PerksModule() : random_source_(&DrawFromRandomDevice) {}

PerksModule::~PerksModule() = default;

void PerksModule::RegisterEndpoints() {
  api::RegisterApiTypes(registry(), api_namespace());
  RegisterLcdsClass<api::CollectionsLcdsClientDynamicConfigurationNotification>(
      api::kClientDynamicConfigurationNotificationLcdsClass);

  const std::string pages = PerksPath(kPagesPath);
  const std::string page = pages + "/{id}";
  Get(PerksPath(kPerksPath), &PerksModule::GetPerks);
  Get(PerksPath(kStylesPath), &PerksModule::GetStyles);
  Get(pages, &PerksModule::GetPages);
  Post(pages, &PerksModule::CreatePage, BodyArg("page"));
  Get(page, &PerksModule::GetPage, PathArg("id"));
  Get(PerksPath(kCurrentPagePath), &PerksModule::GetCurrentPage);
  Put(PerksPath(kCurrentPagePath), &PerksModule::SetCurrentPage, BodyArg("id"));
  Post(PerksPath(kPageOrderPath), &PerksModule::UpdatePageOrder, BodyArg("request"));
  Put(page, &PerksModule::UpdatePage, PathArg("id"), BodyArg("page"));
  Delete(page, &PerksModule::DeletePage, PathArg("id"));
  Delete(pages, &PerksModule::ResetPages);
  Get(PerksPath(kDisabledPerksPath), &PerksModule::GetDisabledPerks);
  Get(PerksPath(kGameplayUpdatedPerksPath), &PerksModule::GetGameplayUpdatedPerks);
  Put(PerksPath(kAcknowledgeGameplayUpdatedPath), &PerksModule::AcknowledgeGameplayUpdatedPerks,
      BodyArg("ids"));
  Get(PerksPath(kSettingsPath), &PerksModule::GetInterfaceSettings);
  Get(PerksPath(kCustomizationLimitsPath), &PerksModule::GetCustomizationLimits);
  // The body carries the whole UISettings; the argument is named after its
  // first field.
  Put(PerksPath(kSettingsPath), &PerksModule::ReplaceInterfaceSettings,
      BodyArg("showLongDescriptions"));
  Get(PerksPath(kServiceSettingsPath), &PerksModule::GetServiceSettings);
  Get(PerksPath(kInventoryPath), &PerksModule::GetInventory);
  Get(PerksPath(kShowAutoModifiedPagesNotificationPath),
      &PerksModule::GetShowAutoModifiedPagesNotification);
  Post(PerksPath(kShowAutoModifiedPagesNotificationPath),
       &PerksModule::ClearShowAutoModifiedPagesNotification);
  Delete(page + "/auto-modified-selections", &PerksModule::ClearAutoModifiedSelections,
         PathArg("id"));
}

bool PerksModule::OnInitialize() {
  initializing_ = true;
  StartSubscriptions();
  started_ = true;
  settings_handling_started_ = true;
  ui_settings_.showLongDescriptions = false;
  ui_settings_.gridModeEnabled = false;
  ui_settings_.showPresetPages = true;
  ui_settings_.gameplayPatchVersionSeen.clear();
  // The service runs whatever the game data gave; a later load (at login)
  // fills what is missing.
  (void)LoadAll();
  initializing_ = false;
  // Stored pages are judged against the game data and the settings above
  // are defaults, so a settings plugin that was ready before the start is
  // read only now.
  if (settings_ready_seen_while_initializing_) {
    settings_ready_seen_while_initializing_ = false;
    LoadStoredSettings();
  }
  return true;
}

void PerksModule::StartSubscriptions() {
  Observe<api::LoginSession>(kLoginSessionPath,
                             [this](const RemotingTypedResult<api::LoginSession>& session) {
                               OnLoginSession(session);
                             });
  Observe<api::GameflowSession>(kGameflowSessionPath,
                                [this](const RemotingTypedResult<api::GameflowSession>& session) {
                                  OnGameflowSession(session);
                                });
  Observe<bool>(kPlayerPreferencesReadyPath,
                [this](const RemotingTypedResult<bool>& ready) { OnPlayerPreferencesReady(ready); });
  Observe<api::PlatformConfig>(
      kPlatformConfigPath,
      [this](const RemotingTypedResult<api::PlatformConfig>& config) { OnPlatformConfig(config); });
  Observe<bool>(kSettingsReadyPath,
                [this](const RemotingTypedResult<bool>& ready) { OnSettingsReady(ready); });
}

uint32_t PerksModule::DrawRandom() {
  return random_source_ ? random_source_() : DrawFromRandomDevice();
}

}  // namespace tav::perks
