#include "binding/binding_type_code.h"

namespace tav {

const char* BindingTypeCodeNativeName(BindingTypeCode code) {
  switch (code) {
    case BindingTypeCode::kNone: return "";
    case BindingTypeCode::kBool: return "bool";
    case BindingTypeCode::kInt8: return "int8";
    case BindingTypeCode::kUint8: return "uint8";
    case BindingTypeCode::kInt16: return "int16";
    case BindingTypeCode::kUint16: return "uint16";
    case BindingTypeCode::kInt32: return "int32";
    case BindingTypeCode::kUint32: return "uint32";
    case BindingTypeCode::kInt64: return "int64";
    case BindingTypeCode::kUint64: return "uint64";
    case BindingTypeCode::kFloat: return "float";
    case BindingTypeCode::kDouble: return "double";
    case BindingTypeCode::kString: return "string";
    case BindingTypeCode::kObject: return "object";
    case BindingTypeCode::kBlob: return "blob";
    case BindingTypeCode::kVector: return "vector";
    case BindingTypeCode::kEnum: return "enum";
    case BindingTypeCode::kStruct: return "struct";
    case BindingTypeCode::kCallback: return "callback";
    case BindingTypeCode::kMap: return "map";
  }
  return "";
}

const char* BindingTypeCodeEpytextName(BindingTypeCode code) {
  switch (code) {
    case BindingTypeCode::kNone: return "";
    case BindingTypeCode::kBool: return "bool";
    case BindingTypeCode::kInt8: return "int8";
    case BindingTypeCode::kUint8: return "uint8";
    case BindingTypeCode::kInt16: return "int16";
    case BindingTypeCode::kUint16: return "uint16";
    case BindingTypeCode::kInt32: return "int32";
    case BindingTypeCode::kUint32: return "uint32";
    case BindingTypeCode::kInt64: return "int64";
    case BindingTypeCode::kUint64: return "uint64";
    case BindingTypeCode::kFloat: return "float";
    case BindingTypeCode::kDouble: return "double";
    case BindingTypeCode::kString: return "string";
    case BindingTypeCode::kObject: return "object";
    case BindingTypeCode::kBlob: return "bytearray";
    case BindingTypeCode::kVector: return "list[%1]";
    case BindingTypeCode::kEnum: return "L{%1}";
    case BindingTypeCode::kStruct: return "L{%1}";
    case BindingTypeCode::kCallback: return "callback";
    case BindingTypeCode::kMap: return "dict[%1]";
  }
  return "";
}

}  // namespace tav
