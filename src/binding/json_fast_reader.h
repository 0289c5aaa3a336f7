// The quick pass of the JSON reader: a scanner of its own over the text,
// building with StackTreeBuilder, for the texts requests and settings are
// made of. It vouches only for what it reads exactly as RapidJSON's reader
// would (the same values, numbers converted by the same steps) and gives up
// on everything else: any error, a repeated key, a NUL or control byte, a
// root that is not an array or object, nesting past kMaxNestingDepth. The
// JSON reader then reads the text again with RapidJSON, which builds in
// place and words the error.
//
//   BindingProperty tree;
//   if (!ReadJsonFast(text, tree)) { /* read it the careful way */ }
#ifndef TAV_BINDING_JSON_FAST_READER_H_
#define TAV_BINDING_JSON_FAST_READER_H_

#include <string_view>

#include "binding/binding_property.h"

namespace tav {

// True with the tree in `target` (an empty cell); false, with `target`
// untouched, when the text is left to the careful reader. Reads no byte
// outside `text`, which need not be NUL-terminated.
bool ReadJsonFast(std::string_view text, BindingProperty& target);

}  // namespace tav

#endif  // TAV_BINDING_JSON_FAST_READER_H_
