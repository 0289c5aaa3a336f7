#include "perks/api/register_api_types.h"

#include <string>

#include "binding/binding_type_registry.h"
#include "binding/type_registration.h"

namespace Vexa::Client::Perks::Api {

using ChampSelect::Api::ChampSelectAction;
using ChampSelect::Api::ChampSelectBannedChampions;
using ChampSelect::Api::ChampSelectChatRoomDetails;
using ChampSelect::Api::ChampSelectMySelection;
using ChampSelect::Api::ChampSelectPlayerSelection;
using ChampSelect::Api::ChampSelectSession;
using ChampSelect::Api::ChampSelectTimer;
using ChampSelect::Api::ChampSelectTradeContract;
using ChampSelect::Api::ChampSelectTradeState;
using Summoner::Api::Summoner;
using tav::BindingTypeRegistry;
using tav::RegisterEnum;
using tav::RegisterStruct;

namespace {

// Registered names: the module's API namespace directly followed by the
// type's name.
class TypeNames {
 public:
  explicit TypeNames(std::string_view api_namespace) : prefix_(api_namespace) {}
  std::string operator()(std::string_view type) const { return prefix_ + std::string(type); }

 private:
  std::string prefix_;
};

// Each group registers its types in dependency order; the groups run in the
// order of RegisterApiTypes.

void RegisterSummonerTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  RegisterStruct<SummonerRerollPoints>(registry, name("SummonerRerollPoints"))
      .Field("pointsToReroll", &SummonerRerollPoints::pointsToReroll)
      .Field("currentPoints", &SummonerRerollPoints::currentPoints)
      .Field("numberOfRolls", &SummonerRerollPoints::numberOfRolls)
      .Field("maxRolls", &SummonerRerollPoints::maxRolls)
      .Field("pointsCostToRoll", &SummonerRerollPoints::pointsCostToRoll)
      .Commit();
  RegisterStruct<Summoner>(registry, name("Summoner"))
      .Field("summonerId", &Summoner::summonerId)
      .Field("accountId", &Summoner::accountId)
      .Field("displayName", &Summoner::displayName)
      .Field("internalName", &Summoner::internalName)
      .Field("lastSeasonHighestRank", &Summoner::lastSeasonHighestRank)
      .Field("profileIconId", &Summoner::profileIconId)
      .Field("summonerLevel", &Summoner::summonerLevel)
      .Field("xpSinceLastLevel", &Summoner::xpSinceLastLevel)
      .Field("xpUntilNextLevel", &Summoner::xpUntilNextLevel)
      .Field("percentCompleteForNextLevel", &Summoner::percentCompleteForNextLevel)
      .Field("rerollPoints", &Summoner::rerollPoints)
      .Field("puuid", &Summoner::puuid)
      .Commit();
}

void RegisterChampSelectTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  RegisterStruct<ChampSelectPlayerSelection>(registry, name("ChampSelectPlayerSelection"))
      .Field("cellId", &ChampSelectPlayerSelection::cellId)
      .Field("displayName", &ChampSelectPlayerSelection::displayName)
      .Field("championId", &ChampSelectPlayerSelection::championId)
      .Field("selectedSkinId", &ChampSelectPlayerSelection::selectedSkinId)
      .Field("wardSkinId", &ChampSelectPlayerSelection::wardSkinId)
      .Field("spell1Id", &ChampSelectPlayerSelection::spell1Id)
      .Field("spell2Id", &ChampSelectPlayerSelection::spell2Id)
      .Field("team", &ChampSelectPlayerSelection::team)
      .Field("assignedPosition", &ChampSelectPlayerSelection::assignedPosition)
      .Field("championPickIntent", &ChampSelectPlayerSelection::championPickIntent)
      .Field("playerType", &ChampSelectPlayerSelection::playerType)
      .Field("summonerId", &ChampSelectPlayerSelection::summonerId)
      .Commit();
  RegisterStruct<ChampSelectMySelection>(registry, name("ChampSelectMySelection"))
      .Field("selectedSkinId", &ChampSelectMySelection::selectedSkinId)
      .Field("spell1Id", &ChampSelectMySelection::spell1Id)
      .Field("spell2Id", &ChampSelectMySelection::spell2Id)
      .Field("wardSkinId", &ChampSelectMySelection::wardSkinId)
      .Commit();
  RegisterStruct<ChampSelectTimer>(registry, name("ChampSelectTimer"))
      .Field("timeLeftInPhase", &ChampSelectTimer::timeLeftInPhase)
      .Field("adjustedTimeLeftInPhase", &ChampSelectTimer::adjustedTimeLeftInPhase)
      .Field("timeLeftInPhaseInSec", &ChampSelectTimer::timeLeftInPhaseInSec)
      .Field("adjustedTimeLeftInPhaseInSec", &ChampSelectTimer::adjustedTimeLeftInPhaseInSec)
      .Field("totalTimeInPhase", &ChampSelectTimer::totalTimeInPhase)
      .Field("phase", &ChampSelectTimer::phase)
      .Field("isInfinite", &ChampSelectTimer::isInfinite)
      .Field("internalNowInEpochMs", &ChampSelectTimer::internalNowInEpochMs)
      .Commit();
  RegisterStruct<ChampSelectChatRoomDetails>(registry, name("ChampSelectChatRoomDetails"))
      .Field("chatRoomName", &ChampSelectChatRoomDetails::chatRoomName)
      .Field("chatRoomPassword", &ChampSelectChatRoomDetails::chatRoomPassword)
      .Commit();
  RegisterEnum<ChampSelectTradeState>(registry, name("ChampSelectTradeState"))
      .Value("AVAILABLE", ChampSelectTradeState::AVAILABLE)
      .Value("BUSY", ChampSelectTradeState::BUSY)
      .Value("INVALID", ChampSelectTradeState::INVALID)
      .Value("RECEIVED", ChampSelectTradeState::RECEIVED)
      .Value("SENT", ChampSelectTradeState::SENT)
      .Commit();
  RegisterStruct<ChampSelectTradeContract>(registry, name("ChampSelectTradeContract"))
      .Field("id", &ChampSelectTradeContract::id)
      .Field("cellId", &ChampSelectTradeContract::cellId)
      .Field("state", &ChampSelectTradeContract::state)
      .Commit();
  RegisterStruct<ChampSelectAction>(registry, name("ChampSelectAction"))
      .Field("id", &ChampSelectAction::id)
      .Field("actorCellId", &ChampSelectAction::actorCellId)
      .Field("championId", &ChampSelectAction::championId)
      .Field("type", &ChampSelectAction::type)
      .Field("completed", &ChampSelectAction::completed)
      .Commit();
  RegisterStruct<ChampSelectBannedChampions>(registry, name("ChampSelectBannedChampions"))
      .Field("myTeamBans", &ChampSelectBannedChampions::myTeamBans)
      .Field("theirTeamBans", &ChampSelectBannedChampions::theirTeamBans)
      .Field("numBans", &ChampSelectBannedChampions::numBans)
      .Commit();
  RegisterStruct<ChampSelectSession>(registry, name("ChampSelectSession"))
      .Field("timer", &ChampSelectSession::timer)
      .Field("chatDetails", &ChampSelectSession::chatDetails)
      .Field("myTeam", &ChampSelectSession::myTeam)
      .Field("theirTeam", &ChampSelectSession::theirTeam)
      .Field("trades", &ChampSelectSession::trades)
      .Field("actions", &ChampSelectSession::actions)
      .Field("bans", &ChampSelectSession::bans)
      .Field("localPlayerCellId", &ChampSelectSession::localPlayerCellId)
      .Field("isSpectating", &ChampSelectSession::isSpectating)
      .Commit();
}

void RegisterGameflowTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  RegisterEnum<GameflowPhase>(registry, name("GameflowPhase"))
      .Value("None", GameflowPhase::None)
      .Value("Lobby", GameflowPhase::Lobby)
      .Value("Matchmaking", GameflowPhase::Matchmaking)
      .Value("CheckedIntoTournament", GameflowPhase::CheckedIntoTournament)
      .Value("ReadyCheck", GameflowPhase::ReadyCheck)
      .Value("ChampSelect", GameflowPhase::ChampSelect)
      .Value("GameStart", GameflowPhase::GameStart)
      .Value("FailedToLaunch", GameflowPhase::FailedToLaunch)
      .Value("InProgress", GameflowPhase::InProgress)
      .Value("Reconnect", GameflowPhase::Reconnect)
      .Value("WaitingForStats", GameflowPhase::WaitingForStats)
      .Value("PreEndOfGame", GameflowPhase::PreEndOfGame)
      .Value("EndOfGame", GameflowPhase::EndOfGame)
      .Value("TerminatedInError", GameflowPhase::TerminatedInError)
      .Commit();
  RegisterStruct<Queue>(registry, name("Queue"))
      .Field("id", &Queue::id)
      .Commit();
  RegisterStruct<GameflowGameData>(registry, name("GameflowGameData"))
      .Field("queue", &GameflowGameData::queue)
      .Field("isCustomGame", &GameflowGameData::isCustomGame)
      .Field("gameId", &GameflowGameData::gameId)
      .Commit();
  RegisterStruct<GameflowSession>(registry, name("GameflowSession"))
      .Field("phase", &GameflowSession::phase)
      .Field("gameData", &GameflowSession::gameData)
      .Commit();
}

void RegisterLoginTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  RegisterEnum<LoginSessionState>(registry, name("LoginSessionState"))
      .Value("IN_PROGRESS", LoginSessionState::IN_PROGRESS)
      .Value("ERROR", LoginSessionState::ERROR)
      .Value("SUCCEEDED", LoginSessionState::SUCCEEDED)
      .Value("LOGGING_OUT", LoginSessionState::LOGGING_OUT)
      .Commit();
  RegisterStruct<LoginSession>(registry, name("LoginSession"))
      .Field("state", &LoginSession::state)
      .Field("summonerId", &LoginSession::summonerId)
      .Field("accountId", &LoginSession::accountId)
      .Commit();
}

void RegisterGameCustomizationTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  RegisterStruct<GetGameCustomizationDTO>(registry, name("GetGameCustomizationDTO"))
      .Field("queueType", &GetGameCustomizationDTO::queueType)
      .Commit();
  RegisterStruct<GameCustomizationDTO>(registry, name("GameCustomizationDTO"))
      .Field("category", &GameCustomizationDTO::category)
      .Field("content", &GameCustomizationDTO::content)
      .Field("queueType", &GameCustomizationDTO::queueType)
      .Commit();
  RegisterEnum<CustomizationLimits>(registry, name("CustomizationLimits"))
      .Value("Locked", CustomizationLimits::Locked)
      .Value("CanSelectPages", CustomizationLimits::CanSelectPages)
      .Value("CanSelectKeystones", CustomizationLimits::CanSelectKeystones)
      .Value("CanSelectPrimaries", CustomizationLimits::CanSelectPrimaries)
      .Value("CanSelectSplash", CustomizationLimits::CanSelectSplash)
      .Value("CanUseAdvancedStyles", CustomizationLimits::CanUseAdvancedStyles)
      .Commit();
  RegisterStruct<ChampionPreferredStyle>(registry, name("ChampionPreferredStyle"))
      .Field("championName", &ChampionPreferredStyle::championName)
      .Field("style", &ChampionPreferredStyle::style)
      .Field("championId", &ChampionPreferredStyle::championId)
      .Commit();
  RegisterStruct<GetResultFromServiceDTO>(registry, name("GetResultFromServiceDTO"))
      .Field("error", &GetResultFromServiceDTO::error)
      .Field("result", &GetResultFromServiceDTO::result)
      .Commit();
  RegisterStruct<PerkSettingResource>(registry, name("PerkSettingResource"))
      .Field("perkIds", &PerkSettingResource::perkIds)
      .Field("perkStyle", &PerkSettingResource::perkStyle)
      .Field("perkSubStyle", &PerkSettingResource::perkSubStyle)
      .Commit();
}

void RegisterPerkResourceTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  RegisterStruct<PerkSubStyleBonusResource>(registry, name("PerkSubStyleBonusResource"))
      .Field("perkId", &PerkSubStyleBonusResource::perkId)
      .Field("styleId", &PerkSubStyleBonusResource::styleId)
      .Commit();
  RegisterStruct<PerkStyleSlotResource>(registry, name("PerkStyleSlotResource"))
      .Field("perks", &PerkStyleSlotResource::perks)
      .Field("type", &PerkStyleSlotResource::type)
      .Field("slotLabel", &PerkStyleSlotResource::slotLabel)
      .Commit();
  RegisterStruct<PerkStyleResource>(registry, name("PerkStyleResource"))
      .Field("allowedSubStyles", &PerkStyleResource::allowedSubStyles)
      .Field("iconPath", &PerkStyleResource::iconPath)
      .Field("assetMap", &PerkStyleResource::assetMap)
      .Field("isAdvanced", &PerkStyleResource::isAdvanced)
      .Field("id", &PerkStyleResource::id)
      .Field("name", &PerkStyleResource::name)
      .Field("slots", &PerkStyleResource::slots)
      .Field("subStyleBonus", &PerkStyleResource::subStyleBonus)
      .Field("tooltip", &PerkStyleResource::tooltip)
      .Field("defaultSubStyle", &PerkStyleResource::defaultSubStyle)
      .Field("defaultPerks", &PerkStyleResource::defaultPerks)
      .Field("defaultPageName", &PerkStyleResource::defaultPageName)
      .Field("defaultPerksWhenSplashed", &PerkStyleResource::defaultPerksWhenSplashed)
      .Commit();
  RegisterStruct<PerkGDSResource>(registry, name("PerkGDSResource"))
      .Field("iconPath", &PerkGDSResource::iconPath)
      .Field("id", &PerkGDSResource::id)
      .Field("longDesc", &PerkGDSResource::longDesc)
      .Field("name", &PerkGDSResource::name)
      .Field("shortDesc", &PerkGDSResource::shortDesc)
      .Field("tooltip", &PerkGDSResource::tooltip)
      .Field("majorChangePatchVersion", &PerkGDSResource::majorChangePatchVersion)
      .Commit();
  RegisterStruct<PerkUIPerk>(registry, name("PerkUIPerk"))
      .Field("iconPath", &PerkUIPerk::iconPath)
      .Field("id", &PerkUIPerk::id)
      .Field("longDesc", &PerkUIPerk::longDesc)
      .Field("name", &PerkUIPerk::name)
      .Field("shortDesc", &PerkUIPerk::shortDesc)
      .Field("tooltip", &PerkUIPerk::tooltip)
      .Commit();
  RegisterStruct<PerkUISlot>(registry, name("PerkUISlot"))
      .Field("perks", &PerkUISlot::perks)
      .Field("type", &PerkUISlot::type)
      .Field("slotLabel", &PerkUISlot::slotLabel)
      .Commit();
  RegisterStruct<PerkUIStyle>(registry, name("PerkUIStyle"))
      .Field("allowedSubStyles", &PerkUIStyle::allowedSubStyles)
      .Field("iconPath", &PerkUIStyle::iconPath)
      .Field("assetMap", &PerkUIStyle::assetMap)
      .Field("id", &PerkUIStyle::id)
      .Field("name", &PerkUIStyle::name)
      .Field("slots", &PerkUIStyle::slots)
      .Field("subStyleBonus", &PerkUIStyle::subStyleBonus)
      .Field("tooltip", &PerkUIStyle::tooltip)
      .Field("defaultSubStyle", &PerkUIStyle::defaultSubStyle)
      .Field("defaultPerks", &PerkUIStyle::defaultPerks)
      .Field("defaultPageName", &PerkUIStyle::defaultPageName)
      .Commit();
  RegisterStruct<PerkPageResource>(registry, name("PerkPageResource"))
      .Field("current", &PerkPageResource::current)
      .Field("id", &PerkPageResource::id)
      .Field("isActive", &PerkPageResource::isActive)
      .Field("isValid", &PerkPageResource::isValid)
      .Field("isEditable", &PerkPageResource::isEditable)
      .Field("isDeletable", &PerkPageResource::isDeletable)
      .Field("name", &PerkPageResource::name)
      .Field("order", &PerkPageResource::order)
      .Field("primaryStyleId", &PerkPageResource::primaryStyleId)
      .Field("selectedPerkIds", &PerkPageResource::selectedPerkIds)
      .Field("subStyleId", &PerkPageResource::subStyleId)
      .Field("autoModifiedSelections", &PerkPageResource::autoModifiedSelections)
      .Commit();
  RegisterStruct<PerkIdListResource>(registry, name("PerkIdListResource"))
      .Field("perkIds", &PerkIdListResource::perkIds)
      .Commit();
  RegisterStruct<UpdatePageOrderRequest>(registry, name("UpdatePageOrderRequest"))
      .Field("targetPageId", &UpdatePageOrderRequest::targetPageId)
      .Field("destinationPageId", &UpdatePageOrderRequest::destinationPageId)
      .Field("offset", &UpdatePageOrderRequest::offset)
      .Commit();
}

void RegisterPlatformTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  RegisterStruct<PlatformConfig>(registry, name("PlatformConfig"))
      .Field("PerksEnabled", &PlatformConfig::PerksEnabled)
      .Field("AutoRepairPagesEnabled", &PlatformConfig::AutoRepairPagesEnabled)
      .Commit();
  RegisterStruct<VexaMessagingServiceMessage>(registry, name("VexaMessagingServiceMessage"))
      .Field("resource", &VexaMessagingServiceMessage::resource)
      .Field("service", &VexaMessagingServiceMessage::service)
      .Field("version", &VexaMessagingServiceMessage::version)
      .Field("timestamp", &VexaMessagingServiceMessage::timestamp)
      .Field("payload", &VexaMessagingServiceMessage::payload)
      .Commit();
}

void RegisterSettingsTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  RegisterStruct<UISettings>(registry, name("UISettings"))
      .Field("showLongDescriptions", &UISettings::showLongDescriptions)
      .Field("gridModeEnabled", &UISettings::gridModeEnabled)
      .Field("showPresetPages", &UISettings::showPresetPages)
      .Field("gameplayPatchVersionSeen", &UISettings::gameplayPatchVersionSeen)
      .Field("gameplayUpdatedPerksSeen", &UISettings::gameplayUpdatedPerksSeen)
      .Commit();
  RegisterStruct<PerkBook>(registry, name("PerkBook"))
      .Field("currentPageId", &PerkBook::currentPageId)
      .Field("pages", &PerkBook::pages)
      .Commit();
  RegisterStruct<PerkSettings>(registry, name("PerkSettings"))
      .Field("pages", &PerkSettings::pages)
      .Field("perShardPerkBooks", &PerkSettings::perShardPerkBooks)
      .Field("settings", &PerkSettings::settings)
      .Commit();
}

void RegisterCollectionsTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  RegisterStruct<CollectionsRune>(registry, name("CollectionsRune"))
      .Field("runeId", &CollectionsRune::runeId)
      .Field("runeSlotId", &CollectionsRune::runeSlotId)
      .Commit();
  RegisterStruct<CollectionsRunePage>(registry, name("CollectionsRunePage"))
      .Field("current", &CollectionsRunePage::current)
      .Field("id", &CollectionsRunePage::id)
      .Field("name", &CollectionsRunePage::name)
      .Field("runes", &CollectionsRunePage::runes)
      .Commit();
  RegisterStruct<CollectionsRuneBook>(registry, name("CollectionsRuneBook"))
      .Field("summonerId", &CollectionsRuneBook::summonerId)
      .Field("pages", &CollectionsRuneBook::pages)
      .Commit();
}

void RegisterStorageTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  RegisterStruct<PlayerInventory>(registry, name("PlayerInventory"))
      .Field("ownedPageCount", &PlayerInventory::ownedPageCount)
      .Commit();
  RegisterStruct<ServiceSettings>(registry, name("ServiceSettings"))
      .Field("serverSideStorageAvailable", &ServiceSettings::serverSideStorageAvailable)
      .Commit();
  RegisterStruct<SettingsStorageContainer>(registry, name("SettingsStorageContainer"))
      .Field("data", &SettingsStorageContainer::data)
      .Field("schemaVersion", &SettingsStorageContainer::schemaVersion)
      .Commit();
}

void RegisterLcdsTypes(BindingTypeRegistry& registry, const TypeNames& name) {
  using Notification = CollectionsLcdsClientDynamicConfigurationNotification;
  RegisterStruct<Notification>(registry, name("CollectionsLcdsClientDynamicConfigurationNotification"))
      .Field("configs", &Notification::configs)
      .Field("delta", &Notification::delta)
      .Commit();
}

}  // namespace

void RegisterApiTypes(BindingTypeRegistry& registry, std::string_view api_namespace) {
  const TypeNames name(api_namespace);
  RegisterSummonerTypes(registry, name);
  RegisterChampSelectTypes(registry, name);
  RegisterGameflowTypes(registry, name);
  RegisterLoginTypes(registry, name);
  RegisterGameCustomizationTypes(registry, name);
  RegisterPerkResourceTypes(registry, name);
  RegisterPlatformTypes(registry, name);
  RegisterSettingsTypes(registry, name);
  RegisterCollectionsTypes(registry, name);
  RegisterStorageTypes(registry, name);
  RegisterLcdsTypes(registry, name);
}

}  // namespace Vexa::Client::Perks::Api
