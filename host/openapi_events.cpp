#include "openapi_events.h"

#include "openapi_operations.h"
#include "resource_event.h"

namespace tav::host {

using namespace openapi_internal;

namespace {

rapidjson::Value Texts(std::initializer_list<const char*> texts, JsonAllocator& allocator) {
  rapidjson::Value array(rapidjson::kArrayType);
  for (const char* text : texts) array.PushBack(JsonString(text, allocator), allocator);
  return array;
}

const ApiEvent* FindEvent(const ApiDescription& api, std::string_view name) {
  for (const ApiEvent& event : api.events) {
    if (event.name == name) return &event;
  }
  return nullptr;
}

const ApiType* FindStructure(const ApiDescription& api, const std::string& name) {
  for (const ApiType& type : api.types) {
    if (type.name == name && !type.is_enumeration) return &type;
  }
  return nullptr;
}

void AppendEscaped(std::string* pattern, std::string_view literal) {
  for (char c : literal) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) pattern->push_back('\\');
    pattern->push_back(c);
  }
}

// The payload of one resource: the fields of the registered resource event,
// with the resource's URI and its type of data.
rapidjson::Value ResourcePayload(const ApiFunction& getter, const ApiType* event_type, const SchemaBuilder& schemas,
                                 JsonAllocator& allocator) {
  rapidjson::Value uri = Object();
  AddText(uri, "type", "string", allocator);
  AddText(uri, "pattern", UriPattern(getter.route_template), allocator);
  rapidjson::Value properties = Object();
  rapidjson::Value required(rapidjson::kArrayType);
  Add(properties, "uri", std::move(uri), allocator);
  required.PushBack(JsonString("uri", allocator), allocator);
  if (event_type != nullptr) {
    for (const ApiField& field : event_type->fields) {
      if (field.name == "uri" || field.name == "data" || properties.HasMember(field.name.c_str())) continue;
      Add(properties, field.name, field.optional ? schemas.Nullable(field.type) : schemas.Reference(field.type),
          allocator);
      if (!field.optional) required.PushBack(JsonString(field.name, allocator), allocator);
    }
  } else {
    rapidjson::Value type = Object();
    AddText(type, "type", "string", allocator);
    Add(type, "enum", Texts({"Create", "Update", "Delete"}, allocator), allocator);
    Add(properties, "eventType", std::move(type), allocator);
    required.PushBack(JsonString("eventType", allocator), allocator);
  }
  Add(properties, "data", schemas.Reference(getter.return_type), allocator);
  required.PushBack(JsonString("data", allocator), allocator);

  rapidjson::Value payload = Object();
  AddText(payload, "type", "object", allocator);
  AddText(payload, "description", "A change of " + OpenApiPath(getter.route_template) + ".", allocator);
  Add(payload, "properties", std::move(properties), allocator);
  Add(payload, "required", std::move(required), allocator);
  Add(payload, "additionalProperties", rapidjson::Value(false), allocator);
  return payload;
}

// A group's payload: its one resource's, or any of its resources'.
rapidjson::Value GroupPayload(const ResourceEventGroup& group, const ApiType* event_type, const SchemaBuilder& schemas,
                              JsonAllocator& allocator) {
  if (group.getters.size() == 1) return ResourcePayload(*group.getters[0], event_type, schemas, allocator);
  rapidjson::Value choices(rapidjson::kArrayType);
  for (const ApiFunction* getter : group.getters) {
    choices.PushBack(ResourcePayload(*getter, event_type, schemas, allocator), allocator);
  }
  rapidjson::Value payload = Object();
  Add(payload, "anyOf", std::move(choices), allocator);
  return payload;
}

rapidjson::Value Frame(const std::string& name, JsonAllocator& allocator) {
  rapidjson::Value event = Object();
  AddText(event, "const", name, allocator);
  rapidjson::Value properties = Object();
  Add(properties, "event", std::move(event), allocator);
  Add(properties, "data", Reference(ComponentReference(name), allocator), allocator);
  rapidjson::Value frame = Object();
  AddText(frame, "type", "object", allocator);
  Add(frame, "properties", std::move(properties), allocator);
  Add(frame, "required", Texts({"event", "data"}, allocator), allocator);
  Add(frame, "additionalProperties", rapidjson::Value(false), allocator);
  return frame;
}

std::string UniqueOperationId(const ApiDescription& api, std::string id) {
  for (const ApiFunction& function : api.functions) {
    if (function.name == id) return UniqueOperationId(api, id + "_");
  }
  return id;
}

