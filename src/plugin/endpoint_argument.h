// EndpointArgument: the name and allowed location of one handler parameter,
// given in parameter order when an endpoint is registered.
//
//   Put("/tav-perks/v1/pages/{id}", &PerksModule::UpdatePage, PathArg("id"), BodyArg("page"));
//   Get("/tav-perks/v1/pages", &PerksModule::ListPages, QueryArg("limit").Optional());
//
// A parameter of type std::optional<T> is optional by itself.
#ifndef TAV_PLUGIN_ENDPOINT_ARGUMENT_H_
#define TAV_PLUGIN_ENDPOINT_ARGUMENT_H_

#include <string>
#include <string_view>
#include <utility>

#include "plugin/parameter_location.h"

namespace tav {

struct EndpointArgument {
  std::string name;
  ParameterLocation location = ParameterLocation::kAny;
  bool optional = false;

  // A copy marked optional: a missing value is not an error. The parameter
  // keeps its default value (false for a bool).
  EndpointArgument Optional() const {
    EndpointArgument copy = *this;
    copy.optional = true;
    return copy;
  }
};

// From anywhere: header, path, query, a request argument or the body.
inline EndpointArgument Arg(std::string_view name) {
  return {std::string(name), ParameterLocation::kAny, false};
}
inline EndpointArgument QueryArg(std::string_view name) {
  return {std::string(name), ParameterLocation::kQuery, false};
}
inline EndpointArgument PathArg(std::string_view name) {
  return {std::string(name), ParameterLocation::kPath, false};
}
inline EndpointArgument HeaderArg(std::string_view name) {
  return {std::string(name), ParameterLocation::kHeader, false};
}
// The request body. One body parameter per endpoint is filled; a second
// one only takes values from request arguments.
inline EndpointArgument BodyArg(std::string_view name) {
  return {std::string(name), ParameterLocation::kBody, false};
}

}  // namespace tav

#endif  // TAV_PLUGIN_ENDPOINT_ARGUMENT_H_
