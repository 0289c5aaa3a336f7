// The game customization service as tav-core plays it behind the service
// proxy: it accepts the perks the plugin pushes in champion select (or
// refuses a chosen number of pushes), tells which styles and slots the
// player may use, and which perks are disabled.
//
//   GameCustomizationService service(styles_document);
//   service.Install(core.service_proxy());
//   service.Configure(JsonValue(R"({"failures": 2, "failureKind": "service"})"), &error);
//   ... the next two pushes are refused, later ones accepted ...
//   std::string state = JsonText(service.Describe());
//
// Core thread only.
#ifndef TAV_HOST_MAIN_GAME_CUSTOMIZATION_SERVICE_H_
#define TAV_HOST_MAIN_GAME_CUSTOMIZATION_SERVICE_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <rapidjson/document.h>

#include "service_proxy.h"

namespace tav::host {

class GameCustomizationService {
 public:
  // How a push fails: the service answers with an error ("service"), or
  // the request never reaches it ("edge").
  enum class FailureKind { kService, kEdge };

  struct Push {
    uint64_t number = 0;      // 1 for the first push since start
    std::string time;         // when it arrived, as the clock gives it
    bool accepted = false;
    std::string failure;      // the error given when refused
    rapidjson::Document content;  // what the plugin sent, parsed when it was JSON
  };

  // `styles` gives the current styles document (an array of styles), read
  // each time the plugin asks which styles it may use. `clock` stamps each
  // push (UtcTimestamp when not given).
  explicit GameCustomizationService(std::function<const rapidjson::Value*()> styles,
                                    std::function<std::string()> clock = nullptr);

  // Answers "gamecustomization.setgamecustomization", "getgamecustomization"
  // and "getdisabledgamecustomization" through `proxy`.
  void Install(ServiceProxy& proxy);

  // Replaces the behaviour with the members given in `config` (members not
  // given stay): "failures" (pushes still to refuse, 0 to 1000),
  // "failureKind" ("service" or "edge"), "failureText" (non-empty),
  // "disabledPerks" (perk ids). False with `error` set, changing nothing,
  // when a member has the wrong type or value or is unknown.
  bool Configure(const rapidjson::Value& config, std::string* error);

  // The behaviour and the last pushes, oldest first:
  // {"failures", "failureKind", "failureText", "disabledPerks", "pushes": [
  //   {"number", "time", "accepted", "failure", "content"}]}.
  rapidjson::Document Describe() const;

  const std::deque<Push>& pushes() const { return pushes_; }
  // Called after every push, accepted or refused.
  void SetPushListener(std::function<void(const Push&)> listener) { push_listener_ = std::move(listener); }

  // The answers, for tests of the service without a proxy.
  ServiceProxyAnswer AnswerPush(const ServiceProxyCall& call);
  ServiceProxyAnswer AnswerStyles(const ServiceProxyCall& call) const;
  ServiceProxyAnswer AnswerDisabledPerks(const ServiceProxyCall& call) const;

  static constexpr size_t kKeptPushes = 50;

 private:
  std::function<const rapidjson::Value*()> styles_;
  std::function<std::string()> clock_;
  uint32_t failures_ = 0;
  FailureKind failure_kind_ = FailureKind::kService;
  std::string failure_text_ = "Customization service unavailable";
  std::vector<int32_t> disabled_perks_;
  std::deque<Push> pushes_;
  uint64_t push_count_ = 0;
  std::function<void(const Push&)> push_listener_;
};

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_GAME_CUSTOMIZATION_SERVICE_H_
