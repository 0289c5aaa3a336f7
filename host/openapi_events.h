// The plugin's resource events as OpenAPI describes them. Every resource
// the plugin serves with GET can be published when it changes: the event
// named after the resource's first path segments carries {uri, eventType,
// data}, with `data` of the GET's result type, and a second copy goes out
// under "OnJsonApiEvent". tav-core streams them at GET /events.
//
//   std::vector<ResourceEventGroup> groups = ResourceEvents(api);
//   // groups[0].name == "OnJsonApiEvent_tav-perks_v1_perks", with /perks, /perks/disabled, ...
#ifndef TAV_HOST_OPENAPI_EVENTS_H_
#define TAV_HOST_OPENAPI_EVENTS_H_

#include <string>
#include <vector>

#include "api_description.h"
#include "openapi_schema.h"

namespace tav::host {

// The path of tav-core's event stream.
inline constexpr const char* kEventStreamPath = "/events";

struct ResourceEventGroup {
  std::string name;                         // "OnJsonApiEvent_tav-perks_v1_pages"
  std::vector<const ApiFunction*> getters;  // the GET functions of its resources, in table order
};

// Grouped by event name, in the order of the first resource of each. Empty
// when the plugin registers no "OnJsonApiEvent" (it then publishes no
// resource events); a resource whose name would hold a placeholder is left
// out.
std::vector<ResourceEventGroup> ResourceEvents(const ApiDescription& api);

// An ECMAScript pattern matching exactly the URIs of a path template.
std::string UriPattern(const std::string& route_template);

// Adds the payload schema of every group, and of "OnJsonApiEvent", to
// `components` (components/schemas), and the operation GET /events to `paths`.
void AddEventStream(const ApiDescription& api, const SchemaBuilder& schemas, rapidjson::Value* components,
                    rapidjson::Value* paths, JsonAllocator& allocator);

}  // namespace tav::host

#endif  // TAV_HOST_OPENAPI_EVENTS_H_
