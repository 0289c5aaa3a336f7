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

using ChampSelect::Api::ChampSelectAction;
using ChampSelect::Api::ChampSelectMySelection;
using ChampSelect::Api::ChampSelectPlayerSelection;
using ChampSelect::Api::ChampSelectSession;
using ChampSelect::Api::ChampSelectTradeContract;
using ChampSelect::Api::ChampSelectTradeState;
using tav::BindingProperty;
using tav::BindingResult;
using tav::BindingTypeCode;
using tav::BindingTypeRegistry;

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

  // `value` as pretty JSON with LF line breaks and a final line break, the
  // form of the fixture files.
  template <class T>
  std::string PrettyJson(const T& value) {
    BindingResult result;
    tav::ToBinding(result, value, registry_);
    EXPECT_TRUE(result.ok()) << result.error();
    return tav::WriteJson(result.value(), &registry_, "\n") + "\n";
  }

  template <class T>
  std::string CompactJson(const T& value) {
    BindingResult result;
    tav::ToBinding(result, value, registry_);
    EXPECT_TRUE(result.ok()) << result.error();
    return tav::WriteJson(result.value(), &registry_);
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

  const tav::BindingFieldDescriptor* FindField(const std::string& type_name,
                                               const std::string& field_name) {
    const tav::BindingTypeDescriptor* type = registry_.FindType(type_name);
    if (type == nullptr) return nullptr;
    for (const auto& field : type->fields) {
      if (field.name == field_name) return &field;
    }
    return nullptr;
  }

  BindingTypeRegistry registry_;
};

PerkPageResource EveningTide() {
  PerkPageResource page;
  page.current = true;
  page.id = 1207;
  page.isActive = true;
  page.isValid = false;
  page.isEditable = true;
  page.isDeletable = false;
  page.name = "Evening Tide";
  page.order = 2;
  page.primaryStyleId = 3100;
  page.selectedPerkIds = {3111, 3124, 3132, 3143, 3221, 3235};
  page.subStyleId = 3200;
  page.autoModifiedSelections = {1, 4};
  return page;
}

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

SettingsStorageContainer StoredDocument() {
  SettingsStorageContainer stored;
  stored.schemaVersion = 5;
  stored.data.pages = {Page(44, "Old Lantern", 0, 3300, 3100, {3312, 3321})};
  PerkBook& north = stored.data.perShardPerkBooks["north1"];
  north.currentPageId = 1207;
  north.pages = {EveningTide(), Page(1311, "Quiet Harbor", 3, 3200, 3300,
                                     {3211, 3222, 3233, 3244, 3315, 3326})};
  north.pages[1].isDeletable = true;
  PerkBook& west = stored.data.perShardPerkBooks["west2"];
  west.currentPageId = 0;
  west.pages = {Page(50, "", -1, -1, -1, {})};
  stored.data.settings.showLongDescriptions = true;
  stored.data.settings.gridModeEnabled = true;
  stored.data.settings.showPresetPages = false;
  stored.data.settings.gameplayPatchVersionSeen = "14.2";
  stored.data.settings.gameplayUpdatedPerksSeen = {3124, 3315};
  return stored;
}

TEST_F(ApiTypesTest, EveryTypeIsRegisteredInOrderUnderTheNamespace) {
  const std::vector<std::string> expected = {
      "SummonerRerollPoints", "Summoner", "ChampSelectPlayerSelection", "ChampSelectMySelection",
      "ChampSelectTimer", "ChampSelectChatRoomDetails", "ChampSelectTradeState",
      "ChampSelectTradeContract", "ChampSelectAction", "ChampSelectBannedChampions",
      "ChampSelectSession", "GameflowPhase", "Queue", "GameflowGameData", "GameflowSession",
      "LoginSessionState", "LoginSession", "GetGameCustomizationDTO", "GameCustomizationDTO",
      "CustomizationLimits", "ChampionPreferredStyle", "GetResultFromServiceDTO",
      "PerkSettingResource", "PerkSubStyleBonusResource", "PerkStyleSlotResource",
      "PerkStyleResource", "PerkGDSResource", "PerkUIPerk", "PerkUISlot", "PerkUIStyle",
      "PerkPageResource", "PerkIdListResource", "UpdatePageOrderRequest", "PlatformConfig",
      "VexaMessagingServiceMessage", "UISettings", "PerkBook", "PerkSettings", "CollectionsRune",
      "CollectionsRunePage", "CollectionsRuneBook", "PlayerInventory", "ServiceSettings",
      "SettingsStorageContainer", "CollectionsLcdsClientDynamicConfigurationNotification"};
  std::vector<std::string> registered;
  for (const tav::BindingTypeDescriptor* type : registry_.SnapshotTypes()) {
    if (type->name.rfind("TavPerks", 0) == 0) registered.push_back(type->name.substr(8));
  }
  EXPECT_EQ(registered, expected);
  EXPECT_TRUE(registry_.FindUnresolvedFields().empty());
}

