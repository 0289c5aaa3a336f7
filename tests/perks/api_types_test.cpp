#include "perks/api/register_api_types.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "binding/binding_type_registry.h"
#include "binding/builtin_types.h"
#include "binding/json_reader.h"
#include "binding/json_writer.h"
#include "binding/native_conversion.h"

namespace Vexa::Client::Perks::Api {
namespace {

using ChampSelect::Api::ChampSelectSession;
using ChampSelect::Api::ChampSelectTradeContract;
using ChampSelect::Api::ChampSelectTradeState;
using tav::BindingResult;

std::string ReadFixture(const std::string& name) {
  std::ifstream file(std::string(TAV_TESTDATA_DIR) + "/../perks/fixtures/" + name,
                     std::ios::binary);
  EXPECT_TRUE(file.is_open()) << name;
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class ApiTypesTest : public ::testing::Test {
 protected:
  ApiTypesTest() {
    tav::RegisterBuiltinTypes(registry_);
    RegisterApiTypes(registry_, "TavPerks");
  }

  // `value` as compact JSON, or pretty with LF line breaks and a final line
  // break (the form of the fixture files).
  template <class T>
  std::string Json(const T& value, bool pretty = false) {
    BindingResult result;
    tav::ToBinding(result, value, registry_);
    EXPECT_TRUE(result.ok()) << result.error();
    return pretty ? tav::WriteJson(result.value(), &registry_, "\n") + "\n"
                  : tav::WriteJson(result.value(), &registry_);
  }

  // Reads `json` into `value` under the name "value"; the error text, or ""
  // on success.
  template <class T>
  std::string FromJson(std::string_view json, T& value) {
    BindingResult parsed = tav::ParseJson(json);
    if (!parsed.ok()) return std::string(parsed.error());
    BindingResult result;
    tav::FromBinding(result, value, parsed.value(), "value", registry_);
    return std::string(result.error());
  }

  tav::BindingTypeRegistry registry_;
};

PerkPageResource Page(int32_t id, std::string name, int32_t order, int32_t primary,
                      int32_t sub, std::vector<int32_t> perks) {
  PerkPageResource page;
  page.id = id;
  page.name = std::move(name);
  page.order = order;
  page.primaryStyleId = primary;
  page.subStyleId = sub;
  page.selectedPerkIds = std::move(perks);
  return page;
}

PerkPageResource EveningTide() {
  PerkPageResource page =
      Page(1207, "Evening Tide", 2, 3100, 3200, {3111, 3124, 3132, 3143, 3221, 3235});
  page.current = true;
  page.isActive = true;
  page.isValid = false;
  page.isDeletable = false;
  page.autoModifiedSelections = {1, 4};
  return page;
}

SettingsStorageContainer StoredDocument() {
  SettingsStorageContainer stored;
  stored.schemaVersion = 5;
  stored.data.pages = {Page(44, "Old Lantern", 0, 3300, 3100, {3312, 3321})};
  PerkBook& north = stored.data.perShardPerkBooks["north1"];
  north.currentPageId = 1207;
  north.pages = {EveningTide(), Page(1311, "Quiet Harbor", 3, 3200, 3300,
                                     {3211, 3222, 3233, 3244, 3315, 3326})};
  stored.data.perShardPerkBooks["west2"].pages = {Page(50, "", -1, -1, -1, {})};
  stored.data.settings.showLongDescriptions = true;
  stored.data.settings.gridModeEnabled = true;
  stored.data.settings.showPresetPages = false;
  stored.data.settings.gameplayPatchVersionSeen = "14.2";
  stored.data.settings.gameplayUpdatedPerksSeen = {3124, 3315};
  return stored;
}

// The fixtures are written byte for byte and read back to the same value.
TEST_F(ApiTypesTest, PageAndStoredDocumentMatchTheirFixtures) {
  const PerkPageResource page = EveningTide();
  const std::string page_fixture = ReadFixture("perk_page_resource.json");
  EXPECT_EQ(Json(page, true), page_fixture);
  PerkPageResource read_page;
  ASSERT_EQ(FromJson(page_fixture, read_page), "");
  EXPECT_EQ(read_page, page);

  const SettingsStorageContainer stored = StoredDocument();
  const std::string stored_fixture = ReadFixture("settings_storage_container.json");
  EXPECT_EQ(Json(stored, true), stored_fixture);
  SettingsStorageContainer read_stored;
  ASSERT_EQ(FromJson(stored_fixture, read_stored), "");
  EXPECT_EQ(read_stored, stored);
  EXPECT_TRUE(registry_.FindUnresolvedFields().empty());
}

TEST_F(ApiTypesTest, ChampSelectSessionMatchesItsFixture) {
  const std::string fixture = ReadFixture("champ_select_session.json");
  ChampSelectSession session;
  ASSERT_EQ(FromJson(fixture, session), "");
  ASSERT_EQ(session.myTeam.size(), 2u);
  EXPECT_EQ(session.myTeam[1].championId, 517);
  EXPECT_EQ(session.myTeam[1].spell2Id, 18000000000000000000u);
  EXPECT_EQ(session.timer.timeLeftInPhase, -250);
  EXPECT_FALSE(session.chatDetails.chatRoomPassword.has_value());
  ASSERT_EQ(session.trades.size(), 2u);
  EXPECT_EQ(session.trades[0].state, ChampSelectTradeState::SENT);
  ASSERT_EQ(session.actions.size(), 2u);
  EXPECT_EQ(session.actions[0]["championId"].GetUint64(0), 517u);
  EXPECT_EQ(session.actions[1].kind(), tav::BindingPropertyKind::kCollection);

  // Written back, the session gives the same text: enumeration names, the
  // absent password as null and the actions as they came.
  EXPECT_EQ(Json(session, true), fixture);
}

// Enumerations with gaps or unnamed values, combined flags, and the two
// queueType fields (a number in the answer, a text in the request).
TEST_F(ApiTypesTest, EnumerationAndFieldQuirks) {
  LoginSession login;
  login.state = LoginSessionState::ERROR;
  login.summonerId = 90017;
  ChampSelectTradeContract contract;
  contract.id = 6;
  const struct {
    std::string written;
    const char* expected;
  } writes[] = {
      {Json(login), R"({"accountId":0,"state":"ERROR","summonerId":90017})"},
      {Json(contract), R"({"cellId":0,"id":6,"state":0})"},
      {Json(CustomizationLimits::Locked), R"("Locked")"},
      {Json(CustomizationLimits::CanSelectSplash), R"("CanSelectSplash")"},
      {Json(CustomizationLimits::CanSelectPages | CustomizationLimits::CanSelectKeystones), "3"},
      {Json(CustomizationLimits{31}), "31"},
  };
  for (const auto& c : writes) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.written, c.expected);
  }

