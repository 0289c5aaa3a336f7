#include "plugin/plugin_identity.h"

#include "log/logger.h"
#include "log/positional_format.h"

namespace tav {

std::string GetFullNameFromShortNameAndType(std::string_view short_name, std::string_view type) {
  if (type == "backend") return "oxp-be-" + std::string(short_name);
  if (type == "frontend") return "oxp-fe-" + std::string(short_name);
  const std::string message = FormatMessage(
      "GetFullNameFromShortNameAndType(\"%1\", \"%2\") called with an unknown type", short_name,
      type);
  LogError("Plugin Manager| %s", message.c_str());
  return "oxp-xx-" + std::string(short_name);
}

PluginIdentity MakePluginIdentity(std::string_view short_name, std::string_view type) {
  PluginIdentity identity;
  identity.full_name = GetFullNameFromShortNameAndType(short_name, type);
  identity.short_name = std::string(short_name);
  identity.type = std::string(type);
  return identity;
}

}  // namespace tav
