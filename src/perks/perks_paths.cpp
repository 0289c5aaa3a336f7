#include "perks/perks_paths.h"

namespace tav::perks {

std::string PerksPath(std::string_view piece) {
  std::string path(kPerksApiRoot);
  path.append(piece);
  return path;
}

std::string PerksPagePath(int32_t id) {
  return PerksPath(kPagesPath) + "/" + std::to_string(id);
}

}  // namespace tav::perks
