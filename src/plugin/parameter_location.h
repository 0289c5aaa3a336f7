// ParameterLocation: where in a request an endpoint parameter may come from.
// A parameter restricted to one location refuses a value from any other;
// kAny takes it from anywhere.
//
//   EndpointArgument id = PathArg("id");  // location kPath
#ifndef TAV_PLUGIN_PARAMETER_LOCATION_H_
#define TAV_PLUGIN_PARAMETER_LOCATION_H_

#include <cstdint>

#include "tav/plugin_abi.h"

namespace tav {

enum class ParameterLocation : uint32_t {
  kAny = 0,
  kQuery = 1,   // the query string of the URL
  kPath = 2,    // captured by a placeholder of the path template
  kHeader = 4,  // a request header
  kBody = 5,    // the request body, decoded by its content type
};

// The codes cross to the core as they are.
static_assert(static_cast<uint32_t>(ParameterLocation::kAny) == TAV_LOCATION_ANY &&
              static_cast<uint32_t>(ParameterLocation::kQuery) == TAV_LOCATION_QUERY &&
              static_cast<uint32_t>(ParameterLocation::kPath) == TAV_LOCATION_PATH &&
              static_cast<uint32_t>(ParameterLocation::kHeader) == TAV_LOCATION_HEADER &&
              static_cast<uint32_t>(ParameterLocation::kBody) == TAV_LOCATION_BODY);

}  // namespace tav

#endif  // TAV_PLUGIN_PARAMETER_LOCATION_H_
