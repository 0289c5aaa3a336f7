#include "openapi_document.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include "openapi_events.h"
#include "openapi_operations.h"
#include "openapi_schema.h"

namespace tav::host {

using namespace openapi_internal;

namespace {

rapidjson::Value Info(const OpenApiSettings& settings, JsonAllocator& allocator) {
  rapidjson::Value info = Object();
  AddText(info, "title", settings.plugin_name + " API", allocator);
  AddText(info, "version", settings.version, allocator);
  AddText(info, "description",
          "The API of the plugin " + settings.plugin_name +
              " as tav-core serves it, made from the plugin's own description of its functions, types and "
              "events. A value is answered as JSON with the plugin's status, an empty success as 204 and a "
              "failure as {\"error\": text}. Request bodies may be sent as JSON, YAML or MessagePack.",
          allocator);
  return info;
}

rapidjson::Value Servers(const OpenApiSettings& settings, JsonAllocator& allocator) {
  rapidjson::Value server = Object();
  AddText(server, "url", settings.server_url, allocator);
  AddText(server, "description", "tav-core", allocator);
  rapidjson::Value servers(rapidjson::kArrayType);
  servers.PushBack(std::move(server), allocator);
  return servers;
}

rapidjson::Value ErrorSchema(JsonAllocator& allocator) {
  rapidjson::Value text = Object();
  AddText(text, "type", "string", allocator);
  rapidjson::Value properties = Object();
  Add(properties, "error", std::move(text), allocator);
  rapidjson::Value required(rapidjson::kArrayType);
  required.PushBack(JsonString("error", allocator), allocator);
  rapidjson::Value schema = Object();
  AddText(schema, "type", "object", allocator);
  AddText(schema, "description", "A failure: its message.", allocator);
  Add(schema, "properties", std::move(properties), allocator);
  Add(schema, "required", std::move(required), allocator);
  return schema;
}

}  // namespace

std::string OpenApiDocument(const ApiDescription& api, const OpenApiSettings& settings) {
  rapidjson::Document document(rapidjson::kObjectType);
  JsonAllocator& allocator = document.GetAllocator();
  SchemaBuilder schemas(api, allocator);

  rapidjson::Value paths = Object();
  AddOperations(api, schemas, &paths, allocator);
  rapidjson::Value components = Object();
  for (const ApiType& type : api.types) {
    const std::string name = ComponentName(type.name);
    if (!components.HasMember(name.c_str())) Add(components, name, schemas.Component(type), allocator);
  }
  Add(components, "Error", ErrorSchema(allocator), allocator);
  AddEventStream(api, schemas, &components, &paths, allocator);

  AddText(document, "openapi", "3.1.0", allocator);
  Add(document, "info", Info(settings, allocator), allocator);
  Add(document, "servers", Servers(settings, allocator), allocator);
  // tav-core asks for no credentials.
  Add(document, "security", rapidjson::Value(rapidjson::kArrayType), allocator);
  Add(document, "paths", std::move(paths), allocator);
  rapidjson::Value all_components = Object();
  Add(all_components, "schemas", std::move(components), allocator);
  Add(all_components, "responses", ResponseComponents(allocator), allocator);
  Add(document, "components", std::move(all_components), allocator);

  rapidjson::StringBuffer buffer;
  rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
  writer.SetIndent(' ', 2);
  document.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}

std::string OpenApiDocument(const PluginLibrary& library, const std::string& server_url) {
  const PluginHostInfo& info = library.info();
  OpenApiSettings settings;
  settings.plugin_name = library.short_name();
  settings.version = std::to_string(info.major) + "." + std::to_string(info.minor) + "." + std::to_string(info.patch);
  settings.server_url = server_url;
  return OpenApiDocument(library.api(), settings);
}

}  // namespace tav::host
