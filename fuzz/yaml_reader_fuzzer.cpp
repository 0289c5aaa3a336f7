// Fuzzes ParseYaml with arbitrary bytes.
//
// Properties, beyond "no crash, no leak" (the sanitizers watch those):
// - a failed parse leaves exactly one field, a non-empty "error" text;
// - a successful parse gives a tree no deeper than kMaxNestingDepth, whatever
//   aliases copied into it;
// - a deep copy of that tree equals it, kind for kind and bit for bit;
// - reading the same text twice gives the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "binding/binding_property.h"
#include "binding/nesting_depth.h"
#include "binding/yaml_reader.h"

namespace {

using tav::BindingProperty;
using tav::BindingPropertyKind;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool Identical(const BindingProperty& a, const BindingProperty& b) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case BindingPropertyKind::kEmpty:
      return true;
    case BindingPropertyKind::kBool:
      return a.AsBool() == b.AsBool();
    case BindingPropertyKind::kSigned:
      return a.AsInt64() == b.AsInt64();
    case BindingPropertyKind::kUnsigned:
      return a.AsUint64() == b.AsUint64();
    case BindingPropertyKind::kFloat: {
      double x = a.AsDouble();
      double y = b.AsDouble();
      return std::memcmp(&x, &y, sizeof x) == 0;
    }
    case BindingPropertyKind::kString:
      return a.AsString() == b.AsString();
    case BindingPropertyKind::kBlob:
      return a.AsBlob() == b.AsBlob();
    case BindingPropertyKind::kEnum:
      return a.AsEnum().value == b.AsEnum().value && a.AsEnum().type_key == b.AsEnum().type_key;
    case BindingPropertyKind::kCollection:
      if (a.size() != b.size()) return false;
      for (size_t i = 0; i < a.size(); ++i) {
        if (!Identical(a[i], b[i])) return false;
      }
      return true;
    case BindingPropertyKind::kStructure: {
      if (a.size() != b.size()) return false;
      auto left = a.Fields().begin();
      auto right = b.Fields().begin();
      for (; left != a.Fields().end(); ++left, ++right) {
        if (left->key() != right->key() || !Identical(left->value, right->value)) return false;
      }
      return true;
    }
  }
  return false;
}

// Containers on the deepest path, the outermost counting as 1.
size_t Depth(const BindingProperty& value) {
  size_t deepest = 0;
  if (value.kind() == BindingPropertyKind::kCollection) {
    for (const BindingProperty& element : value.Elements()) {
      size_t depth = Depth(element);
      if (depth > deepest) deepest = depth;
    }
    return deepest + 1;
  }
  if (value.kind() == BindingPropertyKind::kStructure) {
    for (const tav::BindingStructEntry& field : value.Fields()) {
      size_t depth = Depth(field.value);
      if (depth > deepest) deepest = depth;
    }
    return deepest + 1;
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tav::BindingResult result = tav::ParseYaml(text);
  if (!result.ok()) {
    Check(result.value().size() == 1);
    Check(!result.error().empty());
    return 0;
  }
  Check(Depth(result.value()) <= tav::kMaxNestingDepth);
  BindingProperty copy = result.value().Clone();
  Check(Identical(result.value(), copy));
  tav::BindingResult again = tav::ParseYaml(text);
  Check(again.ok() && Identical(result.value(), again.value()));
  return 0;
}
