// RequestMethod: the method codes of requests between the core and plugins.
//
//   RequestMethodName(RequestMethod::kGet);  // "GET"
#ifndef TAV_PLUGIN_REQUEST_METHOD_H_
#define TAV_PLUGIN_REQUEST_METHOD_H_

#include <cstdint>

#include "tav/plugin_abi.h"

namespace tav {

enum class RequestMethod : uint32_t {
  kNone = 0,  // a function without a method accepts any
  kDelete = TAV_METHOD_DELETE,
  kGet = TAV_METHOD_GET,
  kHead = TAV_METHOD_HEAD,
  kOptions = TAV_METHOD_OPTIONS,
  kPatch = TAV_METHOD_PATCH,
  kPost = TAV_METHOD_POST,
  kPut = TAV_METHOD_PUT,
  kNamed = TAV_METHOD_NAMED,  // the method is given by name
};

// "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT"; "" for any
// other code.
const char* RequestMethodName(RequestMethod method);
inline const char* RequestMethodName(uint32_t code) {
  return RequestMethodName(static_cast<RequestMethod>(code));
}

}  // namespace tav

#endif  // TAV_PLUGIN_REQUEST_METHOD_H_
