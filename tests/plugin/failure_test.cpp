#include "plugin/failure.h"

#include <gtest/gtest.h>

#include <string>

#include "plugin/maybe_type.h"

namespace tav {
namespace {

TEST(Failure, NamedPlaceholdersAreFilledOnce) {
  const Failure failure =
      Failure::Format("Error response for {method} {url}: {error}",
                      {{"method", "GET"}, {"url", "/x"}, {"error", "Not found {url}"}}, 404);
  EXPECT_EQ(failure.message, "Error response for GET /x: Not found {url}");
  EXPECT_EQ(failure.status, 404u);
  EXPECT_EQ(failure.fields.at("method"), "GET");
  EXPECT_EQ(failure.fields.at("error"), "Not found {url}");
  EXPECT_EQ(failure.fields.at("errorCode_int"), "404");

  const Failure unknown = Failure::Format("{missing} and {method} and {", {{"method", "PUT"}});
  EXPECT_EQ(unknown.message, "{missing} and PUT and {");
  EXPECT_EQ(unknown.status, 0u);
  EXPECT_EQ(unknown.fields.count("errorCode_int"), 0u);
}

}  // namespace
}  // namespace tav
