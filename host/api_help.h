// The plain-text help of a plugin's API: every function with its route and
// arguments, every type with its fields or enumeration values, every event.
//
//   std::string text = FormatApiHelp("tav-perks", api);
#ifndef TAV_HOST_API_HELP_H_
#define TAV_HOST_API_HELP_H_

#include <string>
#include <string_view>

#include "api_description.h"

namespace tav::host {

// "bool", "int32", ..., "vector<int32>", "map<X>", a registered name, or
// "type <n>" for a code the host does not know.
std::string ApiTypeName(const ApiTypeRef& type);

std::string FormatApiHelp(std::string_view plugin_name, const ApiDescription& api);

}  // namespace tav::host

#endif  // TAV_HOST_API_HELP_H_
