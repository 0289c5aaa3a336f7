#include "plugin/lcds_call.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
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
  Sigil crest;
  std::vector<Sigil> sigils;
  std::map<std::string, std::vector<Sigil>> ranks;
};

struct Plain {
  int32_t count = 0;
};

class LcdsTest : public CallsTest {
 protected:
  LcdsTest() {
    BindingTypeRegistry& registry = module.registry();
    RegisterStruct<Sigil>(registry, "TestSigil").Field("power", &Sigil::power).Commit();
    RegisterStruct<Banner>(registry, "TestBanner")
        .Field("crest", &Banner::crest)
        .Field("sigils", &Banner::sigils)
        .Field("ranks", &Banner::ranks)
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

// Maps are structures too: only the structures of a registered class get
// the member, however deep vectors and maps nest them.
TEST_F(LcdsTest, ArgumentsAreTaggedWithTheirClassAtEveryDepth) {
  answer = R"({"__class": "com.example.heraldry.Sigil", "power": 40})";
  const Banner banner{Sigil{1}, {Sigil{2}}, {{"knight", {Sigil{3}, Sigil{4}}}}};
  const std::vector<std::map<std::string, Sigil>> heralds = {{{"east", Sigil{5}}}, {}};
  MaybeType<Failure, Sigil> result = Take(module.LcdsCall<Sigil>(
      "heraldryService", "raise", banner, Plain{7}, std::string("x"), heralds));
  ASSERT_TRUE(result.ok()) << result.failure().message;
  EXPECT_EQ(result.value().power, 40);

  EXPECT_EQ(core.request_urls, std::vector<std::string>{"/tav-login/v1/session/invoke"});
  EXPECT_EQ(seen_method, static_cast<uint32_t>(TAV_METHOD_POST));
  auto sigil = [](int power) {
    return R"({"__class":"com.example.heraldry.Sigil","power":)" + std::to_string(power) + "}";
  };
  EXPECT_EQ(seen_arguments,
            (std::vector<std::string>{
                R"(destination="heraldryService")",
                R"(method="raise")",
                R"(args=[{"__class":"com.example.heraldry.Banner","crest":)" + sigil(1) +
                    R"(,"ranks":{"knight":[)" + sigil(3) + "," + sigil(4) + R"(]},"sigils":[)" +
                    sigil(2) + R"(]},{"count":7},"x",[{"east":)" + sigil(5) + "},{}]]",
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
      {"the expected class", R"({"__class": "com.example.heraldry.Sigil", "power": 9})", nullptr,
       9},
      {"another class", R"({"__class": "com.example.heraldry.Banner", "power": 9})",
       "Expected 'com.example.heraldry.Sigil' as LCDS response for heraldryService.inspect, "
       "but got 'com.example.heraldry.Banner'",
       0},
      {"no class at all", R"({"power": 9})",
       "Expected 'com.example.heraldry.Sigil' as LCDS response for heraldryService.inspect, "
       "but got ''",
       0},
      {"the right class in the wrong shape",
       R"({"__class": "com.example.heraldry.Sigil", "power": "lots"})",
       "Couldn't convert LCDS DTO tav::lcds_test::Sigil to C++ from "
       R"({"__class":"com.example.heraldry.Sigil","power":"lots"})",
       0},
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

TEST_F(LcdsTest, ParametersThatDoNotConvertAreNeverSent) {
  MaybeType<Failure, Plain> unconvertible =
      Take(module.LcdsCall<Plain>("heraldryService", "raise", test::Unregistered{}));
  ASSERT_FALSE(unconvertible.ok());
  EXPECT_EQ(unconvertible.failure().message,
            "Couldn't convert LCDS call parameters: Couldn't convert native value because it's "
            "an unregistered structure.");
  EXPECT_TRUE(core.request_urls.empty());
}

}  // namespace lcds_test
}  // namespace tav
