// The game customization service behind the service proxy: accepted and
// refused pushes, the styles and disabled perks it tells, and its settings.
#include "main/game_customization_service.h"

#include <gtest/gtest.h>

#include "json_text.h"

namespace tav::host {
namespace {

constexpr const char* kPush =
    R"({"queueType":420,"category":"perks","content":"{\"perkIds\":[7101,7104],\"perkStyle\":710,\"perkSubStyle\":720}"})";

class GameCustomizationServiceTest : public ::testing::Test {
 protected:
  // The service proxy sends its argument as a list of one value, which the
  // service must open: the push itself is the value.
  ServiceProxyCall Call(const std::string& push) {
    ServiceProxyCall call;
    call.service = "gamecustomization";
    call.payload = "[" + push + "]";
    return call;
  }
  std::string Answer(const ServiceProxyAnswer& answer) {
    return answer.status + " [" + answer.error + "] " + answer.payload;
  }
  bool Configure(const char* json) {
    error_.clear();
    return service_.Configure(JsonValue(json), &error_);
  }

  rapidjson::Document styles_ = JsonValue(
      R"([{"id":710,"name":"Tempest","slots":[{"type":"kKeyStone","perks":[7101]}]},{"id":720,"name":"Bastion"}])");
  int ticks_ = 0;
  GameCustomizationService service_{[this]() -> const rapidjson::Value* { return &styles_; },
                                    [this] { return "12:00:0" + std::to_string(++ticks_); }};
  std::string error_;
};

TEST_F(GameCustomizationServiceTest, AcceptsPushesUnlessToldToRefuseSome) {
  ASSERT_TRUE(Configure(R"({"failures":2,"failureText":"Queue closed"})")) << error_;
  EXPECT_EQ(Answer(service_.AnswerPush(Call(kPush))), R"(200 [] {"error":"Queue closed","result":""})");
  ASSERT_TRUE(Configure(R"({"failureKind":"edge"})")) << error_;
  EXPECT_EQ(Answer(service_.AnswerPush(Call(kPush))), "503 [Queue closed] ");
  EXPECT_EQ(Answer(service_.AnswerPush(Call(kPush))),
            R"(200 [] {"error":"OK","result":"{\"perkIds\":[7101,7104],\"perkStyle\":710,\"perkSubStyle\":720}"})");

  const std::string state = JsonText(service_.Describe());
  EXPECT_EQ(state,
            R"({"failures":0,"failureKind":"edge","failureText":"Queue closed","disabledPerks":[],"pushes":[)"
            R"({"number":1,"time":"12:00:01","accepted":false,"failure":"Queue closed",)"
            R"("content":{"queueType":420,"category":"perks",)"
            R"("content":{"perkIds":[7101,7104],"perkStyle":710,"perkSubStyle":720}}},)"
            R"({"number":2,"time":"12:00:02","accepted":false,"failure":"Queue closed",)"
            R"("content":{"queueType":420,"category":"perks",)"
            R"("content":{"perkIds":[7101,7104],"perkStyle":710,"perkSubStyle":720}}},)"
            R"({"number":3,"time":"12:00:03","accepted":true,"failure":"",)"
            R"("content":{"queueType":420,"category":"perks",)"
            R"("content":{"perkIds":[7101,7104],"perkStyle":710,"perkSubStyle":720}}}]})");
}

TEST_F(GameCustomizationServiceTest, ABadSettingChangesNothing) {
  ASSERT_TRUE(Configure(R"({"failures":1,"disabledPerks":[5]})")) << error_;
  const std::string before = JsonText(service_.Describe());
  struct Case {
    const char* config;
    const char* error;
  };
  const Case cases[] = {
      {R"({"failures":3,"failureKind":"sometimes"})", R"("failureKind" must be "service" or "edge")"},
      {R"({"failures":-1})", R"("failures" must be a whole number from 0 to 1000)"},
      {R"({"failures":1001})", R"("failures" must be a whole number from 0 to 1000)"},
      {R"({"failures":1.5})", R"("failures" must be a whole number from 0 to 1000)"},
      {R"({"failureText":""})", R"("failureText" must be a non-empty text)"},
      {R"({"disabledPerks":[1,"2"]})", R"("disabledPerks" must be a list of perk ids)"},
      {R"({"disabledPerks":[1,4294967296]})", R"("disabledPerks" must be a list of perk ids)"},
      {R"({"retries":2})", R"(Unknown game customization setting "retries")"},
      {R"([1])", "The game customization settings must be an object"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config);
    EXPECT_FALSE(Configure(c.config));
    EXPECT_EQ(error_, c.error);
  }
  EXPECT_EQ(JsonText(service_.Describe()), before);
  // What GET shows can be sent back as it is.
  EXPECT_TRUE(Configure(before.c_str())) << error_;
}

}  // namespace
}  // namespace tav::host
