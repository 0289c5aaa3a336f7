#include "peer.h"

#include "json_text.h"

namespace tav::host {

namespace {

std::optional<std::string> AsText(const rapidjson::Value* value) {
  if (value == nullptr) return std::nullopt;
  if (value->IsString()) return std::string(value->GetString(), value->GetStringLength());
  return JsonText(*value);
}

}  // namespace

const rapidjson::Value* PeerRequest::Named(std::string_view name) const {
  const rapidjson::Value* found = nullptr;
  for (const RequestArgument& argument : arguments) {
    if (argument.name && *argument.name == name) found = &argument.value;
  }
  return found;
}

const rapidjson::Value* PeerRequest::Positional(size_t index) const {
  for (const RequestArgument& argument : arguments) {
    if (argument.name) continue;
    if (index == 0) return &argument.value;
    --index;
  }
  return nullptr;
}

std::optional<std::string> PeerRequest::NamedText(std::string_view name) const { return AsText(Named(name)); }

std::optional<std::string> PeerRequest::PositionalText(size_t index) const { return AsText(Positional(index)); }

rapidjson::Document PeerRequest::BodyValue() const {
  rapidjson::Document body;
  size_t named = 0;
  size_t positional = 0;
  for (const RequestArgument& argument : arguments) (argument.name ? named : positional)++;
  if (positional == 1 && named == 0) {
    body.CopyFrom(*Positional(0), body.GetAllocator());
  } else if (named > 0) {
    body.SetObject();
    for (const RequestArgument& argument : arguments) {
      if (!argument.name) continue;
      rapidjson::Value key(argument.name->c_str(), static_cast<rapidjson::SizeType>(argument.name->size()),
                           body.GetAllocator());
      rapidjson::Value copy(argument.value, body.GetAllocator());
      auto existing = body.FindMember(key);
      if (existing != body.MemberEnd()) {
        existing->value = copy;
      } else {
        body.AddMember(key, copy, body.GetAllocator());
      }
    }
  } else if (positional > 1) {
    body.SetArray();
    for (const RequestArgument& argument : arguments) {
      body.PushBack(rapidjson::Value(argument.value, body.GetAllocator()), body.GetAllocator());
    }
  }
  return body;
}

PeerResponse PeerResponse::Ok() { return PeerResponse(); }

PeerResponse PeerResponse::Ok(const rapidjson::Value& value) {
  PeerResponse response;
  response.value.CopyFrom(value, response.value.GetAllocator());
  return response;
}

PeerResponse PeerResponse::Error(uint32_t status, std::string text) {
  PeerResponse response;
  response.status = status;
  response.error = std::move(text);
  return response;
}

PeerResponse PeerResponse::Unreachable() { return Error(503, "Service unavailable"); }

PeerResponse PeerResponse::Streamed(StreamPlan plan) {
  PeerResponse response;
  response.stream = std::move(plan);
  return response;
}

}  // namespace tav::host
