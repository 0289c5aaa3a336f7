// Loading the game data catalogue: the three game-data documents, the game
// customization service's narrowing of the styles, the published views, and
// the gameplay-updated perks endpoints.
#include <string>
#include <utility>
#include <vector>

#include "binding/binding_property.h"
#include "binding/binding_result.h"
#include "binding/json_reader.h"
#include "binding/native_conversion.h"
#include "log/logger.h"
#include "perks/customization_limits.h"
#include "perks/perks_module.h"
#include "perks/perks_paths.h"
#include "plugin/remote_call.h"
#include "plugin/resource_events.h"
#include "plugin/service_proxy.h"

namespace tav::perks {

namespace {

constexpr const char* kGameCustomizationService = "gamecustomization";
constexpr const char* kGetGameCustomizationMethod = "getgamecustomization";
constexpr const char* kPerksCategory = "perks";
constexpr const char* kServiceResultOk = "OK";

// Converts one element of a game-data document. A field that does not
// convert keeps its default and the others are still taken, so one bad
// field costs only itself; an element that is no structure at all gives a
// default record.
template <class T>
T ConvertDocumentElement(const BindingProperty& element, const BindingTypeRegistry& registry) {
  T value{};
  BindingResult whole;
  FromBinding(whole, value, element, "<value>", registry);
  if (whole.ok()) return value;

  BindingProperty convertible;
  convertible.MakeStructure();
  for (const BindingStructEntry& entry : element.Fields()) {
    BindingProperty single;
    single.MutableField(entry.key()).Assign(entry.value);
    T probe{};
    BindingResult tried;
    FromBinding(tried, probe, single, "<value>", registry);
    if (tried.ok()) convertible.MutableField(entry.key()).Assign(entry.value);
  }
  value = T{};
  BindingResult kept;
  FromBinding(kept, value, convertible, "<value>", registry);
  if (!kept.ok()) value = T{};
  return value;
}

template <class T>
std::vector<T> ConvertDocument(const std::vector<BindingProperty>& elements,
                               const BindingTypeRegistry& registry) {
  std::vector<T> converted;
  converted.reserve(elements.size());
  for (const BindingProperty& element : elements) {
    converted.push_back(ConvertDocumentElement<T>(element, registry));
  }
  return converted;
}

}  // namespace

bool PerksModule::LoadPerks() {
  MaybeType<Failure, std::vector<BindingProperty>> document =
      Call<std::vector<BindingProperty>>(RequestMethod::kGet, kPerksDocumentPath);
  if (!document.ok()) {
    LogError("Could not find %s", kPerksDocumentPath);
    return false;
  }
  catalogue_.ApplyPerksDocument(ConvertDocument<api::PerkGDSResource>(document.value(), registry()));
  PublishPerks();
  return true;
}

bool PerksModule::LoadStyles() {
  const bool can_use_advanced = api::HasLimits(CustomizationLimitsForLevel(summoner_level_),
                                               api::CustomizationLimits::CanUseAdvancedStyles);
  MaybeType<Failure, std::vector<BindingProperty>> document =
      Call<std::vector<BindingProperty>>(RequestMethod::kGet, kStylesDocumentPath);
  if (!document.ok()) {
    LogError("Could not find %s", kStylesDocumentPath);
    return false;
  }
  catalogue_.ApplyStylesDocument(
      ConvertDocument<api::PerkStyleResource>(document.value(), registry()), can_use_advanced);
  if (logged_in_) ApplyGameServiceRestriction();
  PublishStyles();
  return true;
}

bool PerksModule::LoadChampionMap() {
  MaybeType<Failure, std::vector<BindingProperty>> document =
      Call<std::vector<BindingProperty>>(RequestMethod::kGet, kChampionMapDocumentPath);
  if (!document.ok()) return false;
  catalogue_.ApplyChampionMap(
      ConvertDocument<api::ChampionPreferredStyle>(document.value(), registry()));
  return true;
}

bool PerksModule::LoadAll() {
  const bool perks = LoadPerks();
  const bool styles = LoadStyles();
  const bool champions = LoadChampionMap();
  return perks && styles && champions;
}

void PerksModule::ApplyGameServiceRestriction() {
  MaybeType<Failure, api::GetResultFromServiceDTO> reply =
      CallServiceProxy<api::GetResultFromServiceDTO>(
          kGameCustomizationService, kGetGameCustomizationMethod,
          std::vector<std::string>{kPerksCategory});
  if (!reply.ok()) {
    LogError("Could not reach getgamecustomization endpoint: %s", reply.failure().message.c_str());
    return;
  }
  if (reply.value().error != kServiceResultOk) {
    LogError("GameCustomizationService getgamecustomization resultDTO.error %s",
             reply.value().error.c_str());
    return;
  }
  const BindingResult parsed = ParseJson(reply.value().result);
  std::vector<api::PerkStyleResource> returned;
  BindingResult converted;
  if (parsed.ok()) FromBinding(converted, returned, parsed.value(), "<value>", registry());
  if (!parsed.ok() || !converted.ok()) {
    LogError("Could not deserialize getgamecustomization perk styles");
    return;
  }
  catalogue_.ApplyRestriction(returned);
}

void PerksModule::PublishPerks() { PublishResource(PerksPath(kPerksPath), catalogue_.PerksView()); }

void PerksModule::PublishStyles() {
  PublishResource(PerksPath(kStylesPath), catalogue_.StylesView());
}

void PerksModule::PublishGameplayUpdatedPerks() {
  PublishResource(PerksPath(kGameplayUpdatedPerksPath),
                  catalogue_.UnseenGameplayUpdated(ui_settings_.gameplayUpdatedPerksSeen));
}

MaybeType<Failure, std::vector<api::PerkUIPerk>> PerksModule::GetPerks() {
  return catalogue_.PerksView();
}

MaybeType<Failure, std::vector<api::PerkUIStyle>> PerksModule::GetStyles() {
  return catalogue_.StylesView();
}

MaybeType<Failure, std::vector<int32_t>> PerksModule::GetGameplayUpdatedPerks() {
  return catalogue_.UnseenGameplayUpdated(ui_settings_.gameplayUpdatedPerksSeen);
}

MaybeType<Failure, Empty> PerksModule::AcknowledgeGameplayUpdatedPerks(std::vector<int32_t> ids) {
  if (!catalogue_.Acknowledge(ids, ui_settings_.gameplayUpdatedPerksSeen)) return Empty{};
  SaveSettings();
  PublishGameplayUpdatedPerks();
  return Empty{};
}

}  // namespace tav::perks
