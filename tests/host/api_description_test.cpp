#include "host/api_description.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/api_help.h"
#include "host/dev_core.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(ApiDescription, HelpListsFunctionsTypesAndEvents) {
  DevCore core;
  ASSERT_TRUE(core.Load(TAV_FAKE_PLUGIN_PATH)) << core.load_error();
  std::string help = FormatApiHelp("tav-fake", core.api());
  EXPECT_THAT(help, HasSubstr("Functions (8)\n"
                              "  ListItems  GET /fake/v1/items -> object\n"));
  EXPECT_THAT(help, HasSubstr("  Echo  ANY /fake/v1/echo -> object [fake, test]\n"
                              "      Describes the request it was given.\n"
                              "      a: int32 (optional) - a number\n"
                              "      b: vector<TavFakeItem> - some items\n"));
  EXPECT_THAT(help, HasSubstr("  TavFakeItem (structure, 64 bytes)\n"
                              "      An item.\n"
                              "      id: int32\n"
                              "      name: string (optional) - the item's name\n"
                              "      tags: vector<string>\n"));
  EXPECT_THAT(help, HasSubstr("  TavFakeColor (enumeration)\n"
                              "      Blue = 2\n"
                              "      Red = 1 - warm\n"));
  EXPECT_THAT(help, HasSubstr("Events (1)\n"
                              "  OnFakeChanged (TavFakeItem)\n"
                              "      Fired when an item changes.\n"));
  EXPECT_THAT(help, ::testing::Not(HasSubstr("Faults")));
}

TEST(ApiDescription, FaultyTablesAreReadWithoutTrustingThem) {
  ArgumentRecord arguments[2] = {};
  arguments[0] = {nullptr, "a", nullptr, 6, 0, "", 0};  // should link to arguments[1]
  arguments[1] = {nullptr, "b", "", 99, 0, nullptr, 0};
  FunctionRecord functions[2] = {};
  functions[0].description.next = &functions[1];
  functions[0].description.name = "First";
  functions[0].description.arguments = arguments;
  functions[0].description.argument_count = 2;
  functions[0].route_template = "/x";
  functions[1].description.name = nullptr;
  functions[1].description.tag_count = 3;  // and no tag array
  functions[1].description.zero = 5;
  TypeRecord types[1] = {};
  types[0].name = "Broken";
  types[0].count = 4;  // fields claimed, none given
  PluginApiDescription description = {functions, 2, types, 1, nullptr, 7};

  ApiDescription api = ReadApiDescription(&description);
  ASSERT_EQ(api.functions.size(), 2u);
  EXPECT_EQ(ApiTypeName(api.functions[0].arguments[1].type), "type 99");
  EXPECT_THAT(api.faults,
              ElementsAre("null text: function 0 (First) name space", "null text: function 0 (First) description",
                          "null text: function 0 (First) help", "null text: function 0 (First) return type name",
                          "null text: function 0 (First) async type name",
                          "record 0 links to the wrong record: function 0 (First) argument",
                          "null text: function 0 (First) argument 0 description",
                          "null text: function 0 (First) argument 1 type name",
                          "null dispatch entry: function 0 (First)", "null text: function 1 name",
                          "word 1 is not zero: function 1 ()", "null text: function 1 () name space",
                          "null text: function 1 () description", "null text: function 1 () help",
                          "null text: function 1 () return type name", "null text: function 1 () async type name",
                          "null tag array: function 1 ()", "null dispatch entry: function 1 ()",
                          "null text: function 1 () route template", "null text: type 0 (Broken) name space",
                          "null text: type 0 (Broken) description", "null array of 4: type 0 (Broken) field",
                          "null array of 7: event"));
  EXPECT_EQ(ReadApiDescription(nullptr).faults, std::vector<std::string>{"no API description"});
}

}  // namespace
}  // namespace tav::host
