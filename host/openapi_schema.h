// How the plugin's types read as JSON Schema (the dialect of OpenAPI 3.1):
// a type reference becomes an inline schema or a reference to the
// registered type's component, and a registered structure or enumeration
// becomes its component.
//
//   SchemaBuilder schemas(api, document.GetAllocator());
//   rapidjson::Value items = schemas.Reference(function.return_type);
//   rapidjson::Value component = schemas.Component(api.types[0]);
#ifndef TAV_HOST_OPENAPI_SCHEMA_H_
#define TAV_HOST_OPENAPI_SCHEMA_H_

#include <rapidjson/document.h>

#include <set>
#include <string>
#include <string_view>

#include "api_description.h"
#include "openapi_internal.h"

namespace tav::host {

using openapi_internal::JsonAllocator;

// The key of a name under components/schemas: every character outside
// letters, digits, ".", "-" and "_" becomes "_".
std::string ComponentName(std::string_view name);

// "#/components/schemas/<ComponentName(name)>".
std::string ComponentReference(std::string_view name);

class SchemaBuilder {
 public:
  // Only the types of `api` get references; a reference to a name it does
  // not register becomes an open schema saying so.
  SchemaBuilder(const ApiDescription& api, JsonAllocator& allocator);

  // The schema of a value of `type`: booleans, integers with their format
  // and bounds, numbers, texts, any value for an object, arrays for
  // vectors, objects for maps, and references for registered types.
  rapidjson::Value Reference(const ApiTypeRef& type) const;

  // The schema of `type` that may also be null: an optional field or
  // argument left empty is written as null.
  rapidjson::Value Nullable(const ApiTypeRef& type) const;

  // The component of a registered type. A structure is an object of its
  // fields, the optional ones not required; an enumeration is one of its
  // names, or a number without a name (such as a combination of flags).
  rapidjson::Value Component(const ApiType& type) const;

  // Whether a parameter of this type is passed as JSON text rather than as
  // a plain value (objects, vectors, maps and structures).
  static bool TakesJsonText(const ApiTypeRef& type);

 private:
  rapidjson::Value Scalar(uint32_t code, const std::string& type_name) const;
  rapidjson::Value Structure(const ApiType& type) const;
  rapidjson::Value Enumeration(const ApiType& type) const;

  JsonAllocator& allocator_;
  std::set<std::string> registered_;
};

}  // namespace tav::host

#endif  // TAV_HOST_OPENAPI_SCHEMA_H_
