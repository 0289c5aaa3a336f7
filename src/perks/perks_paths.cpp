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

std::string RuneBookPath(uint64_t summoner_id) {
  return "/tav-collections/v1/inventories/" + std::to_string(summoner_id) + "/rune-book";
}

std::string DisabledPerksResource(std::string_view shard) {
  std::string resource(kDisabledPerksResourcePrefix);
  resource.append(shard);
  return resource;
}

std::string DisabledPerksMessagesPath(std::string_view shard) {
  return std::string(kMessagingMessagesRoot) + DisabledPerksResource(shard);
}

}  // namespace tav::perks
