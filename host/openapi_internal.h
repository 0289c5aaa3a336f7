// Helpers the OpenAPI generator's files share to build JSON values.
#ifndef TAV_HOST_OPENAPI_INTERNAL_H_
#define TAV_HOST_OPENAPI_INTERNAL_H_

#include <rapidjson/document.h>

#include <string_view>

namespace tav::host::openapi_internal {

using JsonAllocator = rapidjson::Document::AllocatorType;

// A JSON text value copied into `allocator`.
inline rapidjson::Value JsonString(std::string_view text, JsonAllocator& allocator) {
  return rapidjson::Value(text.data(), static_cast<rapidjson::SizeType>(text.size()), allocator);
}

inline rapidjson::Value Object() { return rapidjson::Value(rapidjson::kObjectType); }

inline void Add(rapidjson::Value& object, std::string_view key, rapidjson::Value value, JsonAllocator& allocator) {
  object.AddMember(JsonString(key, allocator), value, allocator);
}

inline void AddText(rapidjson::Value& object, std::string_view key, std::string_view text, JsonAllocator& allocator) {
  Add(object, key, JsonString(text, allocator), allocator);
}

// {"$ref": target}.
inline rapidjson::Value Reference(std::string_view target, JsonAllocator& allocator) {
  rapidjson::Value reference = Object();
  AddText(reference, "$ref", target, allocator);
  return reference;
}

}  // namespace tav::host::openapi_internal

#endif  // TAV_HOST_OPENAPI_INTERNAL_H_
