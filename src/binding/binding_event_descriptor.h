// BindingEventDescriptor: one event the module publishes, as the registry
// lists it for help and for the tables handed to the core.
//
//   BindingEventDescriptor event;
//   event.name = "OnCallback";
//   event.payload = BindingTypeIdOf<BindingCallbackEvent>(registry);
//   event.tags = {"$builtin"};
//   registry.AddEvent(std::move(event));
#ifndef TAV_BINDING_BINDING_EVENT_DESCRIPTOR_H_
#define TAV_BINDING_BINDING_EVENT_DESCRIPTOR_H_

#include <string>
#include <vector>

#include "binding/binding_type_id.h"

namespace tav {

struct BindingEventDescriptor {
  std::string name;  // unique in the registry
  std::string name_space;
  BindingTypeId payload;
  std::string description;
  std::vector<std::string> tags;
};

}  // namespace tav

#endif  // TAV_BINDING_BINDING_EVENT_DESCRIPTOR_H_