TEST_F(ApiTypesTest, PerkPageMatchesItsFixture) {
  const PerkPageResource page = EveningTide();
  const std::string fixture = ReadFixture("perk_page_resource.json");
  EXPECT_EQ(PrettyJson(page), fixture);

  PerkPageResource read;
  ASSERT_EQ(FromJson(fixture, read), "");
  EXPECT_EQ(read, page);
}

TEST_F(ApiTypesTest, StoredDocumentMatchesItsFixture) {
  const SettingsStorageContainer stored = StoredDocument();
  const std::string fixture = ReadFixture("settings_storage_container.json");
  EXPECT_EQ(PrettyJson(stored), fixture);

  SettingsStorageContainer read;
  ASSERT_EQ(FromJson(fixture, read), "");
  EXPECT_EQ(read, stored);
  EXPECT_EQ(read.data.perShardPerkBooks.at("north1").pages.at(0).autoModifiedSelections,
            (std::vector<uint32_t>{1, 4}));
}

TEST_F(ApiTypesTest, ChampSelectSessionMatchesItsFixture) {
  const std::string fixture = ReadFixture("champ_select_session.json");
  ChampSelectSession session;
  ASSERT_EQ(FromJson(fixture, session), "");

  ASSERT_EQ(session.myTeam.size(), 2u);
  EXPECT_EQ(session.localPlayerCellId, 3);
  EXPECT_EQ(session.myTeam[1].cellId, 3);
  EXPECT_EQ(session.myTeam[1].championId, 517);
  EXPECT_EQ(session.myTeam[1].spell2Id, 18000000000000000000u);
  EXPECT_EQ(session.timer.phase, "FINALIZATION");
  EXPECT_EQ(session.timer.timeLeftInPhase, -250);
  EXPECT_FALSE(session.chatDetails.chatRoomPassword.has_value());
  ASSERT_EQ(session.trades.size(), 2u);
  EXPECT_EQ(session.trades[0].state, ChampSelectTradeState::SENT);
  EXPECT_EQ(session.trades[1].state, ChampSelectTradeState::AVAILABLE);
  ASSERT_EQ(session.actions.size(), 2u);
  EXPECT_EQ(session.actions[0]["championId"].GetUint64(0), 517u);
  EXPECT_EQ(session.actions[1].kind(), tav::BindingPropertyKind::kCollection);
  EXPECT_EQ(session.bans.theirTeamBans, (std::vector<int32_t>{88, 412}));

  // Written back, the session gives the same text: enumeration names, the
  // absent password as null and the actions as they came.
  EXPECT_EQ(PrettyJson(session), fixture);
}

