// BindingFieldConverter: converts one native field of a registered structure
// to and from a BindingProperty. There is one implementation per native
// field type (see native_conversion_internal.h); each field descriptor owns
// its converter.
//
//   field.converter->FromBinding(result, object + field.offset, input,
//                                field.name, field.type_id.type, registry);
#ifndef TAV_BINDING_BINDING_FIELD_CONVERTER_H_
#define TAV_BINDING_BINDING_FIELD_CONVERTER_H_

#include <string_view>

#include "binding/binding_property.h"
#include "binding/binding_result.h"

namespace tav {

struct BindingTypeDescriptor;
class BindingTypeRegistry;

class BindingFieldConverter {
 public:
  // Writes the native field at `field` from `input`, or fails `result` with
  // a message naming `field_name`. `type` is the registered enumeration or
  // structure the field is or holds (may be null); `registry` names the
  // values of enumerations given to string fields. Does nothing when
  // `result` has failed.
  virtual void FromBinding(BindingResult& result, void* field, const BindingProperty& input,
                           std::string_view field_name, const BindingTypeDescriptor* type,
                           const BindingTypeRegistry& registry) const = 0;

  // Writes the value of the native field at `field` into `out`, a fresh
  // cell of the tree that `result` holds, or fails `result`. After a failure
  // `out` may no longer exist; the caller must not touch it.
  virtual void ToBinding(BindingResult& result, BindingProperty& out, const void* field,
                         const BindingTypeDescriptor* type) const = 0;

  virtual ~BindingFieldConverter() = default;
};

}  // namespace tav

#endif  // TAV_BINDING_BINDING_FIELD_CONVERTER_H_
