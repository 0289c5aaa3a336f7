#include "plugin/request_method.h"

namespace tav {

const char* RequestMethodName(RequestMethod method) {
  switch (method) {
    case RequestMethod::kDelete:
      return "DELETE";
    case RequestMethod::kGet:
      return "GET";
    case RequestMethod::kHead:
      return "HEAD";
    case RequestMethod::kOptions:
      return "OPTIONS";
    case RequestMethod::kPatch:
      return "PATCH";
    case RequestMethod::kPost:
      return "POST";
    case RequestMethod::kPut:
      return "PUT";
    case RequestMethod::kNone:
    case RequestMethod::kNamed:
      return "";
  }
  return "";
}

}  // namespace tav
