// Conversions between BindingProperty trees and CoreValue, the plain-memory
// form in which values cross to the core (see include/tav/plugin_abi.h).
//
// Ownership: ToCoreValue fills a value whose texts, bytes and arrays all
// come from the counting heap (runtime/heap.h) and are owned by the value;
// ReleaseCoreValue frees them. FromCoreValue only reads its input.
//
//   CoreValue out = {};
//   ToCoreValue(page, &registry, &out);
//   ...hand `out` to the core...
//   ReleaseCoreValue(&out);
//
//   BindingProperty body;
//   if (!FromCoreValue(request->arguments[0].value, "body", response, &body)) return;
#ifndef TAV_BINDING_CORE_VALUE_H_
#define TAV_BINDING_CORE_VALUE_H_

#include <string_view>

#include "binding/binding_property.h"
#include "tav/plugin_abi.h"

namespace tav {

class BindingTypeRegistry;

// Frees what `value` owns (owned texts and bytes, every collection and
// structure array, owned keys) and leaves it kind 0 with all bytes zero.
// Borrowed texts, bytes and keys are left alone.
void ReleaseCoreValue(CoreValue* value);

// Releases what `out` held, then fills it from `value`: strings as owned
// duplicates (cut at the first NUL), blobs as owned copies, enumeration
// values as their name when `registry` knows one and as a signed number
// otherwise, structures as entries in key order with owned keys. Empty
// blobs, collections and structures have a null address and a count of 0.
void ToCoreValue(const BindingProperty& value, const BindingTypeRegistry* registry,
                 CoreValue* out);

// Converts `value` into `out`, writing collections element by element from
// index 0 and structures field by field (a repeated key overwrites). Texts
// are read up to their NUL; their length word is not used.
//
// Returns false for a kind it does not know, a null text or key, a null
// array or byte address with a non-zero count, or nesting deeper than
// kMaxNestingDepth; `out` then keeps what was converted so far. On failure
// the error text of `error_record` (if not null) is replaced by an owned
// message naming `name`, e.g. "Couldn't assign value to 'body' of type
// object because the input is of an incompatible type 'string'.", and its
// owned flag is set. A previous owned error text in the record is freed with
// HeapFree, as every owned text the plugin puts there comes from that heap.
[[nodiscard]] bool FromCoreValue(const CoreValue& value, std::string_view name,
                                 ResponseRecord* error_record, BindingProperty* out);

// "bool", "signed", "unsigned", "float", "string", "blob", "collection",
// "structure"; "" for kind 0 and for kinds outside that list.
const char* CoreValueKindName(uint32_t kind);

}  // namespace tav

#endif  // TAV_BINDING_CORE_VALUE_H_
