// The event name under which the core delivers changes of a resource path:
// "OnJsonApiEvent" and "_" before each of the path's first three non-empty
// segments (five under "tav-platform-config").
//
//   ResourceEventName("/tav-perks/v1/pages/7");  // "OnJsonApiEvent_tav-perks_v1_pages"
#ifndef TAV_PLUGIN_RESOURCE_EVENT_NAME_H_
#define TAV_PLUGIN_RESOURCE_EVENT_NAME_H_

#include <string>
#include <string_view>

namespace tav {

inline constexpr std::string_view kJsonApiEventName = "OnJsonApiEvent";

std::string ResourceEventName(std::string_view path);

}  // namespace tav

#endif  // TAV_PLUGIN_RESOURCE_EVENT_NAME_H_
