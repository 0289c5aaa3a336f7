// The settings plugin as tav-core plays it: account documents at
// "/tav-settings/v2/account/<category>/<name>", kept in a SettingsStore
// under "<category>/<name>". A write that changes a document is reported as
// the resource event of "/tav-settings/v2/<category>/<name>" carrying the
// whole new document (Create for a new one, Update, Delete).
//
//   SettingsPeer settings(&store, [&](const std::string& path, ResourceEventType type,
//                                     const rapidjson::Value* data) { core.EmitResourceEvent(path, type, data); });
//   core.AddPeer(0, SettingsPeer::kPattern, [&](const PeerRequest& r) { return settings.Handle(r); });
//
// Core thread only.
#ifndef TAV_HOST_MAIN_SETTINGS_PEER_H_
#define TAV_HOST_MAIN_SETTINGS_PEER_H_

#include <functional>
#include <string>
#include <vector>

#include <rapidjson/document.h>

#include "main/settings_store.h"
#include "peer.h"
#include "resource_event.h"

namespace tav::host {

class SettingsPeer {
 public:
  static constexpr const char* kPattern = "/tav-settings/v2/account/{category}/{name}";

  using ChangeSink = std::function<void(const std::string& path, ResourceEventType type, const rapidjson::Value* data)>;

  SettingsPeer(SettingsStore* store, ChangeSink sink) : store_(store), sink_(std::move(sink)) {}

  // GET: the document, or {} when none was written. PUT and POST: replace
  // it. PATCH: the members given replace or join the stored ones (the
  // whole document when either is not an object). DELETE: remove it, 404
  // "Not found" when there is none. A document must be a JSON object
  // (400 otherwise); a write that changes nothing stores and reports
  // nothing; a store failure is 500 with the store's message. Writes
  // answer an empty success.
  PeerResponse Handle(const PeerRequest& request);

  // Removes every document, reporting each removal as a Delete of its
  // resource, as a DELETE of it would. Gives the keys removed, in order; on
  // a store failure stops there, with `error` set and the documents
  // removed so far (already reported) in the result.
  std::vector<std::string> RemoveAll(std::string* error);

  // "/tav-settings/v2/account/PerksPreferences/page-settings" ->
  // "PerksPreferences/page-settings"; empty for any other path.
  static std::string KeyOf(std::string_view path);
  // "PerksPreferences/page-settings" -> "/tav-settings/v2/PerksPreferences/page-settings".
  static std::string ChangePathOf(std::string_view key);

 private:
  // The stored document, {} when there is none.
  bool Read(const std::string& key, rapidjson::Document* document, std::string* error);
  PeerResponse Write(const std::string& key, const rapidjson::Value& document);
  PeerResponse StoreFailure(const std::string& error) const;

  SettingsStore* store_;
  ChangeSink sink_;
};

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_SETTINGS_PEER_H_
