#include "plugin/live_objects.h"

namespace tav {

void LiveObjects::Add(const void* object) {
  std::lock_guard<std::mutex> lock(mutex_);
  objects_.insert(object);
}

void LiveObjects::Remove(const void* object) {
  std::lock_guard<std::mutex> lock(mutex_);
  objects_.erase(object);
}

bool LiveObjects::Contains(const void* object) const {
  if (object == nullptr) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  return objects_.count(object) != 0;
}

// Plain statics, not leaked heap objects: a host that closes the library
// and opens it again would otherwise lose one set per opening. Modules and
// their functions are gone by then (Shutdown destroys them), and a process
// that exits without Shutdown never destroys them at all.
LiveObjects& LiveModules() {
  static LiveObjects modules;
  return modules;
}

LiveObjects& LiveEndpointFunctions() {
  static LiveObjects functions;
  return functions;
}

}  // namespace tav
