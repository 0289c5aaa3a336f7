#include "plugin/endpoint_function.h"

#include <mutex>
#include <unordered_set>

namespace tav {

namespace {

// The functions alive in this library. The core hands the dispatch context
// back as a bare word; looking it up here turns a stale or foreign word into
// "Invalid function" instead of a wild pointer.
struct LiveFunctions {
  std::mutex mutex;
  std::unordered_set<const void*> set;
};

LiveFunctions& Live() {
  static LiveFunctions* live = new LiveFunctions();  // never destroyed: used until exit
  return *live;
}

}  // namespace

EndpointFunction::EndpointFunction(AppModule& module, std::string name)
    : module_(module), name_(std::move(name)) {
  LiveFunctions& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  live.set.insert(this);
}

EndpointFunction::~EndpointFunction() {
  LiveFunctions& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  live.set.erase(this);
}

EndpointFunction* EndpointFunction::FromDispatchContext(const void* context) {
  if (context == nullptr) return nullptr;
  LiveFunctions& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  if (live.set.count(context) == 0) return nullptr;
  return static_cast<EndpointFunction*>(const_cast<void*>(context));
}

}  // namespace tav
