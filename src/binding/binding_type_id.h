// BindingTypeId: how the binding layer describes a native type. A code, the
// element code of a vector or map, and the registered enumeration or
// structure that the type is or holds (null when there is none or it was not
// registered). The codes tell one level of nesting: a vector of vectors
// reports kVector with element kVector; `containers` tells every level.
//
//   BindingTypeId id{BindingTypeCode::kVector, BindingTypeCode::kStruct, page};
//   NativeTypeNames(id);   // {"vector", "TavPerksPerkPageResource"}
//   EpytextTypeName(id);   // "list[L{TavPerksPerkPageResource}]"
#ifndef TAV_BINDING_BINDING_TYPE_ID_H_
#define TAV_BINDING_BINDING_TYPE_ID_H_

#include <cstdint>
#include <string>

#include "binding/binding_type_code.h"

namespace tav {

struct BindingTypeDescriptor;

struct BindingTypeId {
  BindingTypeCode code = BindingTypeCode::kNone;
  BindingTypeCode element_code = BindingTypeCode::kNone;
  // The registered type for code kEnum or kStruct, or the one that the
  // innermost elements of vectors and maps are. Owned by the registry.
  const BindingTypeDescriptor* type = nullptr;
  // Every vector and map level of the type from the outside in, one
  // BindingContainer code of 2 bits per level, the outermost in the lowest
  // bits; 0 for a type that is neither. A map of vectors of structures is
  // kBindingContainerMap | kBindingContainerVector << 2.
  uint64_t containers = 0;
};

enum BindingContainer : uint64_t {
  kBindingContainerNone = 0,
  kBindingContainerVector = 1,
  kBindingContainerMap = 2,
};
inline constexpr unsigned kBindingContainerBits = 2;
// The container code of the outermost level of `containers`.
inline constexpr BindingContainer OutermostContainer(uint64_t containers) {
  return static_cast<BindingContainer>(containers & ((1u << kBindingContainerBits) - 1));
}

// The native help names of a type: the type's name ("vector", "map", a
// registered name, "int32", ...) and, for a vector or map, its element's
// name; "" otherwise. An enumeration or structure without a registered type
// is named "enum" or "struct". The texts are NUL-terminated and live as long
// as the registry that owns `id.type`.
struct BindingTypeNames {
  const char* type = "";
  const char* element_type = "";
};
BindingTypeNames NativeTypeNames(const BindingTypeId& id);

// The epytext name: "int32", "list[int32]", "dict[L{Name}]", "L{Name}", ...
// An unregistered enumeration or structure shows as "L{enum}" or
// "L{struct}"; a vector of vectors as "list[list[]]".
std::string EpytextTypeName(const BindingTypeId& id);

}  // namespace tav

#endif  // TAV_BINDING_BINDING_TYPE_ID_H_
