// BindingTypeCode: the kind of a native type as the binding layer names it,
// with its native name (help, conversion messages) and its epytext name.
//
//   BindingTypeCodeNativeName(BindingTypeCode::kInt32);    // "int32"
//   BindingTypeCodeEpytextName(BindingTypeCode::kBlob);    // "bytearray"
//   BindingTypeCodeEpytextName(BindingTypeCode::kVector);  // "list[%1]"
#ifndef TAV_BINDING_BINDING_TYPE_CODE_H_
#define TAV_BINDING_BINDING_TYPE_CODE_H_

#include <cstdint>

namespace tav {

enum class BindingTypeCode : uint32_t {
  kNone = 0,
  kBool = 1,
  kInt8 = 2,
  kUint8 = 3,
  kInt16 = 4,
  kUint16 = 5,
  kInt32 = 6,
  kUint32 = 7,
  kInt64 = 8,
  kUint64 = 9,
  kFloat = 10,
  kDouble = 11,
  kString = 12,
  kObject = 13,  // a BindingProperty held as is
  kBlob = 14,
  kVector = 15,
  kEnum = 16,    // a registered enumeration
  kStruct = 17,  // a registered structure
  kCallback = 18,
  kMap = 19,  // string keys
};

// The native name of a code. For kEnum and kStruct this is the name used
// when no registered type is known ("enum", "struct"); "" for kNone and for
// any value outside the enumeration.
const char* BindingTypeCodeNativeName(BindingTypeCode code);

// The epytext name of a code. For kVector, kMap, kEnum and kStruct it is a
// pattern whose %1 is the element's epytext name or the registered name
// ("list[%1]", "dict[%1]", "L{%1}"); "" for kNone and unknown values.
const char* BindingTypeCodeEpytextName(BindingTypeCode code);

}  // namespace tav

#endif  // TAV_BINDING_BINDING_TYPE_CODE_H_
