#include "plugin/resource_observer.h"

#include <string>
#include <vector>

#include "plugin/remote_call.h"
#include "plugin/request_method.h"

namespace tav {

bool MatchesResourcePattern(std::string_view pattern, std::string_view uri) {
  size_t at = 0;
  for (const char expected : pattern) {
    if (expected != '*') {
      if (at >= uri.size() || uri[at] != expected) return false;
      ++at;
      continue;
    }
    const size_t start = at;
    while (at < uri.size() && uri[at] != '/') ++at;
    if (at == start) return false;
  }
  return at == uri.size();
}

void AppModule::Observe(std::string_view key, ResourceObserver observer) {
  const std::string path(key);
  if (path.find('*') != std::string::npos) {
    pattern_observers_[path] = observer;
  } else {
    exact_observers_[path] = observer;
  }
  Subscribe(path);

  MaybeType<Failure, BindingProperty> current = Call<BindingProperty>(RequestMethod::kGet, path);
  if (!current.ok()) return;
  PluginResourceEvent event;
  event.uri = path;
  event.eventType = PluginResourceEventType::Create;
  event.data = std::move(current).value();
  // The handler given here, not the map entry: the GET may have yielded,
  // and whatever ran meanwhile may have replaced or cleared the entry.
  if (observer) observer(event);
}

void AppModule::DispatchResourceEvent(const PluginResourceEvent& event) {
  if (event.uri.empty() || event.uri.front() != '/') {
    PluginResourceEvent rooted;
    rooted.uri = "/" + event.uri;
    rooted.eventType = event.eventType;
    rooted.data = event.data.Clone();
    DispatchResourceEvent(rooted);
    return;
  }
  // Observers run with the maps unlocked and may observe, wait or finalize;
  // each is copied out first so that no observer runs from an entry that a
  // change of the maps has freed.
  std::vector<ResourceObserver> observers;
  const auto exact = exact_observers_.find(event.uri);
  if (exact != exact_observers_.end()) observers.push_back(exact->second);
  for (const auto& [pattern, observer] : pattern_observers_) {
    if (MatchesResourcePattern(pattern, event.uri)) observers.push_back(observer);
  }
  for (const ResourceObserver& observer : observers) {
    if (observer) observer(event);
  }
}

}  // namespace tav
