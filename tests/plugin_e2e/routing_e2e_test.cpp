// Routing through the development core and the test plugin: the frame
// matches the path against the called function's template, the core picks
// among functions with the same precedence, and the function names follow
// the method and path.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "e2e_fixture.h"

namespace tav::host {
namespace {

using RoutingTest = E2ePluginTest;

TEST_F(RoutingTest, RoutesTheUrlToTheRightFunctionAndValue) {
  struct Case {
    uint32_t method;
    const char* url;
    const char* function;
    const char* value;
  };
  const Case cases[] = {
      // The literal route captures nothing and beats the placeholder.
      {TAV_METHOD_GET, "/e2e/v1/shelves/top", "GetE2eV1ShelvesTop", "\"top shelf\""},
      {TAV_METHOD_GET, "/e2e/v1/shelves/low", "GetE2eV1ShelvesByX", "\"item low\""},
      {TAV_METHOD_GET, "/e2e/v1/shelves/a%20b%2Fc", "GetE2eV1ShelvesByX", "\"item a b/c\""},
      {TAV_METHOD_GET, "/e2e/v1/files/maps/north/lake.txt", "GetE2eV1FilesByRest",
       "\"file maps/north/lake.txt\""},
      {TAV_METHOD_DELETE, "/e2e/v1/boxes/7", "DeleteE2eV1BoxesById", "\"box 7\""},
      {TAV_METHOD_DELETE, "/e2e/v1/boxes/7/auto-modified-selections",
       "DeleteE2eV1BoxesByIdAutoModifiedSelections", "\"marks of box 7\""},
      // A query does not stop a literal route from matching.
      {TAV_METHOD_GET, "/e2e/v1/crates?count=1", "GetE2eV1Crates",
       "[{\"count\":0,\"name\":\"crate number 0 with a long enough name\","
       "\"tags\":[\"oak\",\"pine\"]}]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    CallResult result = Call(c.method, c.url);
    EXPECT_EQ(result.function_name, c.function);
    ASSERT_TRUE(result.ok()) << result.Summary();
    EXPECT_EQ(result.status, 200u);
    EXPECT_EQ(result.ValueJson(), c.value);
  }
}

TEST_F(RoutingTest, DescriptionListsParametersAndResultTypes) {
  const ApiFunction* echo = nullptr;
  for (const ApiFunction& function : core_.api().functions) {
    if (function.name == "PostE2eV1EchoById") echo = &function;
  }
  ASSERT_NE(echo, nullptr);
  EXPECT_EQ(echo->name_space, "TavE2e");
  std::vector<std::string> arguments;
  for (const ApiArgument& argument : echo->arguments) {
    arguments.push_back(argument.name + (argument.optional ? "?" : "") + ":" +
                        std::to_string(argument.type.code));
  }
  // Codes: 6 int32, 1 bool, 15 vector, 12 string, 17 structure.
  EXPECT_THAT(arguments, ::testing::ElementsAre("id:6", "flag:1", "ids?:15", "label?:12",
                                                "trace?:12", "limit?:6", "crate?:17"));
  EXPECT_EQ(echo->return_type.code, 17u);
  EXPECT_EQ(echo->return_type.type_name, "TavE2eEchoReport");
}

}  // namespace
}  // namespace tav::host
