// Helpers for the codec tests and fuzzers: a kind-tagged dump of a tree, a
// structural comparison, and reading test data as raw bytes.
#ifndef TAV_TESTS_BINDING_CODEC_TEST_SUPPORT_H_
#define TAV_TESTS_BINDING_CODEC_TEST_SUPPORT_H_

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "binding/binding_property.h"

namespace tav::testing {

// A compact text that shows every kind: u7 unsigned, s-7 signed, f1.5 float,
// "x" string, b"..." blob (hex), e3@12 enum, null, [..] and {"k":..}.
inline std::string Dump(const BindingProperty& value) {
  char number[64];
  switch (value.kind()) {
    case BindingPropertyKind::kEmpty:
      return "null";
    case BindingPropertyKind::kBool:
      return value.AsBool() ? "true" : "false";
    case BindingPropertyKind::kSigned:
      std::snprintf(number, sizeof number, "s%" PRId64, value.AsInt64());
      return number;
    case BindingPropertyKind::kUnsigned:
      std::snprintf(number, sizeof number, "u%" PRIu64, value.AsUint64());
      return number;
    case BindingPropertyKind::kFloat:
      std::snprintf(number, sizeof number, "f%.17g", value.AsDouble());
      return number;
    case BindingPropertyKind::kString:
      return "\"" + std::string(value.AsString()) + "\"";
    case BindingPropertyKind::kBlob: {
      std::string out = "b\"";
      for (unsigned char c : value.AsBlob()) {
        std::snprintf(number, sizeof number, "%02x", c);
        out += number;
      }
      return out + "\"";
    }
    case BindingPropertyKind::kEnum:
      std::snprintf(number, sizeof number, "e%d@%u", value.AsEnum().value, value.AsEnum().type_key);
      return number;
    case BindingPropertyKind::kCollection: {
      std::string out = "[";
      for (const BindingProperty& element : value.Elements()) {
        if (out.size() > 1) out += ",";
        out += Dump(element);
      }
      return out + "]";
    }
    case BindingPropertyKind::kStructure: {
      std::string out = "{";
      for (const BindingStructEntry& field : value.Fields()) {
        if (out.size() > 1) out += ",";
        out += "\"" + std::string(field.key()) + "\":" + Dump(field.value);
      }
      return out + "}";
    }
  }
  return "?";
}

// Distance in units in the last place between two finite doubles.
inline uint64_t UlpDistance(double a, double b) {
  if (a == b) return 0;
  int64_t ia;
  int64_t ib;
  std::memcpy(&ia, &a, sizeof ia);
  std::memcpy(&ib, &b, sizeof ib);
  if (ia < 0) ia = INT64_MIN - ia;
  if (ib < 0) ib = INT64_MIN - ib;
  return ia > ib ? static_cast<uint64_t>(ia) - static_cast<uint64_t>(ib)
                 : static_cast<uint64_t>(ib) - static_cast<uint64_t>(ia);
}

struct CompareOptions {
  // Floats may differ by this many units in the last place.
  uint64_t float_ulps = 0;
  // A signed value that is not negative equals the unsigned value with the
  // same number (JSON text has no kind, and its reader makes it unsigned).
  bool signed_as_unsigned = false;
};

inline bool SameInteger(const BindingProperty& a, const BindingProperty& b) {
  if (a.kind() == BindingPropertyKind::kSigned && b.kind() == BindingPropertyKind::kUnsigned) {
    return a.AsInt64() >= 0 && static_cast<uint64_t>(a.AsInt64()) == b.AsUint64();
  }
  if (b.kind() == BindingPropertyKind::kSigned && a.kind() == BindingPropertyKind::kUnsigned) {
    return SameInteger(b, a);
  }
  return false;
}

// Empty when the trees match; otherwise where and how they differ.
inline std::string Difference(const BindingProperty& a, const BindingProperty& b,
                              const CompareOptions& options = {}, const std::string& path = "$") {
  if (a.kind() != b.kind()) {
    if (options.signed_as_unsigned && SameInteger(a, b)) return "";
    return path + ": " + Dump(a) + " vs " + Dump(b);
  }
  switch (a.kind()) {
    case BindingPropertyKind::kFloat: {
      const double x = a.AsDouble();
      const double y = b.AsDouble();
      if (std::isnan(x) && std::isnan(y)) return "";
      if (x == y || (std::isfinite(x) && std::isfinite(y) && UlpDistance(x, y) <= options.float_ulps)) {
        return "";
      }
      return path + ": " + Dump(a) + " vs " + Dump(b);
    }
    case BindingPropertyKind::kCollection: {
      if (a.size() != b.size()) return path + ": sizes " + std::to_string(a.size()) + " vs " +
                                        std::to_string(b.size());
      for (size_t i = 0; i < a.size(); ++i) {
        std::string d = Difference(a[i], b[i], options, path + "[" + std::to_string(i) + "]");
        if (!d.empty()) return d;
      }
      return "";
    }
    case BindingPropertyKind::kStructure: {
      if (a.size() != b.size()) return path + ": field counts " + std::to_string(a.size()) +
                                        " vs " + std::to_string(b.size());
      auto ia = a.Fields().begin();
      auto ib = b.Fields().begin();
      for (; ia != a.Fields().end(); ++ia, ++ib) {
        if (ia->key() != ib->key()) {
          return path + ": key " + std::string(ia->key()) + " vs " + std::string(ib->key());
        }
        std::string d = Difference(ia->value, ib->value, options,
                                   path + "." + std::string(ia->key()));
        if (!d.empty()) return d;
      }
      return "";
    }
    default:
      return Dump(a) == Dump(b) ? "" : path + ": " + Dump(a) + " vs " + Dump(b);
  }
}

// The whole file as raw bytes.
inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tav::testing

#endif  // TAV_TESTS_BINDING_CODEC_TEST_SUPPORT_H_
