// The stored settings document as the real plugin reads, merges, migrates
// and writes it, driven by the settings plugin's and the player
// preferences' signals and by logging in.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "perks_e2e_fixture.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr uint64_t kSummoner = 8642;
constexpr uint64_t kAccount = 9753;

// Five valid pages of the sample data, in stored order.
const std::vector<std::string>& FiveStoredPages() {
  static const std::vector<std::string> pages = {
      StoredPageJson(201, "Gust", 710, 720, "[7101,7104,7107,7110,7204,7208]", 0),
      StoredPageJson(202, "Rampart", 720, 710, "[7201,7204,7207,7210,7104,7108]", 1),
      StoredPageJson(203, "Moss", 730, 710, "[7301,7304,7307,7310,7104,7108]", 2),
      StoredPageJson(204, "Sigil", 740, 710, "[7401,7404,7407,7410,7104,7108]", 3),
      StoredPageJson(205, "Squall", 710, 730, "[7102,7105,7108,7111,7304,7308]", 4),
  };
  return pages;
}

std::string JsonArray(const std::vector<std::string>& elements) {
  std::string joined;
  for (const std::string& element : elements) joined += (joined.empty() ? "" : ",") + element;
  return "[" + joined + "]";
}

std::string Book(int current, const std::vector<std::string>& pages) {
  return R"({"currentPageId":)" + std::to_string(current) + R"(,"pages":)" + JsonArray(pages) + "}";
}

class SettingsSignalsTest : public PerksE2eTest {
 protected:
  void SetUp() override {
    ServeSampleGameData();
    ServeGameService();
    Serve(kLoginDataPacket, R"({"platformId":"EU1"})");
    Serve(kCurrentSummoner, R"({"summonerLevel":30})");
  }

  void OwnPages(int count) { Serve(RuneBookPath(kSummoner), RuneBookJson(kSummoner, count)); }
  void LogIn() { Signal(kLoginSession, LoginSessionJson("SUCCEEDED", kSummoner, kAccount)); }
  void StoreDocument(const std::string& document) {
    Serve(kPageSettings, document);
    Serve(kSettingsEvents, document);
  }
  // Any change of the interface settings saves the whole document.
  void SaveThroughSettings() {
    const CallResult put = Call(TAV_METHOD_PUT, "/tav-perks/v1/settings",
                                R"({"gameplayPatchVersionSeen":"14.3b","gameplayUpdatedPerksSeen":[],)"
                                R"("gridModeEnabled":false,"showLongDescriptions":true,"showPresetPages":true})");
    ASSERT_TRUE(put.ok()) << put.Summary();
  }
  std::vector<int> WrittenBookIds(size_t write, const char* shard) {
    const rapidjson::Document written = JsonValue(SettingsWrites().at(write));
    const rapidjson::Value& books = written["data"]["perShardPerkBooks"];
    if (!books.HasMember(shard)) return {-1};
    return PageIds(books[shard]["pages"]);
  }
};

TEST_F(SettingsSignalsTest, PagesMergedBeforeLoginAreAllKept) {
  const std::string book = Book(201, FiveStoredPages());
  // Before login the shard is unknown: the shard-less pages load, and the
  // save goes to the book under the empty shard.
  StoreDocument(StoredDocumentJson(JsonArray(FiveStoredPages()), R"({"eu1":)" + book + "}"));
  Start();
  Signal(kSettingsReady, "true");
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 202, 203, 204, 205, 54, 53, 52, 51, 50));
  SaveThroughSettings();
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_THAT(WrittenBookIds(0, ""), ElementsAre(201, 202, 203, 204, 205));
  EXPECT_EQ(JsonText(JsonValue(SettingsWrites()[0])["data"]["perShardPerkBooks"]["eu1"]), book);
  EXPECT_EQ(JsonText(JsonValue(SettingsWrites()[0])["data"]["pages"]), JsonArray(FiveStoredPages()));

  // Logging in brings the shard's book, still whole: the rune book cannot
  // be read.
  core_.AddPeerError(TAV_METHOD_GET, RuneBookPath(kSummoner), 503, "Collections offline");
  LogIn();
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 202, 203, 204, 205, 54, 53, 52, 51, 50));
  SaveThroughSettings();
  ASSERT_THAT(SettingsWrites(), SizeIs(2));
  EXPECT_THAT(WrittenBookIds(1, "eu1"), ElementsAre(201, 202, 203, 204, 205));
}

