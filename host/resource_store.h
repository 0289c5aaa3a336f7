// The resource store: the development core's stand-in for other plugins'
// resources. It holds a JSON value per path, answers the plugin's GET, PUT,
// POST, PATCH and DELETE on those paths, and reports every change so that the
// core can deliver the resource event to the plugin's subscriptions.
//
//   ResourceStore store([&](const std::string& path, ResourceEventType type,
//                           const rapidjson::Value* data) { ... });
//   store.Set("/tav-settings/v2/ready", JsonValue("true"));  // Create
//   store.Set("/tav-settings/v2/ready", JsonValue("false")); // Update
//   store.Remove("/tav-settings/v2/ready");                  // Delete
#ifndef TAV_HOST_RESOURCE_STORE_H_
#define TAV_HOST_RESOURCE_STORE_H_

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <rapidjson/document.h>

#include "peer.h"
#include "resource_event.h"

namespace tav::host {

class ResourceStore {
 public:
  // `data` is null for a Delete. Called after the store has changed.
  using ChangeSink = std::function<void(const std::string& path, ResourceEventType type, const rapidjson::Value* data)>;

  explicit ResourceStore(ChangeSink sink) : sink_(std::move(sink)) {}

  // Stores a copy; reports Create for a new path, Update otherwise.
  void Set(std::string_view path, const rapidjson::Value& value);
  // Stores a copy without reporting anything (data present before the plugin
  // looks).
  void SetQuietly(std::string_view path, const rapidjson::Value& value);
  // Removes the path; reports Delete when it was there. False when absent.
  bool Remove(std::string_view path);
  // The stored value, or null.
  const rapidjson::Value* Get(std::string_view path) const;
  std::vector<std::string> Paths() const;

  // Answers a request of the plugin on `request.path`:
  // GET: the value, or 404 "Not found"; PUT and POST: store the request's
  // BodyValue; PATCH: the same, except that when both the stored and the new
  // value are objects the new members replace or join the stored ones (one
  // level deep); DELETE: remove, or 404 "Not found"; other methods: 405
  // "Method not allowed". Writes answer an empty success.
  PeerResponse Handle(const PeerRequest& request);

 private:
  std::map<std::string, rapidjson::Document, std::less<>> values_;
  ChangeSink sink_;
};

}  // namespace tav::host

#endif  // TAV_HOST_RESOURCE_STORE_H_
