#include "main/settings_peer.h"

#include <optional>

#include "json_text.h"
#include "tav/plugin_abi.h"

namespace tav::host {

namespace {

constexpr std::string_view kAccountRoot = "/tav-settings/v2/account/";
constexpr std::string_view kChangeRoot = "/tav-settings/v2/";

// The members of `update` replace or join those of `stored`.
rapidjson::Document Merge(const rapidjson::Value& stored, const rapidjson::Value& update) {
  rapidjson::Document merged;
  merged.CopyFrom(stored, merged.GetAllocator());
  for (const auto& member : update.GetObject()) {
    rapidjson::Value value(member.value, merged.GetAllocator());
    auto existing = merged.FindMember(member.name);
    if (existing != merged.MemberEnd()) {
      existing->value = value;
    } else {
      merged.AddMember(rapidjson::Value(member.name, merged.GetAllocator()), value, merged.GetAllocator());
    }
  }
  return merged;
}

}  // namespace

std::string SettingsPeer::KeyOf(std::string_view path) {
  if (path.substr(0, kAccountRoot.size()) != kAccountRoot) return "";
  std::string_view key = path.substr(kAccountRoot.size());
  size_t slash = key.find('/');
  if (slash == 0 || slash == std::string_view::npos || slash + 1 == key.size()) return "";
  if (key.find('/', slash + 1) != std::string_view::npos) return "";
  return std::string(key);
}

std::string SettingsPeer::ChangePathOf(std::string_view key) { return std::string(kChangeRoot) + std::string(key); }

PeerResponse SettingsPeer::StoreFailure(const std::string& error) const {
  return PeerResponse::Error(500, "Settings store failed: " + error);
}

PeerResponse SettingsPeer::Handle(const PeerRequest& request) {
  const std::string key = KeyOf(request.path);
  if (key.empty()) return PeerResponse::Error(404, "Not found");
  std::string error;
  switch (request.method) {
    case TAV_METHOD_GET: {
      rapidjson::Document stored;
      if (!Read(key, &stored, &error)) return StoreFailure(error);
      return PeerResponse::Ok(stored);
    }
    case TAV_METHOD_PUT:
    case TAV_METHOD_POST:
      return Write(key, request.BodyValue());
    case TAV_METHOD_PATCH: {
      rapidjson::Document update = request.BodyValue();
      if (!update.IsObject()) return Write(key, update);
      rapidjson::Document stored;
      if (!Read(key, &stored, &error)) return StoreFailure(error);
      return Write(key, Merge(stored, update));
    }
    case TAV_METHOD_DELETE: {
      if (!store_->Remove(key, &error)) {
        return error.empty() ? PeerResponse::Error(404, "Not found") : StoreFailure(error);
      }
      if (sink_) sink_(ChangePathOf(key), ResourceEventType::kDelete, nullptr);
      return PeerResponse::Ok();
    }
    default:
      return PeerResponse::Error(405, "Method not allowed");
  }
}

std::vector<std::string> SettingsPeer::RemoveAll(std::string* error) {
  std::vector<std::string> removed;
  error->clear();
  const std::vector<std::string> keys = store_->Keys(error);
  if (!error->empty()) return removed;
  for (const std::string& key : keys) {
    if (!store_->Remove(key, error)) {
      // Gone meanwhile is as good as removed; only a failure stops.
      if (error->empty()) continue;
      return removed;
    }
    removed.push_back(key);
    if (sink_) sink_(ChangePathOf(key), ResourceEventType::kDelete, nullptr);
  }
  return removed;
}

bool SettingsPeer::Read(const std::string& key, rapidjson::Document* document, std::string* error) {
  std::optional<std::string> text = store_->Get(key, error);
  if (!error->empty()) return false;
  if (!text) {
    document->SetObject();
    return true;
  }
  std::string parse_error;
  if (!ParseJsonText(*text, document, &parse_error)) {
    *error = "the stored document " + key + " is not JSON: " + parse_error;
    return false;
  }
  return true;
}

PeerResponse SettingsPeer::Write(const std::string& key, const rapidjson::Value& document) {
  if (!document.IsObject()) return PeerResponse::Error(400, "A settings document must be a JSON object");
  std::string error;
  std::optional<std::string> before = store_->Get(key, &error);
  if (!error.empty()) return StoreFailure(error);
  const std::string text = JsonText(document);
  // An unchanged document is neither written again nor reported: a plugin
  // that writes back what it was just told cannot start an endless round.
  if (before && *before == text) return PeerResponse::Ok();
  if (!store_->Put(key, text, &error)) return StoreFailure(error);
  if (sink_) sink_(ChangePathOf(key), before ? ResourceEventType::kUpdate : ResourceEventType::kCreate, &document);
  return PeerResponse::Ok();
}

}  // namespace tav::host