TEST_F(ApiTypesTest, LoginStateErrorIsThreeThoughRegisteredSecond) {
  const tav::BindingTypeDescriptor* state = registry_.FindType("TavPerksLoginSessionState");
  ASSERT_NE(state, nullptr);
  ASSERT_NE(state->FindEnumValue("ERROR"), nullptr);
  EXPECT_EQ(state->FindEnumValue("ERROR")->number, 3);
  EXPECT_STREQ(state->FindEnumValueName(2), "LOGGING_OUT");

  LoginSession session;
  session.state = LoginSessionState::ERROR;
  session.summonerId = 90017;
  EXPECT_EQ(CompactJson(session), R"({"accountId":0,"state":"ERROR","summonerId":90017})");

  struct Case {
    const char* json;
    LoginSessionState expected;
  };
  const Case cases[] = {
      {R"({"state": "ERROR"})", LoginSessionState::ERROR},
      {R"({"state": 3})", LoginSessionState::ERROR},
      {R"({"state": "SUCCEEDED"})", LoginSessionState::SUCCEEDED},
      {R"({"state": "2"})", LoginSessionState::LOGGING_OUT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    LoginSession read;
    ASSERT_EQ(FromJson(c.json, read), "");
    EXPECT_EQ(read.state, c.expected);
  }
  LoginSession read;
  EXPECT_EQ(FromJson(R"({"state": "FAILED"})", read),
            "FAILED is not a valid TavPerksLoginSessionState enumeration value for 'state'.");
}

TEST_F(ApiTypesTest, CombinedLimitsAreWrittenAsTheirNumber) {
  struct Case {
    CustomizationLimits limits;
    const char* expected;
  };
  const Case cases[] = {
      {CustomizationLimits::Locked, R"("Locked")"},
      {CustomizationLimits::CanSelectSplash, R"("CanSelectSplash")"},
      {CustomizationLimits::CanSelectPages | CustomizationLimits::CanSelectKeystones, "3"},
      {CustomizationLimits::CanSelectPages | CustomizationLimits::CanSelectKeystones |
           CustomizationLimits::CanSelectPrimaries | CustomizationLimits::CanSelectSplash |
           CustomizationLimits::CanUseAdvancedStyles,
       "31"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(CompactJson(c.limits), c.expected);
  }
  EXPECT_EQ(static_cast<int32_t>(CustomizationLimits::CanSelectSplash), 8);
  EXPECT_TRUE(HasLimits(CustomizationLimits{31}, CustomizationLimits::CanUseAdvancedStyles));
  EXPECT_FALSE(HasLimits(CustomizationLimits{15}, CustomizationLimits::CanUseAdvancedStyles));
}

TEST_F(ApiTypesTest, TradeStateZeroHasNoName) {
  ChampSelectTradeContract contract;
  contract.id = 6;
  EXPECT_EQ(CompactJson(contract), R"({"cellId":0,"id":6,"state":0})");

  ChampSelectTradeContract read;
  EXPECT_EQ(FromJson(R"({"state": 0})", read),
            "0 is not a valid TavPerksChampSelectTradeState enumeration value for 'state'.");
  ASSERT_EQ(FromJson(R"({"state": "BUSY"})", read), "");
  EXPECT_EQ(read.state, ChampSelectTradeState::BUSY);
}

TEST_F(ApiTypesTest, QueueTypeIsANumberInTheAnswerAndATextInTheRequest) {
  const tav::BindingFieldDescriptor* answer = FindField("TavPerksGameCustomizationDTO", "queueType");
  const tav::BindingFieldDescriptor* request =
      FindField("TavPerksGetGameCustomizationDTO", "queueType");
  ASSERT_NE(answer, nullptr);
  ASSERT_NE(request, nullptr);
  EXPECT_EQ(answer->type_id.code, BindingTypeCode::kUint64);
  EXPECT_EQ(request->type_id.code, BindingTypeCode::kString);

  GameCustomizationDTO customization;
  ASSERT_EQ(FromJson(R"({"category": "perks", "queueType": 18446744073709551615})",
                     customization),
            "");
  EXPECT_EQ(customization.queueType, 18446744073709551615u);
  EXPECT_EQ(FromJson(R"({"queueType": -1})", customization),
            "Value -1 for 'queueType' of type uint64 is out of range");

  GetGameCustomizationDTO asked;
  EXPECT_EQ(FromJson(R"({"queueType": 420})", asked),
            "Couldn't assign value to 'queueType' because the input is not a string.");
  ASSERT_EQ(FromJson(R"({"queueType": "420"})", asked), "");
  EXPECT_EQ(asked.queueType, "420");
}

}  // namespace
}  // namespace Vexa::Client::Perks::Api