TEST_F(SettingsSignalsTest, AnUnreadableRuneBookLeavesEveryStoredPage) {
  core_.AddPeerError(TAV_METHOD_GET, RuneBookPath(kSummoner), 503, "Collections offline");
  StoreDocument(StoredDocumentJson("[]", R"({"eu1":)" + Book(201, FiveStoredPages()) + "}"));
  Start();
  LogIn();
  EXPECT_THAT(LogMessages(2),
              ElementsAre("Could not fetch rune page count from collections: Error response for "
                          "GET /tav-collections/v1/inventories/8642/rune-book: Collections offline"));
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/inventory")), R"({"ownedPageCount":0})");
  Signal(kSettingsReady, "true");
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 202, 203, 204, 205, 54, 53, 52, 51, 50));
  SaveThroughSettings();
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_THAT(WrittenBookIds(0, "eu1"), ElementsAre(201, 202, 203, 204, 205));

  // A rune book reported later limits creating pages, not the book held.
  Signal(RuneBookPath(kSummoner), RuneBookJson(kSummoner, 2));
  EXPECT_THAT(Published("/tav-perks/v1/inventory"), ElementsAre(R"({"ownedPageCount":2})"));
  EXPECT_EQ(Answer(Call(TAV_METHOD_POST, "/tav-perks/v1/pages",
                        R"({"name":"One more","primaryStyleId":710,"subStyleId":720})")),
            "400 Max pages reached");
  EXPECT_THAT(ServedPageIds(), SizeIs(10));
}

TEST_F(SettingsSignalsTest, TheMergesWriteBackIsWrittenOnceThoughItIsReportedBack) {
  OwnPages(4);
  EchoSettingsWrites();
  // An older acknowledged patch, and a page whose second row holds a perk of
  // another row: the merge repairs it and asks for a write-back.
  const std::string misplaced =
      StoredPageJson(206, "Crooked", 710, 720, "[7101,7107,7107,7110,7204,7208]", 5);
  StoreDocument(StoredDocumentJson("[]", R"({"eu1":)" + Book(206, {FiveStoredPages()[0], misplaced}) + "}",
                                   5, "13.9"));
  Start();
  LogIn();
  Forget();
  Signal(kSettingsReady, "true");
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  const rapidjson::Document written = JsonValue(SettingsWrites()[0]);
  EXPECT_EQ(JsonText(written["data"]["settings"]),
            R"({"gameplayPatchVersionSeen":"14.3b","gameplayUpdatedPerksSeen":[],)"
            R"("gridModeEnabled":true,"showLongDescriptions":false,"showPresetPages":true})");
  // The pages go back as they were stored; the repair reaches storage with
  // the next save.
  EXPECT_EQ(JsonText(written["data"]["perShardPerkBooks"]["eu1"]["pages"]),
            JsonArray({FiveStoredPages()[0], misplaced}));
  EXPECT_THAT(Published("/tav-perks/v1/pages"), SizeIs(1));
  EXPECT_THAT(Published("/tav-perks/v1/perks/gameplay-updated"), ElementsAre("[7311,7508]"));
  EXPECT_THAT(Published("/tav-perks/v1/show-auto-modified-pages-notification"), ElementsAre("true"));
  const CallResult repaired = Call(TAV_METHOD_GET, "/tav-perks/v1/pages/206");
  EXPECT_EQ(JsonText(repaired.value["selectedPerkIds"]), "[7101,7104,7107,7110,7204,7208]");
  EXPECT_EQ(JsonText(repaired.value["autoModifiedSelections"]), "[1]");

  // The next save carries the repair; its report changes nothing either.
  SaveThroughSettings();
  core_.RunUntilIdle();
  ASSERT_THAT(SettingsWrites(), SizeIs(2));
  EXPECT_EQ(JsonText(JsonValue(SettingsWrites()[1])["data"]["perShardPerkBooks"]["eu1"]["pages"][1]
                                                    ["selectedPerkIds"]),
            "[7101,7104,7107,7110,7204,7208]");
  EXPECT_THAT(Published("/tav-perks/v1/pages"), SizeIs(1));
}

