// BindingTypeRegistry: the per-module registry of native structures and
// enumerations, and of the module's API functions and events.
//
// (Being written. The one operation the codecs rely on is fixed here.)
#ifndef TAV_BINDING_BINDING_TYPE_REGISTRY_H_
#define TAV_BINDING_BINDING_TYPE_REGISTRY_H_

#include <cstdint>

namespace tav {

class BindingTypeRegistry {
 public:
  // The name of `value` in the enumeration whose TypeKey number is
  // `type_key`: the first name in byte order whose number equals the value.
  // Null when the enumeration is unknown or no name has that number. The
  // text lives as long as the registry.
  const char* FindEnumValueName(uint32_t type_key, int32_t value) const;
};

}  // namespace tav

#endif  // TAV_BINDING_BINDING_TYPE_REGISTRY_H_
