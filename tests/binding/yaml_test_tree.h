// Comparison by data for the YAML tests, where the JSON reader gives the
// expected trees.
#ifndef TAV_TESTS_BINDING_YAML_TEST_TREE_H_
#define TAV_TESTS_BINDING_YAML_TEST_TREE_H_

#include "binding/binding_property.h"

namespace tav {

// Whether a number kind, and if so its value. long double holds every
// 64-bit integer and every double exactly, so no two different numbers meet.
inline bool NumberValue(const BindingProperty& value, long double& number) {
  switch (value.kind()) {
    case BindingPropertyKind::kSigned:
      number = static_cast<long double>(value.AsInt64());
      return true;
    case BindingPropertyKind::kUnsigned:
      number = static_cast<long double>(value.AsUint64());
      return true;
    case BindingPropertyKind::kFloat:
      number = static_cast<long double>(value.AsDouble());
      return true;
    default:
      return false;
  }
}

// Two trees hold the same data. Numbers compare by value whatever their kind:
// the JSON and YAML readers pick number kinds by different rules (1.0 is a
// float in JSON and an unsigned 1 in YAML), and the data is what is compared.
// Every other kind must match exactly, fields by name and elements in order.
inline bool SameYamlData(const BindingProperty& a, const BindingProperty& b) {
  long double x = 0;
  long double y = 0;
  bool a_number = NumberValue(a, x);
  bool b_number = NumberValue(b, y);
  if (a_number || b_number) return a_number && b_number && x == y;
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case BindingPropertyKind::kEmpty:
      return true;
    case BindingPropertyKind::kBool:
      return a.AsBool() == b.AsBool();
    case BindingPropertyKind::kString:
      return a.AsString() == b.AsString();
    case BindingPropertyKind::kBlob:
      return a.AsBlob() == b.AsBlob();
    case BindingPropertyKind::kEnum:
      return a.AsEnum().value == b.AsEnum().value && a.AsEnum().type_key == b.AsEnum().type_key;
    case BindingPropertyKind::kCollection: {
      if (a.size() != b.size()) return false;
      for (size_t i = 0; i < a.size(); ++i) {
        if (!SameYamlData(a[i], b[i])) return false;
      }
      return true;
    }
    case BindingPropertyKind::kStructure: {
      if (a.size() != b.size()) return false;
      for (const BindingStructEntry& field : a.Fields()) {
        const BindingProperty* other = b.FindField(field.key());
        if (other == nullptr || !SameYamlData(field.value, *other)) return false;
      }
      return true;
    }
    case BindingPropertyKind::kSigned:
    case BindingPropertyKind::kUnsigned:
    case BindingPropertyKind::kFloat:
      return false;  // handled above
  }
  return false;
}

}  // namespace tav

#endif  // TAV_TESTS_BINDING_YAML_TEST_TREE_H_
