// The paths the perks service serves, publishes and calls. Resources of the
// service lie below kPerksApiRoot ("/tav-perks/v1"); PerksPath joins a piece
// to it.
//
//   PublishResource(PerksPath(kPagesPath), pages);        // "/tav-perks/v1/pages"
//   PublishResource(PerksPagePath(7), page);              // "/tav-perks/v1/pages/7"
#ifndef TAV_PERKS_PERKS_PATHS_H_
#define TAV_PERKS_PERKS_PATHS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tav::perks {

// The API root; every endpoint and published resource lies below it.
inline constexpr std::string_view kPerksApiRoot = "/tav-perks/v1";

inline constexpr std::string_view kPerksPath = "/perks";
inline constexpr std::string_view kStylesPath = "/styles";
inline constexpr std::string_view kPagesPath = "/pages";
inline constexpr std::string_view kCurrentPagePath = "/currentpage";
inline constexpr std::string_view kPageOrderPath = "/update-page-order";
inline constexpr std::string_view kDisabledPerksPath = "/perks/disabled";
inline constexpr std::string_view kGameplayUpdatedPerksPath = "/perks/gameplay-updated";
inline constexpr std::string_view kAcknowledgeGameplayUpdatedPath = "/perks/ack-gameplay-updated";
inline constexpr std::string_view kSettingsPath = "/settings";
inline constexpr std::string_view kCustomizationLimitsPath = "/customizationlimits";
inline constexpr std::string_view kServiceSettingsPath = "/servicesettings";
inline constexpr std::string_view kInventoryPath = "/inventory";
inline constexpr std::string_view kShowAutoModifiedPagesNotificationPath =
    "/show-auto-modified-pages-notification";

// Game data documents.
inline constexpr const char* kPerksDocumentPath = "/tav-game-data/assets/v1/perks.json";
inline constexpr const char* kStylesDocumentPath = "/tav-game-data/assets/v1/perkstyles.json";
inline constexpr const char* kChampionMapDocumentPath =
    "/tav-game-data/assets/v1/championperkstylemap.json";

// The stored settings document.
inline constexpr const char* kPageSettingsPath =
    "/tav-settings/v2/account/PerksPreferences/page-settings";

// Resources other plugins publish and the service follows.
inline constexpr const char* kLoginSessionPath = "/tav-login/v1/session";
inline constexpr const char* kGameflowSessionPath = "/tav-gameflow/v1/session";
inline constexpr const char* kPlayerPreferencesReadyPath =
    "/tav-player-preferences/v1/player-preferences-ready";
inline constexpr const char* kPlatformConfigPath = "/tav-platform-config/v1/namespaces/Perks";
inline constexpr const char* kSettingsReadyPath = "/tav-settings/v2/ready";

// The settings plugin reports changes of the stored document here.
inline constexpr const char* kPageSettingsEventsPath =
    "/tav-settings/v2/PerksPreferences/page-settings";
// The older copy of the stored document, kept by the player preferences.
inline constexpr const char* kPlayerPreferencesPerksPath =
    "/tav-player-preferences/v1/preference/PerksPreferences";
inline constexpr const char* kLoginDataPacketPath = "/tav-login/v1/login-data-packet";

// Followed while logged in.
inline constexpr const char* kChampSelectSessionPath = "/tav-champ-select/v1/session";
inline constexpr const char* kCurrentSummonerPath = "/tav-summoner/v1/current-summoner";
inline constexpr std::string_view kMessagingMessagesRoot = "/vexa-messaging-service/v1/message/";
inline constexpr std::string_view kDisabledPerksResourcePrefix = "perks/v1/disabled/";

// kPerksApiRoot followed by `piece`.
std::string PerksPath(std::string_view piece);
// "/tav-perks/v1/pages/" followed by the id in decimal.
std::string PerksPagePath(int32_t id);
// "/tav-collections/v1/inventories/<summoner id>/rune-book".
std::string RuneBookPath(uint64_t summoner_id);
// The messaging service's resource name of the disabled perks of `shard`,
// and the path of its messages.
std::string DisabledPerksResource(std::string_view shard);
std::string DisabledPerksMessagesPath(std::string_view shard);

}  // namespace tav::perks

#endif  // TAV_PERKS_PERKS_PATHS_H_