  LoginSession read_login;
  ASSERT_EQ(FromJson(R"({"state": 3})", read_login), "");
  EXPECT_EQ(read_login.state, LoginSessionState::ERROR);  // 3, though registered second
  ASSERT_EQ(FromJson(R"({"state": "2"})", read_login), "");
  EXPECT_EQ(read_login.state, LoginSessionState::LOGGING_OUT);
  GameCustomizationDTO answer;
  ASSERT_EQ(FromJson(R"({"queueType": 18446744073709551615})", answer), "");
  EXPECT_EQ(answer.queueType, 18446744073709551615u);
  GetGameCustomizationDTO request;
  ASSERT_EQ(FromJson(R"({"queueType": "420"})", request), "");
  EXPECT_EQ(request.queueType, "420");

  ChampSelectTradeContract read_contract;
  const struct {
    std::string error;
    const char* expected;
  } refusals[] = {
      {FromJson(R"({"state": "FAILED"})", read_login),
       "FAILED is not a valid TavPerksLoginSessionState enumeration value for 'state'."},
      {FromJson(R"({"state": 0})", read_contract),
       "0 is not a valid TavPerksChampSelectTradeState enumeration value for 'state'."},
      {FromJson(R"({"queueType": -1})", answer),
       "Value -1 for 'queueType' of type uint64 is out of range"},
      {FromJson(R"({"queueType": 420})", request),
       "Couldn't assign value to 'queueType' because the input is not a string."},
  };
  for (const auto& c : refusals) EXPECT_EQ(c.error, c.expected);
  EXPECT_TRUE(HasLimits(CustomizationLimits{31}, CustomizationLimits::CanUseAdvancedStyles));
  EXPECT_FALSE(HasLimits(CustomizationLimits{15}, CustomizationLimits::CanUseAdvancedStyles));
}

}  // namespace
}  // namespace Vexa::Client::Perks::Api
