// Names of the request method codes of the plugin ABI.
//
//   RequestMethodName(TAV_METHOD_PATCH)   // "PATCH"
//   RequestMethodFromName("put")          // TAV_METHOD_PUT
#ifndef TAV_HOST_REQUEST_METHOD_H_
#define TAV_HOST_REQUEST_METHOD_H_

#include <cstdint>
#include <string_view>

namespace tav::host {

// "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT"; "" for any
// other code, TAV_METHOD_NAMED included (its name travels beside it).
const char* RequestMethodName(uint32_t method);

// The code of a method name, compared without regard to case; 0 when the
// name is none of the seven.
uint32_t RequestMethodFromName(std::string_view name);

}  // namespace tav::host

#endif  // TAV_HOST_REQUEST_METHOD_H_
