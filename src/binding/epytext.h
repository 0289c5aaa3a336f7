// Epytext docstrings of the registry's functions, structures, enumerations
// and events: the "Epytext" help format. Every line ends with CR LF.
//
//   EpytextOf(*registry.FindType("TavPerksLoginSessionState"));
//   // "@cvar IN_PROGRESS: (0)\r\n@cvar SUCCEEDED: (1)\r\n..."
//   EscapeEpytext("-1 means {none}");   // "E{-}1 means E{lb}noneE{rb}"
#ifndef TAV_BINDING_EPYTEXT_H_
#define TAV_BINDING_EPYTEXT_H_

#include <string>
#include <string_view>

#include "binding/binding_event_descriptor.h"
#include "binding/binding_function_descriptor.h"
#include "binding/binding_type_descriptor.h"

namespace tav {

// Escapes a free text for epytext: a minus sign as the very first character
// becomes "E{-}", every "{" becomes "E{lb}" and every "}" "E{rb}".
std::string EscapeEpytext(std::string_view text);

// The description and help text (escaped), then per argument an "@param"
// line when it has a description and always an "@type" line, then
// "@rtype", "@tags", "@threadsafe" and "@async" where they apply.
std::string EpytextOf(const BindingFunctionDescriptor& function);

// A structure: the escaped description, an "@ivar" and an "@type" line per
// field in registration order, then "@tags". An enumeration: the escaped
// description, a "@cvar" line per value ordered by number (names sharing a
// number in name order), "@tags", then "@size".
std::string EpytextOf(const BindingTypeDescriptor& type);

// The escaped description and a blank line (even when the description is
// empty), then "@tags".
std::string EpytextOf(const BindingEventDescriptor& event);

}  // namespace tav

#endif  // TAV_BINDING_EPYTEXT_H_
