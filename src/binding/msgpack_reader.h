// Decodes one MessagePack value into a BindingProperty tree.
//
// Reads exactly one value, with everything nested in it, from offset 0;
// bytes after it are left unread and *consumed tells where it ended. Kinds
// follow the format byte: uint 8-64 give unsigned, positive and negative
// fixints and int 8-64 give signed, float 32 widens to a double, str gives a
// string and bin a blob. nil leaves its cell empty. Extension types are not
// supported. Map keys must be strings.
//
// A buffer that ends inside a container is not an error: the value comes
// back with the elements that were there. A scalar or length cut short is
// an error, as is nesting deeper than kMaxNestingDepth. Positions in the
// messages are 0-based byte offsets into the buffer.
//
//   size_t consumed = 0;
//   BindingResult decoded = DecodeMsgpack(body, body_size, &consumed);
//   if (decoded.ok() && consumed != body_size) { /* trailing bytes */ }
#ifndef TAV_BINDING_MSGPACK_READER_H_
#define TAV_BINDING_MSGPACK_READER_H_

#include <cstddef>

#include "binding/binding_result.h"

namespace tav {

// `consumed` (may be null) receives the offset at which decoding stopped:
// the end of the value on success, the place of the fault on failure.
BindingResult DecodeMsgpack(const void* data, size_t size, size_t* consumed);

}  // namespace tav

#endif  // TAV_BINDING_MSGPACK_READER_H_
