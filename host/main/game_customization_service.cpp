#include "main/game_customization_service.h"

#include "json_text.h"
#include "main/utc_time.h"

namespace tav::host {

namespace {

constexpr const char* kService = "gamecustomization";

rapidjson::Value Text(std::string_view text, rapidjson::Document::AllocatorType& allocator) {
  return rapidjson::Value(text.data(), static_cast<rapidjson::SizeType>(text.size()), allocator);
}

// The service's reply body: {"error": ..., "result": ...}, both texts.
std::string ResultPayload(std::string_view error, std::string_view result) {
  rapidjson::Document reply(rapidjson::kObjectType);
  auto& allocator = reply.GetAllocator();
  reply.AddMember("error", Text(error, allocator), allocator);
  reply.AddMember("result", Text(result, allocator), allocator);
  return JsonText(reply);
}

const char* KindName(GameCustomizationService::FailureKind kind) {
  switch (kind) {
    case GameCustomizationService::FailureKind::kService:
      return "service";
    case GameCustomizationService::FailureKind::kEdge:
      return "edge";
  }
  return "service";
}

// The push as the plugin sent it, with the "content" text opened up when
// it holds JSON, so that a reader sees the perks rather than a quoted text.
// The service proxy sends its argument as a list of one value: that value
// is the push.
rapidjson::Document ReadPushContent(const std::string& payload) {
  rapidjson::Document content;
  if (!ParseJsonText(payload, &content, nullptr)) {
    content.SetString(payload.c_str(), static_cast<rapidjson::SizeType>(payload.size()), content.GetAllocator());
    return content;
  }
  if (content.IsArray() && content.Size() == 1) {
    rapidjson::Value only(std::move(content[0]));
    content.SetNull();
    static_cast<rapidjson::Value&>(content) = std::move(only);
  }
  if (!content.IsObject()) return content;
  auto inner = content.FindMember("content");
  if (inner == content.MemberEnd() || !inner->value.IsString()) return content;
  rapidjson::Document parsed;
  if (ParseJsonText(std::string_view(inner->value.GetString(), inner->value.GetStringLength()), &parsed, nullptr)) {
    inner->value.CopyFrom(parsed, content.GetAllocator());
  }
  return content;
}

}  // namespace

GameCustomizationService::GameCustomizationService(std::function<const rapidjson::Value*()> styles,
                                                   std::function<std::string()> clock)
    : styles_(std::move(styles)), clock_(clock ? std::move(clock) : UtcTimestamp) {}

void GameCustomizationService::Install(ServiceProxy& proxy) {
  proxy.SetHandler(std::string(kService) + ".setgamecustomization",
                   [this](const ServiceProxyCall& call) { return AnswerPush(call); });
  proxy.SetHandler(std::string(kService) + ".getgamecustomization",
                   [this](const ServiceProxyCall& call) { return AnswerStyles(call); });
  proxy.SetHandler(std::string(kService) + ".getdisabledgamecustomization",
                   [this](const ServiceProxyCall& call) { return AnswerDisabledPerks(call); });
}

ServiceProxyAnswer GameCustomizationService::AnswerPush(const ServiceProxyCall& call) {
  Push push;
  push.number = ++push_count_;
  push.time = clock_();
  push.content = ReadPushContent(call.payload);
  ServiceProxyAnswer answer;
  if (failures_ > 0) {
    --failures_;
    push.failure = failure_text_;
    if (failure_kind_ == FailureKind::kEdge) {
      answer.status = "503";
      answer.error = failure_text_;
    } else {
      answer.payload = ResultPayload(failure_text_, "");
    }
  } else {
    push.accepted = true;
    const rapidjson::Value* content = push.content.IsObject() ? &push.content : nullptr;
    auto inner = content != nullptr ? content->FindMember("content") : rapidjson::Value::ConstMemberIterator();
    answer.payload = ResultPayload("OK", content != nullptr && inner != content->MemberEnd() ? JsonText(inner->value)
                                                                                             : std::string());
  }
  pushes_.push_back(std::move(push));
  if (pushes_.size() > kKeptPushes) pushes_.pop_front();
  if (push_listener_) push_listener_(pushes_.back());
  return answer;
}

ServiceProxyAnswer GameCustomizationService::AnswerStyles(const ServiceProxyCall&) const {
  rapidjson::Document styles(rapidjson::kArrayType);
  auto& allocator = styles.GetAllocator();
  const rapidjson::Value* document = styles_ ? styles_() : nullptr;
  if (document != nullptr && document->IsArray()) {
    for (const auto& style : document->GetArray()) {
      if (!style.IsObject() || !style.HasMember("id")) continue;
      rapidjson::Value entry(rapidjson::kObjectType);
      entry.AddMember("id", rapidjson::Value(style["id"], allocator), allocator);
      auto slots = style.FindMember("slots");
      entry.AddMember("slots",
                      slots != style.MemberEnd() ? rapidjson::Value(slots->value, allocator)
                                                 : rapidjson::Value(rapidjson::kArrayType),
                      allocator);
      styles.PushBack(entry, allocator);
    }
  }
  ServiceProxyAnswer answer;
  answer.payload = ResultPayload("OK", JsonText(styles));
  return answer;
}

ServiceProxyAnswer GameCustomizationService::AnswerDisabledPerks(const ServiceProxyCall&) const {
  rapidjson::Document ids(rapidjson::kArrayType);
  for (int32_t id : disabled_perks_) ids.PushBack(id, ids.GetAllocator());
  ServiceProxyAnswer answer;
  answer.payload = ResultPayload("OK", JsonText(ids));
  return answer;
}

bool GameCustomizationService::Configure(const rapidjson::Value& config, std::string* error) {
  if (!config.IsObject()) {
    *error = "The game customization settings must be an object";
    return false;
  }
  uint32_t failures = failures_;
  FailureKind kind = failure_kind_;
  std::string text = failure_text_;
  std::vector<int32_t> disabled = disabled_perks_;
  for (const auto& member : config.GetObject()) {
    const std::string name(member.name.GetString(), member.name.GetStringLength());
    const rapidjson::Value& value = member.value;
    if (name == "failures") {
      if (!value.IsUint() || value.GetUint() > 1000) {
        *error = "\"failures\" must be a whole number from 0 to 1000";
        return false;
      }
      failures = value.GetUint();
    } else if (name == "failureKind") {
      const std::string given = value.IsString() ? value.GetString() : "";
      if (given != "service" && given != "edge") {
        *error = "\"failureKind\" must be \"service\" or \"edge\"";
        return false;
      }
      kind = given == "edge" ? FailureKind::kEdge : FailureKind::kService;
    } else if (name == "failureText") {
      if (!value.IsString() || value.GetStringLength() == 0) {
        *error = "\"failureText\" must be a non-empty text";
        return false;
      }
      text.assign(value.GetString(), value.GetStringLength());
    } else if (name == "disabledPerks") {
      if (!value.IsArray()) {
        *error = "\"disabledPerks\" must be a list of perk ids";
        return false;
      }
      disabled.clear();
      for (const auto& id : value.GetArray()) {
        if (!id.IsInt()) {
          *error = "\"disabledPerks\" must be a list of perk ids";
          return false;
        }
        disabled.push_back(id.GetInt());
      }
    } else if (name != "pushes") {
      // "pushes" is what GET shows; sending it back changes nothing.
      *error = "Unknown game customization setting \"" + name + "\"";
      return false;
    }
  }
  failures_ = failures;
  failure_kind_ = kind;
  failure_text_ = std::move(text);
  disabled_perks_ = std::move(disabled);
  return true;
}

rapidjson::Document GameCustomizationService::Describe() const {
  rapidjson::Document state(rapidjson::kObjectType);
  auto& allocator = state.GetAllocator();
  state.AddMember("failures", failures_, allocator);
  state.AddMember("failureKind", rapidjson::StringRef(KindName(failure_kind_)), allocator);
  state.AddMember("failureText", Text(failure_text_, allocator), allocator);
  rapidjson::Value disabled(rapidjson::kArrayType);
  for (int32_t id : disabled_perks_) disabled.PushBack(id, allocator);
  state.AddMember("disabledPerks", disabled, allocator);
  rapidjson::Value pushes(rapidjson::kArrayType);
  for (const Push& push : pushes_) {
    rapidjson::Value entry(rapidjson::kObjectType);
    entry.AddMember("number", push.number, allocator);
    entry.AddMember("time", Text(push.time, allocator), allocator);
    entry.AddMember("accepted", push.accepted, allocator);
    entry.AddMember("failure", Text(push.failure, allocator), allocator);
    entry.AddMember("content", rapidjson::Value(push.content, allocator), allocator);
    pushes.PushBack(entry, allocator);
  }
  state.AddMember("pushes", pushes, allocator);
  return state;
}

}  // namespace tav::host
