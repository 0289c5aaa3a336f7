// ParameterLocation: where in a request an endpoint parameter may come from.
// A parameter restricted to one location refuses a value from any other;
// kAny takes it from anywhere.
//
//   EndpointArgument id = PathArg("id");  // location kPath
#ifndef TAV_PLUGIN_PARAMETER_LOCATION_H_
#define TAV_PLUGIN_PARAMETER_LOCATION_H_

#include <cstdint>

namespace tav {

enum class ParameterLocation : uint32_t {
  kAny = 0,
  kQuery = 1,   // the query string of the URL
  kPath = 2,    // captured by a placeholder of the path template
  kHeader = 4,  // a request header
  kBody = 5,    // the request body, decoded by its content type
};

}  // namespace tav

#endif  // TAV_PLUGIN_PARAMETER_LOCATION_H_
