#include "plugin/lcds_call.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "binding/type_registration.h"
#include "loaded_plugin.h"

namespace tav {
namespace lcds_test {

struct Sigil {
  int32_t power = 0;
};

struct Banner {
  std::string motto;
  Sigil crest;
  std::vector<Sigil> sigils;
  std::map<std::string, Sigil> by_house;
  std::optional<Sigil> spare;
  std::vector<std::vector<Sigil>> rows;
};

struct Plain {
  int32_t count = 0;
};

struct Unregistered {
  int32_t count = 0;
};

class LcdsTest : public CallsTest {
 protected:
  LcdsTest() {
    BindingTypeRegistry& registry = module.registry();
    RegisterStruct<Sigil>(registry, "TestSigil").Field("power", &Sigil::power).Commit();
    RegisterStruct<Banner>(registry, "TestBanner")
        .Field("motto", &Banner::motto)
        .Field("crest", &Banner::crest)
        .Field("sigils", &Banner::sigils)
        .Field("byHouse", &Banner::by_house)
        .Field("spare", &Banner::spare)
        .Field("rows", &Banner::rows)
        .Commit();
    RegisterStruct<Plain>(registry, "TestPlain").Field("count", &Plain::count).Commit();
    module.RegisterLcdsClass<Sigil>("com.example.heraldry.Sigil");
    module.RegisterLcdsClass<Banner>("com.example.heraldry.Banner");
    core.on_request = [this](ResponseRecord* response, const RequestRecord* request) {
      seen_method = request->method;
      seen_arguments = SeenArguments(request);
      AnswerJson(response, answer);
    };
  }

  // The call is over when it returns: its future must not need a wait.
  template <class T>
  static MaybeType<Failure, T> Take(std::future<MaybeType<Failure, T>> future) {
    EXPECT_EQ(future.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    return future.get();
  }

  std::string answer = "null";
  uint32_t seen_method = 0;
  std::vector<std::string> seen_arguments;
};

TEST_F(LcdsTest, StructuresAreTaggedWithTheirClassAtEveryDepth) {
  Banner banner;
  banner.motto = "Ever onward";
  banner.crest.power = 1;
  banner.sigils = {Sigil{2}};
  banner.by_house = {{"north", Sigil{3}}};
  banner.spare = Sigil{4};
  banner.rows = {{Sigil{5}}};
  answer = R"({"__class": "com.example.heraldry.Sigil", "power": 40})";
  MaybeType<Failure, Sigil> result = Take(
      module.LcdsCall<Sigil>("heraldryService", "raise", banner, Plain{7}, std::string("x")));
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_EQ(result.value().power, 40);

  EXPECT_EQ(core.request_urls, std::vector<std::string>{"/tav-login/v1/session/invoke"});
  EXPECT_EQ(seen_method, static_cast<uint32_t>(TAV_METHOD_POST));
  const std::string sigil = R"("__class":"com.example.heraldry.Sigil")";
  EXPECT_EQ(seen_arguments,
            (std::vector<std::string>{
                R"(destination="heraldryService")",
                R"(method="raise")",
                "args=[{\"__class\":\"com.example.heraldry.Banner\","
                "\"byHouse\":{\"north\":{" + sigil + ",\"power\":3}},"
                "\"crest\":{" + sigil + ",\"power\":1},"
                "\"motto\":\"Ever onward\","
                "\"rows\":[[{" + sigil + ",\"power\":5}]],"
                "\"sigils\":[{" + sigil + ",\"power\":2}],"
                "\"spare\":{" + sigil + ",\"power\":4}},"
                "{\"count\":7},\"x\"]",
            }));
}

TEST_F(LcdsTest, AnswersAreCheckedAndConverted) {
  struct Case {
    const char* description;
    std::string answer;
    const char* message;  // null: success
    int32_t power;
  };
  const std::vector<Case> cases = {
      {"the expected class", R"({"__class": "com.example.heraldry.Sigil", "power": 9})", nullptr, 9},
      {"another class", R"({"__class": "com.example.heraldry.Banner", "power": 9})",
       "Expected 'com.example.heraldry.Sigil' as LCDS response for heraldryService.inspect, "
       "but got 'com.example.heraldry.Banner'", 0},
      {"no class at all", R"({"power": 9})",
       "Expected 'com.example.heraldry.Sigil' as LCDS response for heraldryService.inspect, "
       "but got ''", 0},
      {"the right class in the wrong shape",
       R"({"__class": "com.example.heraldry.Sigil", "power": "lots"})",
       "Couldn't convert LCDS DTO tav::lcds_test::Sigil to C++ from "
       R"({"__class":"com.example.heraldry.Sigil","power":"lots"})", 0},
      {"no answer", "null", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    answer = c.answer;
    MaybeType<Failure, Sigil> result =
        Take(module.LcdsCall<Sigil>("heraldryService", "inspect", int32_t{1}));
    if (c.message == nullptr) {
      ASSERT_TRUE(result.ok()) << result.failure().message;
      EXPECT_EQ(result.value().power, c.power);
      continue;
    }
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure().message, c.message);
  }

  // A type without a registered class takes any answer.
  answer = R"({"__class": "com.example.Anything", "count": 2})";
  MaybeType<Failure, Plain> plain = Take(module.LcdsCall<Plain>("heraldryService", "count"));
  ASSERT_TRUE(plain.ok()) << plain.failure().message;
  EXPECT_EQ(plain.value().count, 2);
  EXPECT_EQ(seen_arguments.back(), "args=[]");
}

TEST_F(LcdsTest, FailuresBeforeAndDuringTheCall) {
  MaybeType<Failure, Plain> unconvertible =
      Take(module.LcdsCall<Plain>("heraldryService", "raise", Unregistered{}));
  ASSERT_FALSE(unconvertible.ok());
  EXPECT_EQ(unconvertible.failure().message,
            "Couldn't convert LCDS call parameters: Couldn't convert native value because it's "
            "an unregistered structure.");
  EXPECT_TRUE(core.request_urls.empty());

  core.on_request = [](ResponseRecord* response, const RequestRecord*) {
    AnswerError(response, 401, "Not logged in");
  };
  MaybeType<Failure, Plain> refused = Take(module.LcdsCall<Plain>("heraldryService", "count"));
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.failure().message,
            "Error response for POST /tav-login/v1/session/invoke: Not logged in");
  EXPECT_EQ(refused.failure().status, 401u);
}

}  // namespace lcds_test
}  // namespace tav
