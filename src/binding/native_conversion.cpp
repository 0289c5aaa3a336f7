#include "binding/native_conversion.h"

#include <cstdint>
#include <limits>

namespace tav {
namespace native_conversion_internal {

namespace {

bool IsUsableStructure(const BindingTypeDescriptor* type) {
  return type != nullptr && !type->is_enum;
}

// What OmitIfEmpty leaves out: empty, false, zero, and strings, blobs,
// collections and structures of size 0. NaN is not zero.
bool IsEmptyOrZero(const BindingProperty& value) {
  switch (value.kind()) {
    case BindingPropertyKind::kEmpty:
      return true;
    case BindingPropertyKind::kBool:
      return !value.AsBool();
    case BindingPropertyKind::kSigned:
      return value.AsInt64() == 0;
    case BindingPropertyKind::kUnsigned:
      return value.AsUint64() == 0;
    case BindingPropertyKind::kFloat:
      return value.AsDouble() == 0.0;
    case BindingPropertyKind::kString:
    case BindingPropertyKind::kBlob:
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      return value.size() == 0;
    case BindingPropertyKind::kEnum:
      return value.AsEnum().value == 0;
  }
  return true;
}

// Converts a field that may be left out into a scratch tree first, so that
// nothing is stored when its value turns out empty. Only fields with
// OmitIfEmpty pay for the copy.
void OmittableFieldToBinding(BindingResult& result, BindingProperty& out,
                             const BindingFieldDescriptor& field, const void* address) {
  BindingResult scratch;
  field.converter->ToBinding(scratch, scratch.value(), address, field.type_id.type);
  if (!scratch.ok()) {
    result.Fail(scratch.error());
    return;
  }
  if (IsEmptyOrZero(scratch.value())) return;
  out.MutableField(field.name).Assign(scratch.value());
}

bool FitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

// The number `input` names in the enumeration `type`, when it names one.
bool FindEnumNumber(const BindingProperty& input, const BindingTypeDescriptor& type,
                    int32_t* number) {
  int64_t candidate = 0;
  switch (input.kind()) {
    case BindingPropertyKind::kSigned:
      candidate = input.AsInt64();
      break;
    case BindingPropertyKind::kUnsigned:
      if (input.AsUint64() > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
        return false;
      }
      candidate = static_cast<int64_t>(input.AsUint64());
      break;
    case BindingPropertyKind::kEnum:
      candidate = input.AsEnum().value;
      break;
    case BindingPropertyKind::kString: {
      if (const BindingEnumValueDescriptor* value = type.FindEnumValue(input.AsString())) {
        *number = value->number;
        return true;
      }
      // Not a name: maybe the number written as text. A parse failure is
      // not reported; the invalid-value message covers it.
      BindingResult parse;
      candidate = ConvertToSigned(parse, input, "", std::numeric_limits<int64_t>::min(),
                                  std::numeric_limits<int64_t>::max(), "int64");
      if (!parse.ok()) return false;
      break;
    }
    case BindingPropertyKind::kEmpty:
    case BindingPropertyKind::kBool:
    case BindingPropertyKind::kFloat:
    case BindingPropertyKind::kBlob:
    case BindingPropertyKind::kCollection:
    case BindingPropertyKind::kStructure:
      return false;
  }
  if (!FitsInt32(candidate) || !type.HasEnumNumber(static_cast<int32_t>(candidate))) return false;
  *number = static_cast<int32_t>(candidate);
  return true;
}

bool IsEnumInputKind(BindingPropertyKind kind) {
  return kind == BindingPropertyKind::kSigned || kind == BindingPropertyKind::kUnsigned ||
         kind == BindingPropertyKind::kEnum || kind == BindingPropertyKind::kString;
}

}  // namespace

void StructToBinding(BindingResult& result, BindingProperty& out, const void* object,
                     const BindingTypeDescriptor* type) {
  if (!result.ok()) return;
  if (!IsUsableStructure(type)) {
    FailUnregisteredToBinding(result);
    return;
  }
  out.Clear();
  out.MakeStructure();
  const char* base = static_cast<const char*>(object);
  for (const BindingFieldDescriptor& field : type->fields) {
    const void* address = base + field.offset;
    if ((field.flags & kBindingFieldOmitIfEmpty) != 0) {
      OmittableFieldToBinding(result, out, field, address);
    } else {
      // Written in place; an absent optional stays as an empty value.
      field.converter->ToBinding(result, out.MutableField(field.name), address, field.type_id.type);
    }
    if (!result.ok()) return;  // `out` is gone with the failed value
  }
}

void StructFromBinding(BindingResult& result, void* object, const BindingProperty& input,
                       std::string_view name, const BindingTypeDescriptor* type,
                       const BindingTypeRegistry& registry) {
  if (!result.ok()) return;
  if (!IsUsableStructure(type)) {
    FailUnregisteredFromBinding(result, name);
    return;
  }
  if (input.isEmpty()) {
    FailValueRequired(result, name);
    return;
  }
  if (input.kind() != BindingPropertyKind::kStructure) {
    FailNotAStructure(result, name, type->name);
    return;
  }
  char* base = static_cast<char*>(object);
  for (const BindingFieldDescriptor& field : type->fields) {
    const BindingProperty* value = input.FindField(field.name);
    if (value != nullptr && !value->isEmpty()) {
      field.converter->FromBinding(result, base + field.offset, *value, field.name,
                                   field.type_id.type, registry);
      if (!result.ok()) return;
      continue;
    }
    if ((field.flags & kBindingFieldRequired) != 0) {
      FailMissingRequiredField(result, name, type->name, field.name);
      return;
    }
  }
}

int32_t EnumNumberFromBinding(BindingResult& result, const BindingProperty& input,
                              std::string_view name, const BindingTypeDescriptor* type) {
  if (!result.ok()) return 0;
  if (type == nullptr || !type->is_enum) {
    FailUnregisteredFromBinding(result, name);
    return 0;
  }
  if (input.isEmpty()) {
    FailValueRequired(result, name);
    return 0;
  }
  if (!IsEnumInputKind(input.kind())) {
    FailEnumInvalidType(result, name, input.kind());
    return 0;
  }
  int32_t number = 0;
  if (FindEnumNumber(input, *type, &number)) return number;
  FailInvalidEnumValue(result, input, type->name, name);
  return 0;
}

}  // namespace native_conversion_internal
}  // namespace tav
