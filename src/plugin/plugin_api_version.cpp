#include "plugin/plugin_api_version.h"

#include "log/positional_format.h"

namespace tav {

const PluginApiVersion kPluginApiVersion{18, 0, 0, "", ""};

std::string PluginApiVersion::ToText() const {
  std::string text = FormatMessage("%1.%2.%3", major, minor, patch);
  if (!pre_release.empty()) text += "-" + pre_release;
  if (!build.empty()) text += "+" + build;
  return text;
}

bool IsCoreCompatible(const PluginApiVersion& core, const PluginApiVersion& plugin) {
  if (core.major != plugin.major) return false;
  return core.minor > plugin.minor || (core.minor == plugin.minor && core.patch >= plugin.patch);
}

}  // namespace tav
