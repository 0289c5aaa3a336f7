// The API help: the registry's functions, types and events described in the
// "Full" format (trees of the help structures of builtin_types.h) or the
// "Epytext" format (a docstring per item, see epytext.h).
//
//   BindingResult help = ApiHelp(registry, BindingHelpFormat::Epytext);
//   help.value()["types"]["TavPerksPerkBook"].AsString();   // "@ivar ..."
//   BindingResult one = TypeHelp(registry, *page_type, BindingHelpFormat::Full);
//   one.value()["fields"][0]["name"].AsString();           // "current"
#ifndef TAV_BINDING_API_HELP_H_
#define TAV_BINDING_API_HELP_H_

#include "binding/binding_event_descriptor.h"
#include "binding/binding_function_descriptor.h"
#include "binding/binding_result.h"
#include "binding/binding_type_descriptor.h"
#include "binding/binding_type_id.h"
#include "binding/builtin_types.h"

namespace tav {

class BindingTypeRegistry;

// The help of the whole API: a structure with the fields "functions",
// "types" and "events". Each table is copied from the registry under its
// lock and sorted by name (byte order). In the "Full" format each field is a
// collection of help structures; in the "Epytext" format each is a
// structure mapping every item's name to its docstring.
//
// The "Full" format converts the help structures through `registry`, so it
// fails with the unregistered-structure message unless RegisterBuiltinTypes
// ran on it. A format number other than 1 or 2 fails with
// "<number> is not a valid help format.".
BindingResult ApiHelp(const BindingTypeRegistry& registry, BindingHelpFormat format);

// The help of one item, shaped like one element of ApiHelp: a help
// structure ("Full") or the docstring as a string ("Epytext").
BindingResult FunctionHelp(const BindingTypeRegistry& registry,
                           const BindingFunctionDescriptor& function, BindingHelpFormat format);
BindingResult TypeHelp(const BindingTypeRegistry& registry, const BindingTypeDescriptor& type,
                       BindingHelpFormat format);
BindingResult EventHelp(const BindingTypeRegistry& registry, const BindingEventDescriptor& event,
                        BindingHelpFormat format);

// The native help structures of one item.
BindingFullFunctionHelp FullHelpOf(const BindingFunctionDescriptor& function);
BindingFullTypeHelp FullHelpOf(const BindingTypeDescriptor& type);
BindingFullEventHelp FullHelpOf(const BindingEventDescriptor& event);

// {native name, element native name} of a type, as help shows it.
BindingFullTypeIdentifier FullTypeIdentifierOf(const BindingTypeId& id);

// The registered enumeration or structure that a type of code vector (15),
// enumeration (16), structure (17) or map (19) is or holds; "" for every
// other code and when no registered type is known. The text lives as long
// as the registry that owns id.type.
const char* RegisteredTypeName(const BindingTypeId& id);

// The registered name of an async function's return type; "" when the
// function is not async.
const char* AsyncTypeName(const BindingFunctionDescriptor& function);

}  // namespace tav

#endif  // TAV_BINDING_API_HELP_H_
