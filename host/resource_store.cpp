#include "resource_store.h"

#include "tav/plugin_abi.h"

namespace tav::host {

void ResourceStore::Set(std::string_view path, const rapidjson::Value& value) {
  bool existed = values_.count(path) > 0;
  SetQuietly(path, value);
  if (sink_) {
    auto it = values_.find(path);
    sink_(it->first, existed ? ResourceEventType::kUpdate : ResourceEventType::kCreate, &it->second);
  }
}

void ResourceStore::SetQuietly(std::string_view path, const rapidjson::Value& value) {
  rapidjson::Document copy;
  copy.CopyFrom(value, copy.GetAllocator());
  auto it = values_.find(path);
  if (it == values_.end()) {
    values_.emplace(std::string(path), std::move(copy));
  } else {
    it->second.Swap(copy);
  }
}

bool ResourceStore::Remove(std::string_view path) {
  auto it = values_.find(path);
  if (it == values_.end()) return false;
  std::string key = it->first;
  values_.erase(it);
  if (sink_) sink_(key, ResourceEventType::kDelete, nullptr);
  return true;
}

const rapidjson::Value* ResourceStore::Get(std::string_view path) const {
  auto it = values_.find(path);
  return it == values_.end() ? nullptr : &it->second;
}

std::vector<std::string> ResourceStore::Paths() const {
  std::vector<std::string> paths;
  for (const auto& entry : values_) paths.push_back(entry.first);
  return paths;
}

PeerResponse ResourceStore::Handle(const PeerRequest& request) {
  const std::string& path = request.path;
  switch (request.method) {
    case TAV_METHOD_GET: {
      const rapidjson::Value* value = Get(path);
      if (value == nullptr) return PeerResponse::Error(404, "Not found");
      return PeerResponse::Ok(*value);
    }
    case TAV_METHOD_PUT:
    case TAV_METHOD_POST:
      Set(path, request.BodyValue());
      return PeerResponse::Ok();
    case TAV_METHOD_PATCH: {
      rapidjson::Document update = request.BodyValue();
      const rapidjson::Value* stored = Get(path);
      if (stored == nullptr || !stored->IsObject() || !update.IsObject()) {
        Set(path, update);
        return PeerResponse::Ok();
      }
      rapidjson::Document merged;
      merged.CopyFrom(*stored, merged.GetAllocator());
      for (auto& member : update.GetObject()) {
        rapidjson::Value value(member.value, merged.GetAllocator());
        auto existing = merged.FindMember(member.name);
        if (existing != merged.MemberEnd()) {
          existing->value = value;
        } else {
          merged.AddMember(rapidjson::Value(member.name, merged.GetAllocator()), value, merged.GetAllocator());
        }
      }
      Set(path, merged);
      return PeerResponse::Ok();
    }
    case TAV_METHOD_DELETE:
      if (!Remove(path)) return PeerResponse::Error(404, "Not found");
      return PeerResponse::Ok();
    default:
      return PeerResponse::Error(405, "Method not allowed");
  }
}

}  // namespace tav::host
