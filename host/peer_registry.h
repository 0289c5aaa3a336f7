// The peers of the development core: handlers registered by method and path
// pattern (see PathPattern), looked up for every request of the plugin.
//
//   PeerRegistry peers;
//   int id = peers.Add(TAV_METHOD_GET, "/tav-login/v1/session", handler);
//   auto found = peers.Find(TAV_METHOD_GET, "/tav-login/v1/session");
//   peers.Remove(id);
#ifndef TAV_HOST_PEER_REGISTRY_H_
#define TAV_HOST_PEER_REGISTRY_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "path_pattern.h"
#include "peer.h"

namespace tav::host {

class PeerRegistry {
 public:
  struct Found {
    PeerHandler handler;  // a copy: a handler may add or remove peers while it runs
    PathMatch match;
    std::string pattern;
  };

  // `method` 0 accepts every method. Returns an id for Remove.
  int Add(uint32_t method, std::string_view pattern, PeerHandler handler);
  void Remove(int id);

  // Of the handlers whose method and pattern match `path`, the one with the
  // fewest captured characters (a literal path beats a pattern); of equals,
  // the one added last, so a test can override a built-in peer.
  std::optional<Found> Find(uint32_t method, std::string_view path) const;

 private:
  struct Entry {
    int id;
    uint32_t method;
    PathPattern pattern;
    PeerHandler handler;
  };

  std::vector<Entry> entries_;
  int next_id_ = 1;
};

}  // namespace tav::host

#endif  // TAV_HOST_PEER_REGISTRY_H_
