// ParseYaml: reads one YAML document into a BindingProperty tree.
//
// Mappings become structures (keys must be string scalars), sequences become
// collections, and scalars are resolved by YamlScalarResolver. Aliases are
// deep copies of the anchored node. A stream with no document, or with one
// empty document, gives an ok, empty result; a second non-empty document is
// refused. Failures come back in the result with a message that names the
// line and column; nothing throws.
//
// Two limits keep hostile input from exhausting the process: containers may
// nest at most kMaxNestingDepth deep (aliases included), and aliases may
// create at most max(kMinYamlAliasCells, kYamlAliasCellsPerInputByte * input
// size) cells in all.
//
//   BindingResult page = ParseYaml("name: Mountain\nperks: [8100, 8126]\n");
//   if (!page.ok()) return Failure(page.error());
//   page.value()["perks"][1].GetUint64(0);  // 8126
#ifndef TAV_BINDING_YAML_READER_H_
#define TAV_BINDING_YAML_READER_H_

#include <cstddef>
#include <string_view>

#include "binding/binding_result.h"
#include "binding/nesting_depth.h"

namespace tav {

inline constexpr size_t kMinYamlAliasCells = 65536;
inline constexpr size_t kYamlAliasCellsPerInputByte = 8;

BindingResult ParseYaml(std::string_view text);

}  // namespace tav

#endif  // TAV_BINDING_YAML_READER_H_
