#include "api_help.h"

#include "request_method.h"
#include "tav/plugin_abi.h"

namespace tav::host {

namespace {

constexpr const char* kCodeNames[] = {"",       "bool",   "int8",   "uint8",  "int16",  "uint16", "int32",
                                      "uint32", "int64",  "uint64", "float",  "double", "string", "object",
                                      "blob",   "vector", "enum",   "struct", "callback", "map"};

std::string CodeName(uint32_t code, const std::string& type_name) {
  if ((code == TAV_TYPE_ENUM || code == TAV_TYPE_STRUCT) && !type_name.empty()) return type_name;
  if (code < sizeof(kCodeNames) / sizeof(kCodeNames[0])) return kCodeNames[code];
  return "type " + std::to_string(code);
}

void AddLine(std::string* out, int indent, std::string_view text) {
  out->append(static_cast<size_t>(indent), ' ');
  out->append(text);
  out->push_back('\n');
}

std::string RouteText(const ApiFunction& f) {
  std::string method = f.route_method == 0 ? "ANY" : RequestMethodName(f.route_method);
  if (method.empty()) method = "method " + std::to_string(f.route_method);
  return method + " " + (f.route_template.empty() ? "(no route)" : f.route_template);
}

std::string Tags(const std::vector<std::string>& tags) {
  if (tags.empty()) return "";
  std::string text = " [";
  for (size_t i = 0; i < tags.size(); ++i) text += (i ? ", " : "") + tags[i];
  return text + "]";
}

}  // namespace

std::string ApiTypeName(const ApiTypeRef& type) {
  if (type.code == TAV_TYPE_NONE) return "void";
  if (type.code == TAV_TYPE_VECTOR || type.code == TAV_TYPE_MAP) {
    std::string element = CodeName(type.element_code, type.type_name);
    return std::string(type.code == TAV_TYPE_VECTOR ? "vector<" : "map<") + element + ">";
  }
  return CodeName(type.code, type.type_name);
}

std::string FormatApiHelp(std::string_view plugin_name, const ApiDescription& api) {
  std::string out;
  AddLine(&out, 0, "Plugin " + std::string(plugin_name));

  AddLine(&out, 0, "");
  AddLine(&out, 0, "Functions (" + std::to_string(api.functions.size()) + ")");
  for (const ApiFunction& f : api.functions) {
    std::string result = ApiTypeName(f.return_type);
    if (!f.async_type_name.empty()) result += " (async " + f.async_type_name + ")";
    AddLine(&out, 2, f.name + "  " + RouteText(f) + " -> " + result + Tags(f.tags));
    if (!f.description.empty()) AddLine(&out, 6, f.description);
    for (const ApiArgument& a : f.arguments) {
      std::string line = a.name + ": " + ApiTypeName(a.type) + (a.optional ? " (optional)" : "");
      if (!a.description.empty()) line += " - " + a.description;
      AddLine(&out, 6, line);
    }
  }

  AddLine(&out, 0, "");
  AddLine(&out, 0, "Types (" + std::to_string(api.types.size()) + ")");
  for (const ApiType& t : api.types) {
    std::string kind = t.is_enumeration ? "enumeration" : "structure, " + std::to_string(t.native_size) + " bytes";
    AddLine(&out, 2, t.name + " (" + kind + ")" + Tags(t.tags));
    if (!t.description.empty()) AddLine(&out, 6, t.description);
    for (const ApiField& field : t.fields) {
      std::string line = field.name + ": " + ApiTypeName(field.type) + (field.optional ? " (optional)" : "");
      if (!field.description.empty()) line += " - " + field.description;
      AddLine(&out, 6, line);
    }
    for (const ApiEnumValue& v : t.enum_values) {
      std::string line = v.name + " = " + std::to_string(v.value);
      if (!v.description.empty()) line += " - " + v.description;
      AddLine(&out, 6, line);
    }
  }

  AddLine(&out, 0, "");
  AddLine(&out, 0, "Events (" + std::to_string(api.events.size()) + ")");
  for (const ApiEvent& e : api.events) {
    AddLine(&out, 2, e.name + " (" + (e.payload_type_name.empty() ? "no payload" : e.payload_type_name) + ")" +
                         Tags(e.tags));
    if (!e.description.empty()) AddLine(&out, 6, e.description);
  }

  if (!api.faults.empty()) {
    AddLine(&out, 0, "");
    AddLine(&out, 0, "Faults in the tables (" + std::to_string(api.faults.size()) + ")");
    for (const std::string& fault : api.faults) AddLine(&out, 2, fault);
  }
  return out;
}

}  // namespace tav::host
