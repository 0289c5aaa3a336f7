// BindingFunctionDescriptor: one API function as the registry lists it for
// help and for the tables handed to the core. The plugin frame attaches its
// own per-function data (routes, handler) through `extension`.
//
//   BindingFunctionDescriptor function;
//   function.name = "GetTavPerksV1Pages";
//   function.returns = BindingTypeIdOf<std::vector<PerkPageResource>>(registry);
//   function.extension = std::make_shared<FrameFunction>(...);
//   auto [added, inserted] = registry.AddFunction(std::move(function));
#ifndef TAV_BINDING_BINDING_FUNCTION_DESCRIPTOR_H_
#define TAV_BINDING_BINDING_FUNCTION_DESCRIPTOR_H_

#include <memory>
#include <string>
#include <vector>

#include "binding/binding_type_id.h"

namespace tav {

// Base of the data a user of the registry keeps with a function. Derive
// from it and downcast where the derived type is known.
class BindingFunctionExtension {
 public:
  virtual ~BindingFunctionExtension() = default;
};

struct BindingArgumentDescriptor {
  std::string name;
  std::string description;
  BindingTypeId type;
  bool optional = false;
};

struct BindingFunctionDescriptor {
  std::string name;  // unique in the registry
  std::string name_space;
  std::string description;
  std::string help;
  std::vector<BindingArgumentDescriptor> arguments;  // in declaration order
  BindingTypeId returns;                             // code kNone when the function returns nothing
  bool thread_safe = false;
  bool async = false;
  std::vector<std::string> tags;
  std::shared_ptr<BindingFunctionExtension> extension;
};

}  // namespace tav

#endif  // TAV_BINDING_BINDING_FUNCTION_DESCRIPTOR_H_
