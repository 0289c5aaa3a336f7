// ToIdentifier: turns a name, or a method and a path, into the CamelCase
// identifier the plugin uses for its API namespace and its function names.
//
// The characters ! + - . / _ are dropped and capitalise what follows; "{"
// becomes "By" and capitalises what follows; "}" is dropped.
//
//   ToIdentifier("tav-perks");                                   // "TavPerks"
//   ToIdentifier("/v1/pages/{id}");                              // "V1PagesById"
//   ToIdentifierWithPrefix("GET", "/tav-perks/v1/pages/{id}");   // "GetTavPerksV1PagesById"
#ifndef TAV_PLUGIN_TO_IDENTIFIER_H_
#define TAV_PLUGIN_TO_IDENTIFIER_H_

#include <string>
#include <string_view>

namespace tav {

std::string ToIdentifier(std::string_view name);

// With a non-empty prefix, converts the prefix's first character, the rest
// of the prefix in lower case, a slash and then `name`.
std::string ToIdentifierWithPrefix(std::string_view prefix, std::string_view name);

}  // namespace tav

#endif  // TAV_PLUGIN_TO_IDENTIFIER_H_
