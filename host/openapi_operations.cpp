#include "openapi_operations.h"

#include <algorithm>
#include <cctype>

#include "request_method.h"

namespace tav::host {

using namespace openapi_internal;

namespace {

constexpr uint32_t kBoolCode = 1;
constexpr uint32_t kObjectCode = 13;

// The methods an operation can have, in the order OpenAPI lists them.
constexpr uint32_t kMethods[] = {TAV_METHOD_GET,     TAV_METHOD_PUT,  TAV_METHOD_POST, TAV_METHOD_DELETE,
                                 TAV_METHOD_OPTIONS, TAV_METHOD_HEAD, TAV_METHOD_PATCH};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// A missing bool starts as false, so only other arguments can be missing.
bool IsRequired(const ApiArgument& argument) { return !argument.optional && argument.type.code != kBoolCode; }

class OperationWriter {
 public:
  OperationWriter(const ApiFunction& function, const SchemaBuilder& schemas, JsonAllocator& allocator)
      : function_(function),
        schemas_(schemas),
        allocator_(allocator),
        placeholders_(PlaceholderNames(function.route_template)) {}

  rapidjson::Value Write(const std::string& operation_id) {
    rapidjson::Value operation = Object();
    AddText(operation, "operationId", operation_id, allocator_);
    AddText(operation, "summary", Summary(), allocator_);
    const std::string description = Description();
    if (!description.empty()) AddText(operation, "description", description, allocator_);
    if (!function_.tags.empty()) {
      // The plugin's own tags, kept as they are; they are not OpenAPI tags.
      rapidjson::Value tags(rapidjson::kArrayType);
      for (const std::string& tag : function_.tags) tags.PushBack(JsonString(tag, allocator_), allocator_);
      Add(operation, "x-plugin-tags", std::move(tags), allocator_);
    }
    rapidjson::Value parameters = Parameters();
    if (!parameters.Empty()) Add(operation, "parameters", std::move(parameters), allocator_);
    if (const ApiArgument* body = BodyArgument()) Add(operation, "requestBody", RequestBody(*body), allocator_);
    Add(operation, "responses", Responses(), allocator_);
    return operation;
  }

 private:
  std::string Summary() const {
    const std::string& text = function_.description;
    if (text.empty()) return function_.name;
    return text.substr(0, text.find('\n'));
  }

  std::string Description() const {
    if (function_.help.empty()) return function_.description;
    if (function_.description.empty()) return function_.help;
    return function_.description + "\n\n" + function_.help;
  }

  // The first body argument takes the request body; a second one could
  // only come from request arguments, which HTTP does not carry.
  const ApiArgument* BodyArgument() const {
    for (const ApiArgument& argument : function_.arguments) {
      if (argument.location == TAV_LOCATION_BODY) return &argument;
    }
    return nullptr;
  }

  bool HasBoundArgument() const {
    for (const ApiArgument& argument : function_.arguments) {
      if (argument.location != TAV_LOCATION_PATH || Contains(placeholders_, argument.name)) return true;
    }
    return false;
  }

  rapidjson::Value Parameters() {
    rapidjson::Value parameters(rapidjson::kArrayType);
    std::vector<std::string> bound_placeholders;
    for (const ApiArgument& argument : function_.arguments) {
      const bool in_path = Contains(placeholders_, argument.name) &&
                           (argument.location == TAV_LOCATION_PATH || argument.location == TAV_LOCATION_ANY);
      if (in_path) {
        bound_placeholders.push_back(argument.name);
        parameters.PushBack(Parameter(argument, "path", true, ""), allocator_);
        continue;
      }
      switch (argument.location) {
        case TAV_LOCATION_QUERY:
          parameters.PushBack(Parameter(argument, "query", IsRequired(argument), ""), allocator_);
          break;
        case TAV_LOCATION_HEADER:
          parameters.PushBack(Parameter(argument, "header", IsRequired(argument), ""), allocator_);
          break;
        case TAV_LOCATION_ANY:
          // Taken from the query or from a header of the same name; the
          // query is where a client normally puts it.
          parameters.PushBack(Parameter(argument, "query", IsRequired(argument), "May be sent as a header instead."),
                              allocator_);
          parameters.PushBack(Parameter(argument, "header", false, "May be sent in the query instead."), allocator_);
          break;
        default:
          break;  // the body, or a path argument without a placeholder
      }
    }
    // A placeholder that names no argument still matches a path segment.
    for (const std::string& name : placeholders_) {
      if (Contains(bound_placeholders, name)) continue;
      bound_placeholders.push_back(name);
      ApiArgument unnamed;
      unnamed.name = name;
      unnamed.type.code = 12;
      parameters.PushBack(Parameter(unnamed, "path", true, "Matched by the path; the function does not read it."),
                          allocator_);
    }
    return parameters;
  }

  rapidjson::Value Parameter(const ApiArgument& argument, const char* in, bool required, std::string_view note) {
    rapidjson::Value parameter = Object();
    AddText(parameter, "name", argument.name, allocator_);
    AddText(parameter, "in", in, allocator_);
    std::string description = argument.description;
    if (argument.type.code == kBoolCode && std::string_view(in) == "query") {
      description += std::string(description.empty() ? "" : " ") + "An empty value means true.";
    }
    if (!note.empty()) description += std::string(description.empty() ? "" : " ") + std::string(note);
    if (!description.empty()) AddText(parameter, "description", description, allocator_);
    Add(parameter, "required", rapidjson::Value(required), allocator_);
    if (SchemaBuilder::TakesJsonText(argument.type)) {
      // Lists and structures are read from JSON text.
      rapidjson::Value media = Object();
      Add(media, "schema", schemas_.Reference(argument.type), allocator_);
      rapidjson::Value content = Object();
      Add(content, "application/json", std::move(media), allocator_);
      Add(parameter, "content", std::move(content), allocator_);
    } else {
      Add(parameter, "schema", schemas_.Reference(argument.type), allocator_);
    }
    return parameter;
  }

