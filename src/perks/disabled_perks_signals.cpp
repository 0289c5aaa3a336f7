// Where the disabled perks come from: the messaging service's messages for
// the shard, and the game customization service, asked at login and when a
// message cannot be read.
#include <optional>
#include <string>
#include <vector>

#include "log/logger.h"
#include "perks/json_text_value.h"
#include "perks/perks_module.h"
#include "plugin/service_proxy.h"

namespace tav::perks {

namespace {

constexpr const char* kGameCustomizationService = "gamecustomization";
constexpr const char* kGetDisabledMethod = "getdisabledgamecustomization";
constexpr const char* kPerksCategory = "perks";
constexpr const char* kServiceResultOk = "OK";

}  // namespace

void PerksModule::OnDisabledPerksMessage(
    const RemotingTypedResult<api::VexaMessagingServiceMessage>& message) {
  if (message.eventType == PluginResourceEventType::Delete) return;
  const api::VexaMessagingServiceMessage& body = message.value;
  if (body.resource != messaging_identity_ || body.payload == last_disabled_perks_payload_) return;
  last_disabled_perks_payload_ = body.payload;
  std::optional<std::vector<int32_t>> ids =
      ReadJsonTextAs<std::vector<int32_t>>(body.payload, registry());
  if (!ids) {
    LogWarning("Error deserializing disabled perks from VMS");
    QueryDisabledPerks();
    return;
  }
  SetPendingDisabledPerks(std::move(*ids));
}

void PerksModule::QueryDisabledPerks() {
  MaybeType<Failure, api::GetResultFromServiceDTO> reply =
      CallServiceProxy<api::GetResultFromServiceDTO>(kGameCustomizationService, kGetDisabledMethod,
                                                     std::vector<std::string>{kPerksCategory});
  if (!reply.ok()) {
    LogError("GameCustomization: Could not reach %s service: %s", kPerksCategory,
             reply.failure().message.c_str());
    return;
  }
  if (reply.value().error != kServiceResultOk) {
    LogError("GameCustomizationService %s resultDTO.error %s", kGetDisabledMethod,
             reply.value().error.c_str());
    return;
  }
  std::optional<std::vector<int32_t>> ids =
      ReadJsonTextAs<std::vector<int32_t>>(reply.value().result, registry());
  if (!ids) {
    LogError("Could not deserialize %s", reply.value().result.c_str());
    return;
  }
  SetPendingDisabledPerks(std::move(*ids));
}

}  // namespace tav::perks
