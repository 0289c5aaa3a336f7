// RequestContext: what a handler learns about the request it serves when it
// asks for it by taking `const RequestContext&` as its first parameter.
//
//   MaybeType<Failure, Empty> Touch(const RequestContext& request, int32_t id) {
//     if (request.headers.count("If-Match") == 0) ...
//   }
//
// Everything in it is borrowed from the core's request and lives until the
// handler returns; copy what must outlive the call.
#ifndef TAV_PLUGIN_REQUEST_CONTEXT_H_
#define TAV_PLUGIN_REQUEST_CONTEXT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "binding/fnv1a.h"
#include "tav/plugin_abi.h"

namespace tav {

struct RequestContext {
  HostContext host_context = 0;
  // When the dispatch entry was entered, in nanoseconds of the monotonic
  // clock.
  uint64_t arrival_ticks = 0;
  std::string_view url;          // path and optional "?query", as the core sent it
  std::string_view method_name;  // "GET", ... or the given name for a named method
  // Header pairs by name; a later pair with the same name replaced an
  // earlier one.
  const std::unordered_map<std::string, std::string, Fnv1aHash>* headers = nullptr;
};

}  // namespace tav

#endif  // TAV_PLUGIN_REQUEST_CONTEXT_H_
