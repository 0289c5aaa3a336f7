// Resource events: what a peer's change of a resource looks like to the
// plugin. The event for path P goes to the registrations of the name made
// from P's first path segments, and also to those of "OnJsonApiEvent"; its
// payload is {"uri": P, "eventType": "Create"|"Update"|"Delete", "data": v}.
//
//   ResourceEventName("/tav-perks/v1/pages/7")   // "OnJsonApiEvent_tav-perks_v1_pages"
//   rapidjson::Document payload = ResourceEventPayload("/x", ResourceEventType::kDelete, nullptr);
#ifndef TAV_HOST_RESOURCE_EVENT_H_
#define TAV_HOST_RESOURCE_EVENT_H_

#include <string>
#include <string_view>

#include <rapidjson/document.h>

namespace tav::host {

inline constexpr const char* kJsonApiEventName = "OnJsonApiEvent";

enum class ResourceEventType { kCreate, kUpdate, kDelete };

// "Create", "Update", "Delete".
const char* ResourceEventTypeName(ResourceEventType type);

// "OnJsonApiEvent" followed by "_" and each of the first three non-empty
// segments of the path, five when the first segment is "tav-platform-config".
// A query ("?...") is not part of the path.
std::string ResourceEventName(std::string_view path);

// The payload of a resource event; `data` null gives a null "data" (as for a
// Delete).
rapidjson::Document ResourceEventPayload(std::string_view uri, ResourceEventType type,
                                         const rapidjson::Value* data);

}  // namespace tav::host

#endif  // TAV_HOST_RESOURCE_EVENT_H_
