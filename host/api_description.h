// The plugin's API description tables read into host-side values. The
// records are walked defensively: null texts read as "", a chain that runs
// past its count or stops short is cut at the count, and every such fault is
// noted in `faults`.
//
//   ApiDescription api = ReadApiDescription(info.api_description);
//   for (const ApiFunction& f : api.functions) printf("%s %s\n", f.name.c_str(), f.route_template.c_str());
#ifndef TAV_HOST_API_DESCRIPTION_H_
#define TAV_HOST_API_DESCRIPTION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "tav/plugin_abi.h"

namespace tav::host {

// A type reference: code, element code and registered name (may be "").
struct ApiTypeRef {
  uint32_t code = 0;
  uint32_t element_code = 0;
  std::string type_name;
};

struct ApiArgument {
  std::string name;
  std::string description;
  ApiTypeRef type;
  bool optional = false;
  uint8_t location = TAV_LOCATION_ANY;  // TAV_LOCATION_*; ANY when the plugin does not say
};

struct ApiFunction {
  std::string name;
  std::string name_space;
  std::string description;
  std::string help;
  std::vector<ApiArgument> arguments;
  ApiTypeRef return_type;
  bool thread_safe = false;
  std::string async_type_name;
  std::vector<std::string> tags;
  uint32_t route_method = 0;
  std::string route_template;
  const FunctionRecord* record = nullptr;  // points into the plugin; valid while it is loaded
};

struct ApiField {
  std::string name;
  std::string description;
  uint32_t offset = 0;
  ApiTypeRef type;
  bool optional = false;
};

struct ApiEnumValue {
  std::string name;
  std::string description;
  int32_t value = 0;
};

struct ApiType {
  std::string name;
  std::string name_space;
  uint32_t native_size = 0;
  std::string description;
  std::vector<std::string> tags;
  bool is_enumeration = false;  // no field array and an enumeration value array
  std::vector<ApiField> fields;
  std::vector<ApiEnumValue> enum_values;
};

struct ApiEvent {
  std::string name;
  std::string name_space;
  std::string payload_type_name;
  std::string description;
  std::vector<std::string> tags;
};

struct ApiDescription {
  std::vector<ApiFunction> functions;
  std::vector<ApiType> types;
  std::vector<ApiEvent> events;
  std::vector<std::string> faults;
};

// Largest count believed in any table; a larger one is a fault.
inline constexpr uint32_t kMaxApiTableCount = 100000;

// Accepts null (an empty description with one fault).
ApiDescription ReadApiDescription(const PluginApiDescription* description);

}  // namespace tav::host

#endif  // TAV_HOST_API_DESCRIPTION_H_
