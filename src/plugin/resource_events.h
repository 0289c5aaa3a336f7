// Outgoing events and telemetry: a module tells the rest of the client that
// one of its resources changed by sending a resource event, under the
// resource's own event name and under "OnJsonApiEvent"; and it posts usage
// events to a telemetry table.
//
//   PublishResource("/tav-perks/v1/currentpage", page);  // an Update event, sent twice
//   PostTelemetry("bkt_perks__event", {{"event", "perks_champselect_noperks"}});
#ifndef TAV_PLUGIN_RESOURCE_EVENTS_H_
#define TAV_PLUGIN_RESOURCE_EVENTS_H_

#include <string>
#include <string_view>
#include <utility>

#include "binding/binding_result.h"
#include "binding/native_conversion.h"
#include "binding/static_type.h"
#include "plugin/app_module.h"
#include "plugin/core_types.h"
#include "plugin/frame_trace.h"
#include "plugin/resource_event_name.h"

namespace tav {

inline constexpr const char* kTelemetryEventsPath = "/telemetry/v1/events/";

template <class T>
void AppModule::PublishResource(std::string_view path, const T& value,
                                PluginResourceEventType type) {
  static_assert(kIsBindingSupported<T>, "the value must be a supported native type");
  BindingResult converted;
  ToBinding(converted, value, registry_);
  if (!converted.ok()) {
    const std::string uri(path);
    FrameTrace("%s: Couldn't convert resource %s for event uri \"%s\"", short_name_.c_str(),
               StaticType::Name<T>().c_str(), uri.c_str());
    return;
  }
  PluginResourceEvent event;
  event.uri = std::string(path);
  event.eventType = type;
  event.data = std::move(converted.value());
  // Nothing else is done with a failure here: a resource event is a notice,
  // and the change it reports has already been made.
  (void)SendResourceEvent(kJsonApiEventName, event);
}

}  // namespace tav

#endif  // TAV_PLUGIN_RESOURCE_EVENTS_H_
