// PluginIdentity: the names a plugin is known by.
//
//   PluginIdentity identity = MakePluginIdentity("tav-perks", "backend");
//   identity.full_name;  // "oxp-be-tav-perks"
#ifndef TAV_PLUGIN_PLUGIN_IDENTITY_H_
#define TAV_PLUGIN_PLUGIN_IDENTITY_H_

#include <string>
#include <string_view>

namespace tav {

struct PluginIdentity {
  std::string full_name;
  std::string short_name;
  std::string type;
  std::string extra;  // always empty for this plugin
};

// The type's prefix and the short name: "oxp-be-" for "backend", "oxp-fe-"
// for "frontend". Any other type gets "oxp-xx-" and an error line.
std::string GetFullNameFromShortNameAndType(std::string_view short_name, std::string_view type);

PluginIdentity MakePluginIdentity(std::string_view short_name, std::string_view type);

}  // namespace tav

#endif  // TAV_PLUGIN_PLUGIN_IDENTITY_H_
