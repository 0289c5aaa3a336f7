// The dispatch entry of every FunctionRecord: the core calls it with the
// ResponseRecord to fill and the RequestRecord of a call of one of the
// plugin's functions.
//
// It routes the URL's path against the called function's routes, binds the
// request's headers, path captures, query, arguments and body to the
// handler's parameters, runs the handler and writes its value or Failure
// into the response. Routing failures answer 404 "Invalid function";
// binding failures answer their message with status 0; a malformed record
// answers 400 with a message naming the fault; an exception thrown below
// answers 500 "Internal server error". Nothing unwinds into the core.
//
//   record.dispatch = &DispatchRequest;
//   record.description.dispatch_context = function;  // an EndpointFunction
#ifndef TAV_PLUGIN_REQUEST_DISPATCH_H_
#define TAV_PLUGIN_REQUEST_DISPATCH_H_

#include <cstddef>
#include <string_view>
#include <vector>

#include "plugin/endpoint_function.h"
#include "tav/plugin_abi.h"

namespace tav {

void DispatchRequest(ResponseRecord* response, const RequestRecord* request);

// The route of `function` that takes a request with `method` (and
// `method_name` for a named method) for `path` (the URL without its query),
// with its captures; null when none does. Of several matching routes the
// one whose captures are shortest in total wins; a tie keeps the earlier.
const EndpointRoute* SelectRoute(const EndpointFunction& function, uint32_t method,
                                 std::string_view method_name, std::string_view path,
                                 std::vector<std::string_view>* captures);

}  // namespace tav

#endif  // TAV_PLUGIN_REQUEST_DISPATCH_H_