TEST_F(SettingsSignalsTest, AnOldSchemaIsAppliedAtOnceAndMigratedWhenPreferencesBecomeReady) {
  OwnPages(4);
  Serve(kPlayerPreferencesReady, "false");
  StoreDocument(StoredDocumentJson("[]", R"({"eu1":)" + Book(201, {FiveStoredPages()[0]}) + "}", 4));
  // The older copy: two shard-less pages out of order, and a preset.
  const std::string older_document =
      R"({"pages":[)" + StoredPageJson(301, "Late", 720, 710, "[7201,7204,7207,7210,7104,7108]", 9) +
      "," + StoredPageJson(302, "Early", 710, 720, "[7101,7104,7107,7110,7204,7208]", 4) +
      R"(],"perShardPerkBooks":{},"settings":{"gameplayPatchVersionSeen":"14.3b",)"
      R"("gameplayUpdatedPerksSeen":[],"gridModeEnabled":false,"showLongDescriptions":true,)"
      R"("showPresetPages":false}})";
  rapidjson::Document older(rapidjson::kObjectType);
  older.AddMember("data", rapidjson::Value(older_document.c_str(), older.GetAllocator()),
                  older.GetAllocator());
  core_.resources().SetQuietly(kPlayerPreferencesPerks, older);
  Start();
  LogIn();
  Signal(kSettingsReady, "true");
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 54, 53, 52, 51, 50));
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_THAT(core_.RequestsTo(TAV_METHOD_GET, kPlayerPreferencesPerks), IsEmpty());
  Forget();

  Signal(kPlayerPreferencesReady, "true");
  EXPECT_THAT(core_.RequestsTo(TAV_METHOD_GET, kPlayerPreferencesPerks), SizeIs(1));
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  const rapidjson::Document written = JsonValue(SettingsWrites()[0]);
  EXPECT_EQ(written["schemaVersion"].GetInt(), 5);
  EXPECT_EQ(JsonText(written["data"]["pages"]),
            "[" + StoredPageJson(302, "Early", 710, 720, "[7101,7104,7107,7110,7204,7208]", 0) + "," +
                StoredPageJson(301, "Late", 720, 710, "[7201,7204,7207,7210,7104,7108]", 1) + "]");
  // Read back and applied: the shard has no book, so the older pages load.
  EXPECT_THAT(core_.RequestsTo(TAV_METHOD_GET, kPageSettings), SizeIs(1));
  EXPECT_THAT(ServedPageIds(), ElementsAre(302, 301, 54, 53, 52, 51, 50));
  EXPECT_EQ(Answer(Call(TAV_METHOD_GET, "/tav-perks/v1/servicesettings")),
            R"({"serverSideStorageAvailable":true})");

  // The migration ran once: another report of readiness does nothing.
  Signal(kPlayerPreferencesReady, "false");
  Signal(kPlayerPreferencesReady, "true");
  EXPECT_THAT(core_.RequestsTo(TAV_METHOD_GET, kPlayerPreferencesPerks), SizeIs(1));
  EXPECT_THAT(SettingsWrites(), SizeIs(1));
}

TEST_F(SettingsSignalsTest, PreferencesFailingOtherwiseAreReportedAndNothingIsWritten) {
  OwnPages(4);
  Serve(kPlayerPreferencesReady, "true");
  // Not logged in: the shard-less pages are the player's.
  const std::string stored = StoredDocumentJson(JsonArray({FiveStoredPages()[0]}), "{}", 4);
  StoreDocument(stored);
  core_.AddPeerError(TAV_METHOD_GET, kPlayerPreferencesPerks, 500, "Preferences broke");
  Start();
  Forget();
  Signal(kSettingsReady, "true");
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_THAT(LogMessages(1), ::testing::Contains("player-preferences returned error while getting perks: 500"));
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  const TelemetryPost& failure = core_.telemetry()[0];
  EXPECT_EQ(failure.table, "bkt_perks__event");
  EXPECT_EQ(failure.fields,
            (std::map<std::string, std::string>{
                {"event_name", "perks_playerprefs_failure"},
                {"error", "Player Prefs GET failure: Error response for GET "
                          "/tav-player-preferences/v1/preference/PerksPreferences: Preferences broke"},
                {"loggedIn", "0"},
                {"loggedInElapsedTimeMS", "0"},
                {"playerPreferencesConnected", "1"}}));
  // The stored pages are not lost for it: the document as read is used.
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 54, 53, 52, 51, 50));
  EXPECT_EQ(JsonText(StoredDocument()), JsonText(JsonValue(stored)));
}

