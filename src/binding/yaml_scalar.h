// YamlScalarResolver: turns one YAML scalar (its tag, text and quoting) into
// the value of a BindingProperty cell.
//
// Untagged quoted scalars are strings. Untagged plain, literal and folded
// scalars are tried as null words, then as a number read by strtod, then as
// bool words (yes/no/on/off included), and are otherwise strings. The tags
// !!str, !!int, !!float and !!bool pick the kind; any other tag is refused.
//
//   YamlScalarResolver resolver;
//   std::string error;
//   resolver.Resolve(nullptr, "010", /*quoted=*/false, cell, error);  // unsigned 10
//   resolver.Resolve(nullptr, "yes", /*quoted=*/true, cell, error);   // string "yes"
#ifndef TAV_BINDING_YAML_SCALAR_H_
#define TAV_BINDING_YAML_SCALAR_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "binding/binding_property.h"
#include "binding/binding_result.h"

namespace tav {

inline constexpr std::string_view kYamlStrTag = "tag:yaml.org,2002:str";
inline constexpr std::string_view kYamlIntTag = "tag:yaml.org,2002:int";
inline constexpr std::string_view kYamlFloatTag = "tag:yaml.org,2002:float";
inline constexpr std::string_view kYamlBoolTag = "tag:yaml.org,2002:bool";

// The bool words of untagged and !!bool scalars, exact and case-sensitive:
// 1 for a true word, 0 for a false word, -1 for any other text.
int YamlBoolWord(std::string_view text);

// What an untagged plain scalar stands for: empty (a null word), a bool, a
// number of one of the three number kinds, or a string of its own text.
// `bits` holds the value of a bool or number as a BindingProperty keeps it:
// a bool in its lowest byte, the others as their 64 bits.
struct PlainYamlScalar {
  BindingPropertyKind kind = BindingPropertyKind::kString;
  uint64_t bits = 0;

  bool boolean() const { return (bits & 1) != 0; }
  int64_t i64() const { return static_cast<int64_t>(bits); }
  uint64_t u64() const { return bits; }
  double f64() const;
};

// Resolves an untagged plain scalar. Its first byte alone decides which
// rule can apply: only a digit, a sign, a point or a blank can start a
// number, and only a handful of letters a null or bool word.
PlainYamlScalar ReadPlainYamlScalar(std::string_view text);

// Writes the resolved value of an untagged plain scalar into `target`.
void ResolvePlainYamlScalar(std::string_view text, BindingProperty& target);

class YamlScalarResolver {
 public:
  // Writes the value of the scalar into `target`. `tag` is the explicit tag
  // or null. Returns false with the message in `error` when the scalar has an
  // unsupported tag or its text does not convert to the tagged kind; `target`
  // is then left empty.
  bool Resolve(const char* tag, std::string_view text, bool quoted, BindingProperty& target,
               std::string& error);

 private:
  bool ResolveTagged(std::string_view tag, std::string_view text, BindingProperty& target,
                     std::string& error);

  // Scratch cells for the tagged conversions, kept so that their allocator
  // is made once per parse rather than once per tagged scalar.
  BindingProperty input_;
  BindingResult conversion_;
};

}  // namespace tav

#endif  // TAV_BINDING_YAML_SCALAR_H_
