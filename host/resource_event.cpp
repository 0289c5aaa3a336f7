#include "resource_event.h"

namespace tav::host {

const char* ResourceEventTypeName(ResourceEventType type) {
  switch (type) {
    case ResourceEventType::kCreate:
      return "Create";
    case ResourceEventType::kUpdate:
      return "Update";
    case ResourceEventType::kDelete:
      return "Delete";
  }
  return "";
}

std::string ResourceEventName(std::string_view path) {
  path = path.substr(0, path.find('?'));
  std::string name = kJsonApiEventName;
  size_t limit = 3;
  size_t kept = 0;
  size_t at = 0;
  while (at < path.size() && kept < limit) {
    size_t end = path.find('/', at);
    if (end == std::string_view::npos) end = path.size();
    std::string_view segment = path.substr(at, end - at);
    at = end + 1;
    if (segment.empty()) continue;
    if (kept == 0 && segment == "tav-platform-config") limit = 5;
    name += '_';
    name += segment;
    ++kept;
  }
  return name;
}

rapidjson::Document ResourceEventPayload(std::string_view uri, ResourceEventType type,
                                         const rapidjson::Value* data) {
  rapidjson::Document payload(rapidjson::kObjectType);
  auto& allocator = payload.GetAllocator();
  payload.AddMember("uri", rapidjson::Value(uri.data(), static_cast<rapidjson::SizeType>(uri.size()), allocator),
                    allocator);
  payload.AddMember("eventType", rapidjson::Value(ResourceEventTypeName(type), allocator), allocator);
  rapidjson::Value copy;
  if (data != nullptr) copy.CopyFrom(*data, allocator);
  payload.AddMember("data", copy, allocator);
  return payload;
}

}  // namespace tav::host
