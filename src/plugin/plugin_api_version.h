// PluginApiVersion: the version of the plugin API that a plugin or a core
// speaks, and the rule by which a core accepts a plugin.
//
//   PluginApiVersion core{18, 5, 0};
//   kPluginApiVersion.ToText();                 // "18.0.0"
//   IsCoreCompatible(core, kPluginApiVersion);  // true
#ifndef TAV_PLUGIN_PLUGIN_API_VERSION_H_
#define TAV_PLUGIN_PLUGIN_API_VERSION_H_

#include <cstdint>
#include <string>
#include <utility>

namespace tav {

struct PluginApiVersion {
  PluginApiVersion() = default;
  PluginApiVersion(uint32_t major_number, uint32_t minor_number, uint32_t patch_number,
                   std::string pre_release_text = {}, std::string build_text = {})
      : major(major_number),
        minor(minor_number),
        patch(patch_number),
        pre_release(std::move(pre_release_text)),
        build(std::move(build_text)) {}

  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t patch = 0;
  std::string pre_release;
  std::string build;

  // "major.minor.patch", then "-pre_release" and "+build" when not empty.
  std::string ToText() const;
};

// The plugin API this plugin is built for: 18.0.0.
extern const PluginApiVersion kPluginApiVersion;

// A core is compatible when it has the plugin's major version and is at
// least as new as the plugin.
bool IsCoreCompatible(const PluginApiVersion& core, const PluginApiVersion& plugin);

}  // namespace tav

#endif  // TAV_PLUGIN_PLUGIN_API_VERSION_H_
