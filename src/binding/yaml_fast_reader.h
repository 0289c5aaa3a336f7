// The quick pass of the YAML reader: a scanner of its own for the block
// style that settings and catalogues are written in, building with
// StackTreeBuilder. It vouches only for a narrow, plain form, and reads it
// to exactly the tree the libyaml passes build:
// - block mappings whose keys are words of letters, digits, '_', '-', '.'
//   and '/' followed by ": " or a line break, and block sequences of "- "
//   entries, a mapping allowed to start on the dash's line;
// - values on one line: plain scalars, single- or double-quoted scalars
//   (escapes \" and \\ only), flow sequences of such scalars, [] and {};
// - literal and folded block scalars with the plain "|" or ">" header, no
//   blank line and, when folded, no line indented further;
// - printable ASCII, and in values most letters and signs of two or three
//   bytes in UTF-8; spaces for indentation, blank lines between entries.
// Anything else (comments, tabs, anchors, tags, directives, document
// markers, multi-line plain or quoted scalars, a repeated key, any error)
// makes it give up, and the text is read again through libyaml, which
// words every message.
//
//   BindingProperty tree;
//   if (!ReadYamlFast(text, tree)) { /* read it through libyaml */ }
#ifndef TAV_BINDING_YAML_FAST_READER_H_
#define TAV_BINDING_YAML_FAST_READER_H_

#include <string_view>

#include "binding/binding_property.h"
#include "binding/binding_result.h"

namespace tav {

class StackTreeBuilder;

// True with the tree in `target` (an empty cell); false, with `target`
// untouched, when the text is left to libyaml. Reads no byte outside
// `text`.
bool ReadYamlFast(std::string_view text, BindingProperty& target);

// Hands an untagged plain (or block) scalar to `builder` as the libyaml
// passes resolve it.
void AddPlainYamlScalar(std::string_view text, StackTreeBuilder& builder);

namespace yaml_internal {

// ParseYaml without the quick pass: every text through libyaml. For the
// tests and fuzzers that hold the quick pass to it.
BindingResult ParseYamlWithLibyaml(std::string_view text);

}  // namespace yaml_internal

}  // namespace tav

#endif  // TAV_BINDING_YAML_FAST_READER_H_