// The settings plugin fails to give the stored document: nothing is
// written over it until it is known, and a document reported later is
// taken as usual.
TEST_F(SettingsSignalsTest, AnUnreachableSettingsPluginGetsNoWrites) {
  OwnPages(4);
  const std::string stored = StoredDocumentJson("[]", R"({"eu1":)" + Book(201, {FiveStoredPages()[0]}) + "}");
  Serve(kPageSettings, stored);
  const int refusal = core_.AddPeer(TAV_METHOD_GET, kPageSettings,
                                    [](const PeerRequest&) { return PeerResponse::Unreachable(); });
  Start();
  LogIn();
  Forget();
  Signal(kSettingsReady, "true");
  EXPECT_THAT(LogMessages(2),
              ElementsAre("Could not read stored settings for perks: Error response for GET "
                          "/tav-settings/v2/account/PerksPreferences/page-settings: Service unavailable"));
  // Only the presets that the summoner's level brought.
  EXPECT_THAT(ServedPageIds(), ElementsAre(54, 53, 52, 51, 50));
  SaveThroughSettings();
  EXPECT_NE(CreatePage("Meanwhile", 710, 720, kTempestPerks), 0);
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_EQ(JsonText(StoredDocument()), JsonText(JsonValue(stored)));

  // The settings plugin comes back and reports the document: it is taken,
  // and saving writes again, the stored book included.
  core_.RemovePeer(refusal);
  Signal(kSettingsEvents, stored);
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 54, 53, 52, 51, 50));
  SaveThroughSettings();
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_THAT(WrittenBookIds(0, "eu1"), ElementsAre(201));
}

TEST_F(SettingsSignalsTest, AStoredValueThatDoesNotConvertIsNotOverwritten) {
  OwnPages(4);
  const std::string unreadable = R"({"data":[1,2],"schemaVersion":"five"})";
  StoreDocument(unreadable);
  Start();
  LogIn();
  Forget();
  Signal(kSettingsReady, "true");
  ASSERT_THAT(LogMessages(2), SizeIs(1));
  EXPECT_THAT(LogMessages(2)[0],
              ::testing::StartsWith("Could not read stored settings for perks: Error converting response "
                                    "for GET /tav-settings/v2/account/PerksPreferences/page-settings: "));
  SaveThroughSettings();
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_EQ(JsonText(StoredDocument()), JsonText(JsonValue(unreadable)));
  // A report that does not convert either is ignored.
  Signal(kSettingsEvents, R"({"data":"garbage"})");
  SaveThroughSettings();
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_THAT(ServedPageIds(), ElementsAre(54, 53, 52, 51, 50));
}

TEST_F(SettingsSignalsTest, TheShardLookupFailingKeepsTheShardsBookInStorage) {
  OwnPages(4);
  core_.AddPeerError(TAV_METHOD_GET, kLoginDataPacket, 503, "Login data unavailable");
  const std::string eu1_book = Book(201, {FiveStoredPages()[0]});
  StoreDocument(StoredDocumentJson(JsonArray({FiveStoredPages()[2]}), R"({"eu1":)" + eu1_book + "}"));
  Start();
  Forget();
  LogIn();
  EXPECT_THAT(LogMessages(2), ElementsAre("Failed to get shard from global 'Error response for GET "
                                          "/tav-login/v1/login-data-packet: Login data unavailable'"));
  Signal(kSettingsReady, "true");
  // Read and written under the empty shard; the shard's book is untouched.
  EXPECT_THAT(ServedPageIds(), ElementsAre(203, 54, 53, 52, 51, 50));
  SaveThroughSettings();
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(JsonText(JsonValue(SettingsWrites()[0])["data"]["perShardPerkBooks"]["eu1"]), eu1_book);
  EXPECT_THAT(WrittenBookIds(0, ""), ElementsAre(203));
}

TEST_F(SettingsSignalsTest, TheStoredDocumentIsReadOnceTheSettingsPluginIsFirstReady) {
  OwnPages(4);
  StoreDocument(StoredDocumentJson("[]", R"({"eu1":)" + Book(201, {FiveStoredPages()[0]}) + "}"));
  Serve(kSettingsReady, "false");
  Start();
  LogIn();
  EXPECT_THAT(core_.RequestsTo(TAV_METHOD_GET, kPageSettings), IsEmpty());
  EXPECT_THAT(ServedPageIds(), ElementsAre(54, 53, 52, 51, 50));
  Signal(kSettingsReady, "true");
  Signal(kSettingsReady, "false");
  Signal(kSettingsReady, "true");
  EXPECT_THAT(core_.RequestsTo(TAV_METHOD_GET, kPageSettings), SizeIs(1));
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 54, 53, 52, 51, 50));
}

}  // namespace
}  // namespace tav::host
