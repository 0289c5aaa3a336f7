// Applying a page to the game in champion select: the push to the game
// customization service with its immediate retries, the active page, and
// the telemetry of failed attempts.
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "binding/binding_property.h"
#include "binding/binding_result.h"
#include "binding/json_writer.h"
#include "binding/native_conversion.h"
#include "log/positional_format.h"
#include "perks/perks_module.h"
#include "perks/perks_telemetry.h"
#include "plugin/resource_events.h"
#include "plugin/service_proxy.h"

namespace tav::perks {

namespace {

constexpr const char* kGameCustomizationService = "gamecustomization";
constexpr const char* kSetGameCustomizationMethod = "setgamecustomization";
constexpr const char* kPerksCategory = "perks";
constexpr const char* kServiceResultOk = "OK";
constexpr uint32_t kPushAttempts = 4;

Failure ActivationRefused() { return Failure("Page is invalid and can't be set as active.", 422); }

// The message of one failed attempt: the pushed resource in square
// brackets, then the failure, so that the telemetry shows what was refused.
std::string AttemptMessage(const std::string& resource_json, const std::string& failure) {
  if (resource_json.empty()) return failure;
  return "[" + resource_json + "]" + failure;
}

// Measured on the steady clock: it does not jump with the wall clock, and a
// 32-bit C++ runtime reads the wall clock with a time_t that ends in 2038.
int ElapsedMilliseconds(std::chrono::steady_clock::time_point start) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count());
}

}  // namespace

MaybeType<Failure, Empty> PerksModule::ActivatePage(const api::PerkPageResource& page) {
  if (!IsPageValid(page)) return ActivationRefused();

  // Everything the attempts need is copied here: every attempt waits, and
  // the page may be changed or removed meanwhile.
  const int32_t page_id = page.id;
  api::PerkSettingResource resource;
  resource.perkIds = page.selectedPerkIds;
  resource.perkStyle = page.primaryStyleId;
  resource.perkSubStyle = page.subStyleId;

  std::string resource_json;
  BindingResult converted;
  ToBinding(converted, resource, registry());
  if (converted.ok()) resource_json = WriteJson(converted.value(), &registry());

  // Champion select may end while an attempt waits (and another begin):
  // what the game answers then belongs to no champion select of now.
  const uint64_t champ_select = champ_selects_left_;
  const auto same_champ_select = [&] { return champ_select == champ_selects_left_; };

  std::vector<std::string> messages;
  uint32_t attempts = 0;
  MaybeType<Failure, Empty> pushed = Empty{};
  while (attempts < kPushAttempts) {
    ++attempts;
    pushed = PushPage(resource);
    if (pushed.ok()) break;
    std::string message = AttemptMessage(resource_json, pushed.failure().message);
    if (same_champ_select()) champ_select_errors_.push_back(message);
    messages.push_back(std::move(message));
  }
  if (pushed.ok() && same_champ_select()) active_page_id_ = page_id;
  if (!messages.empty()) SendRetriesTelemetry(messages, attempts);
  return pushed;
}

MaybeType<Failure, Empty> PerksModule::PushPage(const api::PerkSettingResource& resource) {
  BindingResult converted;
  ToBinding(converted, resource, registry());
  if (!converted.ok()) return Failure("Failed to serialize settings resource.");
  const std::string content = WriteJson(converted.value(), &registry());

  BindingProperty arguments;
  BindingProperty& customization = arguments.Append();
  customization.MutableField("queueType").SetInt64(queue_id_);
  customization.MutableField("category").SetString(kPerksCategory);
  customization.MutableField("content").SetString(content);

  const auto start = std::chrono::steady_clock::now();
  MaybeType<Failure, api::GetResultFromServiceDTO> reply =
      CallServiceProxy<api::GetResultFromServiceDTO>(kGameCustomizationService,
                                                     kSetGameCustomizationMethod, arguments);
  const int elapsed = ElapsedMilliseconds(start);
  if (!reply.ok()) {
    return Failure(FormatMessage("GameCustomizationEdgeResponseError (Elapsed %dms): %s",
                                 elapsed, reply.failure().message));
  }
  if (reply.value().error != kServiceResultOk) {
    return Failure(FormatMessage("GameCustomizationServiceResultError (Elapsed %dms): %s",
                                 elapsed, reply.value().error));
  }
  return Empty{};
}

void PerksModule::SendRetriesTelemetry(const std::vector<std::string>& messages,
                                       uint32_t attempts) {
  (void)PostTelemetry(kPerksTelemetryTable,
                      PlatformRetriesEvent(messages, attempts, game_id_, queue_id_));
}

}  // namespace tav::perks
