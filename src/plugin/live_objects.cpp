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

LiveObjects& LiveModules() {
  static LiveObjects* modules = new LiveObjects();
  return *modules;
}

LiveObjects& LiveEndpointFunctions() {
  static LiveObjects* functions = new LiveObjects();
  return *functions;
}

}  // namespace tav
