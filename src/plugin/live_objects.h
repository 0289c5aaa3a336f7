// LiveObjects: the addresses of the live objects of one kind, so that a bare
// word the core hands back (a module, a dispatch context) is checked before
// it is followed. A stale or foreign word is then refused, not dereferenced.
//
//   LiveModules().Add(this);                   // in the constructor
//   if (!LiveModules().Contains(word)) return;  // in an entry point
#ifndef TAV_PLUGIN_LIVE_OBJECTS_H_
#define TAV_PLUGIN_LIVE_OBJECTS_H_

#include <mutex>
#include <unordered_set>

namespace tav {

class LiveObjects {
 public:
  void Add(const void* object);
  void Remove(const void* object);
  bool Contains(const void* object) const;

 private:
  mutable std::mutex mutex_;
  std::unordered_set<const void*> objects_;
};

// The AppModules and the EndpointFunctions of this library.
LiveObjects& LiveModules();
LiveObjects& LiveEndpointFunctions();

}  // namespace tav

#endif  // TAV_PLUGIN_LIVE_OBJECTS_H_
