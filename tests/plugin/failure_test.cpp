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

TEST(Failure, ConstructorsForHandlers) {
  EXPECT_EQ(Failure::NotFound().message, "Not found");
  EXPECT_EQ(Failure::NotFound().status, 404u);
  EXPECT_EQ(Failure::NotFound("Perk Page not found.").message, "Perk Page not found.");
  EXPECT_EQ(Failure::InternalServerError().message, "Internal server error");
  EXPECT_EQ(Failure::InternalServerError("boom").status, 500u);
  EXPECT_EQ(Failure("Max pages reached", 400).fields.at("errorCode_int"), "400");
}

TEST(MaybeType, HoldsEitherAValueOrAFailure) {
  MaybeType<Failure, std::string> value(std::string("uuid-1"));
  ASSERT_TRUE(value.ok());
  EXPECT_EQ(value.value(), "uuid-1");
  EXPECT_EQ(*value.GetIfValue(), "uuid-1");

  MaybeType<Failure, std::string> failed(Failure("Finalizing"));
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.failure().message, "Finalizing");
  EXPECT_EQ(failed.GetIfValue(), nullptr);

  MaybeType<Failure, Empty> empty;
  EXPECT_TRUE(empty.ok());
}

}  // namespace
}  // namespace tav