  rapidjson::Value RequestBody(const ApiArgument& argument) {
    rapidjson::Value body = Object();
    std::string description =
        argument.description.empty() ? "The argument '" + argument.name + "'." : argument.description;
    AddText(body, "description", description, allocator_);
    Add(body, "required", rapidjson::Value(!argument.optional), allocator_);
    rapidjson::Value content = Object();
    for (const char* type : kBodyContentTypes) {
      rapidjson::Value media = Object();
      Add(media, "schema", schemas_.Reference(argument.type), allocator_);
      Add(content, type, std::move(media), allocator_);
    }
    Add(body, "content", std::move(content), allocator_);
    return body;
  }

  rapidjson::Value Responses() {
    rapidjson::Value responses = Object();
    if (function_.return_type.code == 0) {
      rapidjson::Value done = Object();
      AddText(done, "description", "Done: no content.", allocator_);
      Add(responses, "204", std::move(done), allocator_);
    } else {
      rapidjson::Value media = Object();
      Add(media, "schema", schemas_.Reference(function_.return_type), allocator_);
      rapidjson::Value content = Object();
      Add(content, "application/json", std::move(media), allocator_);
      rapidjson::Value value = Object();
      AddText(value, "description", "The result.", allocator_);
      Add(value, "content", std::move(content), allocator_);
      Add(responses, "200", std::move(value), allocator_);
      if (function_.return_type.code == kObjectCode) {
        // Any value includes none.
        rapidjson::Value none = Object();
        AddText(none, "description", "No value: no content.", allocator_);
        Add(responses, "204", std::move(none), allocator_);
      }
    }
    if (HasBoundArgument()) {
      Add(responses, "400", Reference(std::string("#/components/responses/") + kBadArgumentResponse, allocator_),
          allocator_);
    }
    Add(responses, "default", Reference(std::string("#/components/responses/") + kErrorResponse, allocator_),
        allocator_);
    return responses;
  }

  const ApiFunction& function_;
  const SchemaBuilder& schemas_;
  JsonAllocator& allocator_;
  std::vector<std::string> placeholders_;
};

rapidjson::Value& PathItem(rapidjson::Value* paths, const std::string& path, JsonAllocator& allocator) {
  auto found = paths->FindMember(path.c_str());
  if (found != paths->MemberEnd()) return found->value;
  Add(*paths, path, Object(), allocator);
  return (paths->MemberEnd() - 1)->value;
}

rapidjson::Value ErrorResponse(std::string_view description, JsonAllocator& allocator) {
  rapidjson::Value media = Object();
  Add(media, "schema", Reference(ComponentReference("Error"), allocator), allocator);
  rapidjson::Value content = Object();
  Add(content, "application/json", std::move(media), allocator);
  rapidjson::Value response = Object();
  AddText(response, "description", description, allocator);
  Add(response, "content", std::move(content), allocator);
  return response;
}

}  // namespace

std::string OpenApiPath(std::string_view route_template) {
  std::string out;
  for (size_t i = 0; i < route_template.size(); ++i) {
    out.push_back(route_template[i]);
    if (route_template[i] == '{' && i + 1 < route_template.size() &&
        (route_template[i + 1] == '+' || route_template[i + 1] == '#')) {
      ++i;
    }
  }
  return out;
}

std::vector<std::string> PlaceholderNames(std::string_view route_template) {
  std::vector<std::string> names;
  const std::string path = OpenApiPath(route_template);
  size_t open = path.find('{');
  while (open != std::string::npos) {
    const size_t close = path.find('}', open);
    if (close == std::string::npos) break;
    names.push_back(path.substr(open + 1, close - open - 1));
    open = path.find('{', close);
  }
  return names;
}

void AddOperations(const ApiDescription& api, const SchemaBuilder& schemas, rapidjson::Value* paths,
                   JsonAllocator& allocator) {
  for (const ApiFunction& function : api.functions) {
    if (function.route_template.empty() || function.route_template[0] != '/') continue;
    std::vector<uint32_t> methods;
    if (function.route_method == 0) {
      methods.assign(std::begin(kMethods), std::end(kMethods));
    } else if (std::find(std::begin(kMethods), std::end(kMethods), function.route_method) != std::end(kMethods)) {
      methods.push_back(function.route_method);
    }
    if (methods.empty()) continue;
    rapidjson::Value& item = PathItem(paths, OpenApiPath(function.route_template), allocator);
    for (uint32_t method : methods) {
      const std::string key = Lower(RequestMethodName(method));
      // Two functions on one path and method: the first one is reached.
      if (item.HasMember(key.c_str())) continue;
      const std::string id = function.route_method == 0 ? function.name + "_" + key : function.name;
      Add(item, key, OperationWriter(function, schemas, allocator).Write(id), allocator);
    }
  }
}

rapidjson::Value ResponseComponents(JsonAllocator& allocator) {
  rapidjson::Value responses = Object();
  Add(responses, kErrorResponse,
      ErrorResponse("A failure, with the plugin's status and message (or tav-core's, such as 504 when the plugin "
                    "does not answer in time).",
                    allocator),
      allocator);
  Add(responses, kBadArgumentResponse,
      ErrorResponse("An argument or the body could not be read: missing, malformed, of the wrong type or in the "
                    "wrong place.",
                    allocator),
      allocator);
  return responses;
}

}  // namespace tav::host
