#include "plugin/resource_event_name.h"

namespace tav {

std::string ResourceEventName(std::string_view path) {
  std::string name(kJsonApiEventName);
  size_t kept = 0;
  size_t limit = 3;
  size_t position = 0;
  while (position < path.size() && kept < limit) {
    const size_t slash = path.find('/', position);
    const size_t end = slash == std::string_view::npos ? path.size() : slash;
    if (end > position) {
      const std::string_view segment = path.substr(position, end - position);
      if (kept == 0 && segment == "tav-platform-config") limit = 5;
      name += '_';
      name += segment;
      ++kept;
    }
    position = end + 1;
  }
  return name;
}

}  // namespace tav
