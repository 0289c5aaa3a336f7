#include "plugin/resource_events.h"

#include <cstring>

#include "binding/core_value.h"
#include "plugin/remote_call.h"
#include "plugin/request_method.h"

namespace tav {

MaybeType<Failure, Empty> AppModule::SendResourceEvent(std::string_view base_name,
                                                       const PluginResourceEvent& event) {
  BindingResult converted;
  ToBinding(converted, event, registry_);
  if (!converted.ok()) return Failure(std::string(converted.error()));
  const std::string name = ResourceEventName(event.uri);
  FrameTrace("%s: Sending event: %s", short_name_.c_str(), name.c_str());

  CoreEvent record;
  std::memset(&record, 0, sizeof(record));
  ToCoreValue(converted.value(), &registry_, &record.payload);
  record.name = name.c_str();
  SendEvent(&record);
  if (base_name != name) {
    const std::string base(base_name);
    record.name = base.c_str();
    SendEvent(&record);
  }
  ReleaseCoreValue(&record.payload);
  return Empty{};
}

std::future<MaybeType<Failure, Empty>> AppModule::PostTelemetry(
    std::string_view table, const std::map<std::string, std::string>& event) {
  std::promise<MaybeType<Failure, Empty>> promise;
  std::future<MaybeType<Failure, Empty>> future = promise.get_future();
  const std::string url = std::string(kTelemetryEventsPath) + std::string(table);
  promise.set_value(Call(RequestMethod::kPost, url, NamedTextArguments(event)));
  return future;
}

}  // namespace tav
