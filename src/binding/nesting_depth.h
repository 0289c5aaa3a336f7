// The deepest nesting of arrays and objects that the decoders build.
//
// Trees are copied, written and released recursively, so a body of many
// thousand nested brackets would exhaust the stack long after it was parsed.
// The JSON and MessagePack readers and the conversion from the core's value
// form refuse anything deeper, each with a message that names this limit.
//
//   if (depth > kMaxNestingDepth) return Fail(...);
#ifndef TAV_BINDING_NESTING_DEPTH_H_
#define TAV_BINDING_NESTING_DEPTH_H_

#include <cstddef>

namespace tav {

// Containers open at once, counting the outermost one as 1.
inline constexpr size_t kMaxNestingDepth = 512;

}  // namespace tav

#endif  // TAV_BINDING_NESTING_DEPTH_H_
