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

template <class... Args>
std::string Printed(const char* format, Args... args) {
  char text[64];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// A compact text that shows every kind: u7 unsigned, s-7 signed, f1.5 float,
// "x" string, b"..." blob (hex), e3@12 enum, null, [..] and {"k":..}.
inline std::string Dump(const BindingProperty& value) {
  std::string out;
  switch (value.kind()) {
    case BindingPropertyKind::kEmpty:
      return "null";
    case BindingPropertyKind::kBool:
      return value.AsBool() ? "true" : "false";
    case BindingPropertyKind::kSigned:
      return Printed("s%" PRId64, value.AsInt64());
    case BindingPropertyKind::kUnsigned:
      return Printed("u%" PRIu64, value.AsUint64());
    case BindingPropertyKind::kFloat:
      return Printed("f%.17g", value.AsDouble());
    case BindingPropertyKind::kString:
      return "\"" + std::string(value.AsString()) + "\"";
    case BindingPropertyKind::kBlob:
      for (unsigned char c : value.AsBlob()) out += Printed("%02x", c);
      return "b\"" + out + "\"";
    case BindingPropertyKind::kEnum:
      return Printed("e%d@%u", value.AsEnum().value, value.AsEnum().type_key);
    case BindingPropertyKind::kCollection:
      for (const BindingProperty& element : value.Elements()) {
        out += (out.empty() ? "" : ",") + Dump(element);
      }
      return "[" + out + "]";
    case BindingPropertyKind::kStructure:
      for (const BindingStructEntry& field : value.Fields()) {
        out += (out.empty() ? "\"" : ",\"") + std::string(field.key()) + "\":" + Dump(field.value);
      }
      return "{" + out + "}";
  }
  return "?";
}

struct CompareOptions {
  // Floats may differ by this many units in the last place.
  uint64_t float_ulps = 0;
  // A signed value that is not negative equals the unsigned value with the
  // same number (JSON text has no kind, and its reader makes it unsigned).
  bool signed_as_unsigned = false;
  // Every number equals any other of the same value whatever the kinds: the
  // YAML and MessagePack readers pick kinds by their own rules.
  bool numbers_by_value = false;
  // A signed zero equals an unsigned zero: a document tree that keeps only
  // values cannot tell -0 from 0.
  bool zero_of_either_sign = false;
  // Floats must agree in sign too, so 0.0 and -0.0 differ.
  bool float_signs = false;
};

// Whether `value` is a number, and if so its value. long double holds every
// 64-bit integer and every double exactly, so no two different numbers meet.
inline bool NumberOf(const BindingProperty& value, long double& number) {
  switch (value.kind()) {
    case BindingPropertyKind::kSigned:
      number = static_cast<long double>(value.AsInt64());
      return true;
    case BindingPropertyKind::kUnsigned:
      number = static_cast<long double>(value.AsUint64());
      return true;
    case BindingPropertyKind::kFloat:
      number = value.AsDouble();
      return true;
    default:
      return false;
  }
}

// Whether two numbers of different kinds count as equal under `options`.
inline bool SameNumber(const BindingProperty& a, const BindingProperty& b,
                       const CompareOptions& options) {
  long double x = 0;
  long double y = 0;
  if (!NumberOf(a, x) || !NumberOf(b, y) || x != y) return false;
  const bool integers =
      a.kind() != BindingPropertyKind::kFloat && b.kind() != BindingPropertyKind::kFloat;
  return options.numbers_by_value || (options.signed_as_unsigned && integers) ||
         (options.zero_of_either_sign && integers && x == 0);
}

// Distance in units in the last place between two finite doubles.
inline uint64_t UlpDistance(double a, double b) {
  int64_t ia;
  int64_t ib;
  std::memcpy(&ia, &a, sizeof ia);
  std::memcpy(&ib, &b, sizeof ib);
  if (ia < 0) ia = INT64_MIN - ia;
  if (ib < 0) ib = INT64_MIN - ib;
  return ia > ib ? static_cast<uint64_t>(ia) - static_cast<uint64_t>(ib)
                 : static_cast<uint64_t>(ib) - static_cast<uint64_t>(ia);
}

// Empty when the trees match; otherwise where and how they differ.
inline std::string Difference(const BindingProperty& a, const BindingProperty& b,
                              const CompareOptions& options = {}, const std::string& path = "$") {
  const auto differ = [&](const char* how) { return path + how + Dump(a) + " vs " + Dump(b); };
  if (a.kind() != b.kind()) return SameNumber(a, b, options) ? "" : differ(": ");
  std::string inner;
  switch (a.kind()) {
    case BindingPropertyKind::kFloat: {
      const double x = a.AsDouble();
      const double y = b.AsDouble();
      if (options.float_signs && std::signbit(x) != std::signbit(y)) return differ(": ");
      if (x == y || (std::isnan(x) && std::isnan(y))) return "";
      const bool finite = std::isfinite(x) && std::isfinite(y);
      return finite && UlpDistance(x, y) <= options.float_ulps ? "" : differ(": ");
    }
    case BindingPropertyKind::kCollection:
      if (a.size() != b.size()) return differ(": sizes differ: ");
      for (size_t i = 0; i < a.size() && inner.empty(); ++i) {
        inner = Difference(a[i], b[i], options, path + "[" + std::to_string(i) + "]");
      }
      return inner;
    case BindingPropertyKind::kStructure:
      if (a.size() != b.size()) return differ(": field counts differ: ");
      for (auto ia = a.Fields().begin(), ib = b.Fields().begin();
           ia != a.Fields().end() && inner.empty(); ++ia, ++ib) {
        if (ia->key() != ib->key()) return differ(": keys differ: ");
        inner = Difference(ia->value, ib->value, options, path + "." + std::string(ia->key()));
      }
      return inner;
    default:
      return Dump(a) == Dump(b) ? "" : differ(": ");
  }
}

// The whole file as raw bytes.
inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tav::testing

#endif  // TAV_TESTS_BINDING_CODEC_TEST_SUPPORT_H_
