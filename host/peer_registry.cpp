#include "peer_registry.h"

#include <algorithm>
#include <utility>

#include "tav/plugin_abi.h"

namespace tav::host {

int PeerRegistry::Add(uint32_t method, std::string_view pattern, PeerHandler handler) {
  int id = next_id_++;
  entries_.push_back({id, method, PathPattern(pattern), std::move(handler)});
  return id;
}

void PeerRegistry::Remove(int id) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; }),
                 entries_.end());
}

std::optional<PeerRegistry::Found> PeerRegistry::Find(uint32_t method, std::string_view path) const {
  const Entry* best = nullptr;
  PathMatch best_match;
  for (const Entry& entry : entries_) {
    if (entry.method != 0 && entry.method != method) continue;
    PathMatch match;
    if (!entry.pattern.Match(path, &match)) continue;
    // Later entries win ties: they come later in the walk.
    if (best == nullptr || match.captured_chars <= best_match.captured_chars) {
      best = &entry;
      best_match = std::move(match);
    }
  }
  if (best == nullptr) return std::nullopt;
  return Found{best->handler, std::move(best_match), best->pattern.text()};
}

}  // namespace tav::host
