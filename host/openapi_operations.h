// The plugin's functions as OpenAPI operations: each under its path
// template and method, named by its function name, with its arguments as
// path, query and header parameters or as the request body, and its result
// or failure as the responses.
//
//   rapidjson::Value paths(rapidjson::kObjectType);
//   AddOperations(api, schemas, &paths, allocator);
#ifndef TAV_HOST_OPENAPI_OPERATIONS_H_
#define TAV_HOST_OPENAPI_OPERATIONS_H_

#include <string>
#include <string_view>
#include <vector>

#include "api_description.h"
#include "openapi_schema.h"

namespace tav::host {

// Response components that the operations refer to: "Error", any failure
// with its status; "BadArgument", a 400 for an argument that could not be
// bound.
inline constexpr const char* kErrorResponse = "Error";
inline constexpr const char* kBadArgumentResponse = "BadArgument";

// The content types a request body may be sent in.
inline constexpr const char* kBodyContentTypes[] = {"application/json", "application/x-yaml", "application/x-msgpack"};

// A path template as OpenAPI writes it: a greedy placeholder "{+rest}" or
// a fragment placeholder "{#part}" becomes "{rest}", "{part}".
std::string OpenApiPath(std::string_view route_template);

// The placeholder names of a route template, in order.
std::vector<std::string> PlaceholderNames(std::string_view route_template);

// Adds one operation per function and method to `paths`, an object keyed by
// path. A function that takes any method gets one operation per method
// ("<name>_<method>"); a function without a route, or with a method given
// only by name, has no operation.
void AddOperations(const ApiDescription& api, const SchemaBuilder& schemas, rapidjson::Value* paths,
                   JsonAllocator& allocator);

// The response components named above, for components/responses.
rapidjson::Value ResponseComponents(JsonAllocator& allocator);

}  // namespace tav::host

#endif  // TAV_HOST_OPENAPI_OPERATIONS_H_