rapidjson::Value StreamOperation(const ApiDescription& api, rapidjson::Value frames, JsonAllocator& allocator) {
  rapidjson::Value name_schema = Object();
  AddText(name_schema, "type", "string", allocator);
  rapidjson::Value name = Object();
  AddText(name, "name", "name", allocator);
  AddText(name, "in", "query", allocator);
  AddText(name, "description", "Only the events whose name starts with this text.", allocator);
  Add(name, "required", rapidjson::Value(false), allocator);
  Add(name, "schema", std::move(name_schema), allocator);
  rapidjson::Value parameters(rapidjson::kArrayType);
  parameters.PushBack(std::move(name), allocator);

  rapidjson::Value stream = Object();
  AddText(stream, "type", "array", allocator);
  AddText(stream, "description",
          "Server-Sent Events frames, each an \"event:\" line with the event's name and a \"data:\" line with "
          "its payload as JSON; each item here is one frame with its payload decoded. Comment lines keep the "
          "connection alive.",
          allocator);
  rapidjson::Value items = Object();
  if (frames.Empty()) {
    AddText(items, "type", "object", allocator);  // the plugin names no events of its own
  } else {
    Add(items, "anyOf", std::move(frames), allocator);
  }
  Add(stream, "items", std::move(items), allocator);
  rapidjson::Value media = Object();
  Add(media, "schema", std::move(stream), allocator);
  rapidjson::Value content = Object();
  Add(content, "text/event-stream", std::move(media), allocator);
  rapidjson::Value ok = Object();
  AddText(ok, "description", "The stream, open until tav-core stops.", allocator);
  Add(ok, "content", std::move(content), allocator);

  rapidjson::Value busy = Reference(std::string("#/components/responses/") + kErrorResponse, allocator);
  AddText(busy, "description", "Too many event streams are open.", allocator);
  rapidjson::Value refused = Reference(std::string("#/components/responses/") + kErrorResponse, allocator);
  AddText(refused, "description",
          "The request's Host is not one of tav-core's names, or its Origin is neither tav-core's own nor allowed.",
          allocator);
  rapidjson::Value responses = Object();
  Add(responses, "200", std::move(ok), allocator);
  Add(responses, "403", std::move(refused), allocator);
  Add(responses, "503", std::move(busy), allocator);

  rapidjson::Value operation = Object();
  AddText(operation, "operationId", UniqueOperationId(api, "StreamEvents"), allocator);
  AddText(operation, "summary", "The events the plugin sends", allocator);
  AddText(operation, "description",
          "Every event the plugin sends, as it sends it. A change of a resource comes twice: under the name "
          "made of the resource's first path segments, and under \"OnJsonApiEvent\".",
          allocator);
  Add(operation, "parameters", std::move(parameters), allocator);
  Add(operation, "responses", std::move(responses), allocator);
  return operation;
}

}  // namespace

std::vector<ResourceEventGroup> ResourceEvents(const ApiDescription& api) {
  std::vector<ResourceEventGroup> groups;
  if (FindEvent(api, kJsonApiEventName) == nullptr) return groups;
  for (const ApiFunction& function : api.functions) {
    if (function.route_method != TAV_METHOD_GET || function.return_type.code == 0) continue;
    if (function.route_template.empty() || function.route_template[0] != '/') continue;
    const std::string name = ResourceEventName(function.route_template);
    if (name.find('{') != std::string::npos) continue;
    ResourceEventGroup* group = nullptr;
    for (ResourceEventGroup& each : groups) {
      if (each.name == name) group = &each;
    }
    if (group == nullptr) group = &groups.emplace_back(ResourceEventGroup{name, {}});
    group->getters.push_back(&function);
  }
  return groups;
}

std::string UriPattern(const std::string& route_template) {
  const std::string path = OpenApiPath(route_template);
  std::string pattern = "^";
  size_t at = 0;
  while (at < path.size()) {
    const size_t open = path.find('{', at);
    const size_t close = open == std::string::npos ? std::string::npos : path.find('}', open);
    if (close == std::string::npos) {
      AppendEscaped(&pattern, std::string_view(path).substr(at));
      break;
    }
    AppendEscaped(&pattern, std::string_view(path).substr(at, open - at));
    // A greedy placeholder spans segments; a plain one stays within one.
    const bool greedy = route_template.find("{+" + path.substr(open + 1, close - open - 1) + "}") != std::string::npos;
    pattern += greedy ? ".*" : "[^/]*";
    at = close + 1;
  }
  return pattern + "$";
}

void AddEventStream(const ApiDescription& api, const SchemaBuilder& schemas, rapidjson::Value* components,
                    rapidjson::Value* paths, JsonAllocator& allocator) {
  const ApiEvent* resource_event = FindEvent(api, kJsonApiEventName);
  const ApiType* event_type =
      resource_event != nullptr ? FindStructure(api, resource_event->payload_type_name) : nullptr;
  rapidjson::Value frames(rapidjson::kArrayType);
  rapidjson::Value any_resource(rapidjson::kArrayType);
  for (const ResourceEventGroup& group : ResourceEvents(api)) {
    Add(*components, ComponentName(group.name), GroupPayload(group, event_type, schemas, allocator), allocator);
    frames.PushBack(Frame(group.name, allocator), allocator);
    any_resource.PushBack(Reference(ComponentReference(group.name), allocator), allocator);
  }
  if (!any_resource.Empty()) {
    rapidjson::Value generic = Object();
    if (any_resource.Size() == 1) {
      generic = std::move(any_resource[0]);
    } else {
      Add(generic, "anyOf", std::move(any_resource), allocator);
    }
    AddText(generic, "description", "The second copy of every resource event.", allocator);
    Add(*components, ComponentName(kJsonApiEventName), std::move(generic), allocator);
    frames.PushBack(Frame(kJsonApiEventName, allocator), allocator);
  }
  rapidjson::Value item = Object();
  Add(item, "get", StreamOperation(api, std::move(frames), allocator), allocator);
  Add(*paths, kEventStreamPath, std::move(item), allocator);
}

}  // namespace tav::host
