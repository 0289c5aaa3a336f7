#include "host/openapi_document.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <rapidjson/pointer.h>

#include "host/dev_core.h"
#include "host/json_text.h"
#include "host/openapi_events.h"
#include "host/openapi_operations.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

rapidjson::Document DocumentOf(const ApiDescription& api) {
  return JsonValue(OpenApiDocument(api, {"tav-test", "18.0.0", "http://127.0.0.1:8080"}));
}

// Every "$ref" in `value`, as JSON pointers into the document.
void CollectReferences(const rapidjson::Value& value, std::vector<std::string>* out) {
  if (value.IsArray()) {
    for (const auto& item : value.GetArray()) CollectReferences(item, out);
  } else if (value.IsObject()) {
    for (const auto& member : value.GetObject()) {
      if (member.name == "$ref" && member.value.IsString())
        out->push_back(member.value.GetString());
      CollectReferences(member.value, out);
    }
  }
}

std::vector<std::string> UnresolvedReferences(const rapidjson::Document& document) {
  std::vector<std::string> references, unresolved;
  CollectReferences(document, &references);
  for (const std::string& reference : references) {
    if (rapidjson::Pointer(reference.substr(1).c_str()).Get(document) == nullptr)
      unresolved.push_back(reference);
  }
  return unresolved;
}

TEST(OpenApiDocument, ThePerksPluginHas22OperationsTheEventStreamAndNoDanglingReference) {
  DevCore core;
  ASSERT_TRUE(core.Load(TAV_PERKS_PLUGIN_PATH)) << core.load_error();
  const rapidjson::Document document = DocumentOf(core.api());
  size_t operations = 0;
  for (const auto& path : document["paths"].GetObject()) {
    if (path.name != kEventStreamPath) operations += path.value.MemberCount();
  }
  EXPECT_EQ(operations, 22u);
  EXPECT_THAT(UnresolvedReferences(document), IsEmpty());

  // Every GET resource can be published; the names group them as the
  // plugin's event names do.
  std::vector<std::string> groups;
  for (const ResourceEventGroup& group : ResourceEvents(core.api())) {
    groups.push_back(group.name + " " + std::to_string(group.getters.size()));
  }
  EXPECT_THAT(
      groups,
      ElementsAre("OnJsonApiEvent_tav-perks_v1_perks 3", "OnJsonApiEvent_tav-perks_v1_styles 1",
                  "OnJsonApiEvent_tav-perks_v1_pages 2",
                  "OnJsonApiEvent_tav-perks_v1_currentpage 1",
                  "OnJsonApiEvent_tav-perks_v1_settings 1",
                  "OnJsonApiEvent_tav-perks_v1_customizationlimits 1",
                  "OnJsonApiEvent_tav-perks_v1_servicesettings 1",
                  "OnJsonApiEvent_tav-perks_v1_inventory 1",
                  "OnJsonApiEvent_tav-perks_v1_show-auto-modified-pages-notification 1"));
  const rapidjson::Value* pages_event =
      rapidjson::Pointer("/components/schemas/OnJsonApiEvent_tav-perks_v1_pages/anyOf/1")
          .Get(document);
  ASSERT_NE(pages_event, nullptr);
  EXPECT_EQ(JsonText((*pages_event)["properties"]["uri"]),
            R"({"type":"string","pattern":"^/tav-perks/v1/pages/[^/]*$"})");
  EXPECT_EQ(JsonText((*pages_event)["properties"]["data"]),
            R"({"$ref":"#/components/schemas/TavPerksPerkPageResource"})");
}

// Types written by hand, faults included: what each becomes.
TEST(OpenApiDocument, TypesBecomeSchemas) {
  ApiDescription api;
  ApiType item{"Item", "", 64, "An item.", {}, false, {}, {}};
  item.fields = {{"id", "", 0, {6, 0, ""}, false},
                 {"code", "", 8, {9, 0, ""}, false},
                 {"note", "a note", 16, {12, 0, ""}, true},
                 {"tags", "", 24, {15, 17, "Item"}, false},
                 {"byName", "", 32, {19, 16, "Color"}, false},
                 {"ghost", "", 40, {17, 0, "Unregistered"}, false},
                 {"bytes", "", 48, {14, 0, ""}, false}};
  ApiType color{"Color", "", 4, "", {}, true, {}, {{"Blue", "", 2}, {"Red", "warm", 1}}};
  ApiType empty{"Empty", "", 1, "", {}, false, {}, {}};
  api.types = {item, color, empty};
  const rapidjson::Document document = DocumentOf(api);
  const rapidjson::Value& schemas = document["components"]["schemas"];

  struct Case {
    const char* pointer;
    const char* schema;
  };
  const Case cases[] = {
      {"/Item/properties/id",
       R"({"type":"integer","format":"int32","minimum":-2147483648,"maximum":2147483647})"},
      {"/Item/properties/code",
       R"({"type":"integer","format":"uint64","minimum":0,"maximum":18446744073709551615})"},
      {"/Item/properties/note",
       R"({"anyOf":[{"type":"string"},{"type":"null"}],"description":"a note"})"},
      {"/Item/properties/tags", R"({"type":"array","items":{"$ref":"#/components/schemas/Item"}})"},
      {"/Item/properties/byName",
       R"({"type":"object","additionalProperties":{"$ref":"#/components/schemas/Color"}})"},
      {"/Item/properties/ghost",
       R"({"description":"A value of the type 'Unregistered', which the plugin does not describe."})"},
      {"/Item/properties/bytes/properties",
       R"({"$blob":{"type":"string","contentEncoding":"base64"}})"},
      {"/Item/required", R"(["id","code","tags","byName","ghost","bytes"])"},
      {"/Color/anyOf/0", R"({"type":"string","enum":["Red","Blue"]})"},
      {"/Color/description",
       "\"- `Red` (1): warm\\n- `Blue` (2)\\n\\nA value without a name of its own (such as a "
       "combination of "
       "flags) is its number.\""},
      {"/Empty", R"({"type":"object","properties":{},"additionalProperties":false})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pointer);
    const rapidjson::Value* value = rapidjson::Pointer(c.pointer).Get(schemas);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(JsonText(*value), c.schema);
  }
  EXPECT_THAT(UnresolvedReferences(document), IsEmpty());
}

TEST(OpenApiDocument, TemplatesBecomePathsAndUriPatterns) {
  struct Case {
    const char* route;
    const char* path;
    const char* pattern;
  };
  const Case cases[] = {
      {"/a/v1/pages/{id}", "/a/v1/pages/{id}", "^/a/v1/pages/[^/]*$"},
      {"/a/v1/files/{+rest}", "/a/v1/files/{rest}", "^/a/v1/files/.*$"},
      {"/a/v1/x.y(z)", "/a/v1/x.y(z)", "^/a/v1/x\\.y\\(z\\)$"},
      {"/a/v1/{unclosed", "/a/v1/{unclosed", "^/a/v1/\\{unclosed$"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.route);
    EXPECT_EQ(OpenApiPath(c.route), c.path);
    EXPECT_EQ(UriPattern(c.route), c.pattern);
  }
}

}  // namespace
}  // namespace tav::host
