// The OpenAPI 3.1 document of a plugin's API, made from the description
// tables the plugin hands to the core and nothing else: its functions as
// operations, its registered structures and enumerations as schemas, and
// its resource events as tav-core's event stream.
//
//   OpenApiSettings settings{"tav-perks", "18.0.0", "http://127.0.0.1:8080"};
//   std::string json = OpenApiDocument(core.api(), settings);
#ifndef TAV_HOST_OPENAPI_DOCUMENT_H_
#define TAV_HOST_OPENAPI_DOCUMENT_H_

#include <string>

#include "api_description.h"
#include "plugin_library.h"

namespace tav::host {

// Where tav-core serves the document.
inline constexpr const char* kOpenApiDocumentPath = "/tav-core/v1/openapi.json";

struct OpenApiSettings {
  std::string plugin_name;  // the plugin's short name
  std::string version;      // the plugin API version it answered with, "18.0.0"
  std::string server_url;   // where tav-core serves it, "http://127.0.0.1:8080"
};

// The document as JSON text, indented by two spaces.
std::string OpenApiDocument(const ApiDescription& api, const OpenApiSettings& settings);

// The document of a loaded plugin, under its short name and version.
std::string OpenApiDocument(const PluginLibrary& library, const std::string& server_url);

}  // namespace tav::host

#endif  // TAV_HOST_OPENAPI_DOCUMENT_H_
