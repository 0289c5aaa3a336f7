// The stored settings document as the real plugin reads, merges, migrates
// and writes it, driven by the settings plugin's and the player
// preferences' signals, by logging in, and by peers that fail.
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

// A document whose only book is shard eu1's, holding `pages`, the first of
// them current.
std::string Eu1Document(const std::vector<std::string>& pages, int schema = 5,
                        const std::string& legacy_pages = "[]") {
  return StoredDocumentJson(legacy_pages,
                            R"({"eu1":{"currentPageId":)" +
                                std::to_string(JsonValue(pages[0])["id"].GetInt()) +
                                R"(,"pages":)" + JsonArray(pages) + "}}",
                            schema);
}

class SettingsSignalsTest : public PerksE2eTest {
 protected:
  void SetUp() override {
    ServeSampleGameData();
    ServeGameService();
    Serve(kLoginDataPacketPath, R"({"platformId":"EU1"})");
    Serve(kCurrentSummonerPath, R"({"summonerLevel":30})");
    Serve(RuneBookPath(kSummoner), RuneBookJson(kSummoner, 4));
  }

  void LogIn() { Signal(kLoginSessionPath, LoginSessionJson("SUCCEEDED", kSummoner, 9753)); }
  // Starts with `stored` as the stored document, logged in unless told
  // otherwise; forgets what happened so far; then the settings plugin
  // becomes ready.
  void StartReady(const std::string& stored, bool log_in = true) {
    StoreDocument(stored);
    Start();
    if (log_in) LogIn();
    Forget();
    Signal(kSettingsReadyPath, "true");
  }
  // Any change of the interface settings saves the whole document.
  void SaveThroughSettings(const std::string& grid_mode = "false") {
    const CallResult put = Call(TAV_METHOD_PUT, "/tav-perks/v1/settings",
                                R"({"gameplayPatchVersionSeen":"14.3b","gameplayUpdatedPerksSeen":[],)"
                                R"("gridModeEnabled":)" + grid_mode +
                                    R"(,"showLongDescriptions":true,"showPresetPages":true})");
    ASSERT_TRUE(put.ok()) << put.Summary();
  }
  // A book of write `write`, as JSON; "" when the write has no book there.
  std::string WrittenBook(size_t write, const char* shard) {
    const rapidjson::Document written = JsonValue(SettingsWrites().at(write));
    const rapidjson::Value& books = written["data"]["perShardPerkBooks"];
    return books.HasMember(shard) ? JsonText(books[shard]) : "";
  }
  std::vector<int> WrittenBookIds(size_t write, const char* shard) {
    const std::string book = WrittenBook(write, shard);
    return book.empty() ? std::vector<int>{-1} : PageIds(JsonValue(book)["pages"]);
  }
};

// The owned count limits the stored book only once it is known, and logging
// in merges the stored document again for the shard now known.
TEST_F(SettingsSignalsTest, PagesMergedBeforeLoginOrWithoutAnOwnedCountAreAllKept) {
  const std::string eu1_document = Eu1Document(FiveStoredPages(), 5, JsonArray(FiveStoredPages()));
  StoreDocument(eu1_document);
  Start();
  Signal(kSettingsReadyPath, "true");
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 202, 203, 204, 205, 54, 53, 52, 51, 50));
  // Before login the save goes to the book under the empty shard.
  SaveThroughSettings();
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_THAT(WrittenBookIds(0, ""), ElementsAre(201, 202, 203, 204, 205));
  EXPECT_EQ(WrittenBook(0, "eu1"),
            JsonText(JsonValue(eu1_document)["data"]["perShardPerkBooks"]["eu1"]));
  EXPECT_EQ(JsonText(JsonValue(SettingsWrites()[0])["data"]["pages"]), JsonArray(FiveStoredPages()));

  // Logging in brings the shard's book, still whole: the rune book cannot
  // be read.
  core_.AddPeerError(TAV_METHOD_GET, RuneBookPath(kSummoner), 503, "Collections offline");
  Forget();
  LogIn();
  EXPECT_THAT(LogMessages(2),
              ElementsAre("Could not fetch rune page count from collections: Error response for "
                          "GET /tav-collections/v1/inventories/8642/rune-book: Collections offline"));
  EXPECT_EQ(Get("/tav-perks/v1/inventory"), R"({"ownedPageCount":0})");
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

// The settings plugin as each kind of store: one that reports every write,
// one that reports only changes, one that folds the writes made before a
// report is delivered into it.
class StoreReportsTest : public SettingsSignalsTest,
                         public ::testing::WithParamInterface<SettingsReports> {
 protected:
  void SetUp() override {
    SettingsSignalsTest::SetUp();
    ReportSettingsWrites(GetParam());
  }
  // Another client writes the stored document with `from` replaced by `to`.
  void EditStoredDocument(const std::string& from, const std::string& to) {
    std::string text = JsonText(StoredDocument());
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << text;
    WriteStoredDocument(JsonValue(text.replace(at, from.size(), to)));
    core_.RunUntilIdle();
  }
};

std::string ReportsName(const ::testing::TestParamInfo<SettingsReports>& info) {
  const char* const names[] = {"EveryWrite", "ChangesOnly", "Merged"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(SettingsPlugins, StoreReportsTest,
                         ::testing::Values(SettingsReports::kEveryWrite,
                                           SettingsReports::kChangesOnly, SettingsReports::kMerged),
                         ReportsName);

// Reports come late, after later writes, and a store may never report a
// write that changed nothing: neither may hide a change made elsewhere and
// undone again.
TEST_P(StoreReportsTest, ChangesMadeElsewhereAndUndoneAreFollowed) {
  struct Case {
    const char* url;
    const char* member;
    const char* held;
    const char* changed;
  };
  const Case cases[] = {
      {"/tav-perks/v1/settings", "gridModeEnabled", "true", "false"},
      {"/tav-perks/v1/pages/201", "name", R"("Gust")", R"("Breeze")"},
  };
  StartReady(Eu1Document({FiveStoredPages()[0]}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    for (const char* grid_mode : {"false", "true", "true"}) SaveThroughSettings(grid_mode);
    core_.RunUntilIdle();
    const std::string held = "\"" + std::string(c.member) + "\":" + c.held;
    const std::string changed = "\"" + std::string(c.member) + "\":" + c.changed;
    EditStoredDocument(held, changed);
    EXPECT_EQ(JsonText(JsonValue(Get(c.url))[c.member]), c.changed);
    EditStoredDocument(changed, held);
    EXPECT_EQ(JsonText(JsonValue(Get(c.url))[c.member]), c.held);
    EXPECT_NE(CreatePage("Later", 710, 720, kTempestPerks), 0);
    EXPECT_THAT(JsonText(StoredDocument()), ::testing::HasSubstr(held));
  }
}

TEST_P(StoreReportsTest, AWriteBackIsWrittenOnceThoughItIsReportedBack) {
  // An older acknowledged patch, and a page whose second row holds a perk of
  // another row: the merge repairs it and asks for a write-back.
  const std::string misplaced =
      StoredPageJson(206, "Crooked", 710, 720, "[7101,7107,7107,7110,7204,7208]", 5);
  std::string stored = Eu1Document({FiveStoredPages()[0], misplaced});
  stored.replace(stored.find("14.3b"), 5, "13.9");
  StartReady(stored);
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
  EXPECT_EQ(JsonText(JsonValue(WrittenBook(1, "eu1"))["pages"][1]["selectedPerkIds"]),
            "[7101,7104,7107,7110,7204,7208]");
  EXPECT_THAT(Published("/tav-perks/v1/pages"), SizeIs(1));

  // So does a change made elsewhere that needs a write-back.
  EditStoredDocument(R"("gameplayPatchVersionSeen":"14.3b")",
                     R"("gameplayPatchVersionSeen":"13.9")");
  EXPECT_THAT(SettingsWrites(), SizeIs(3));
  EXPECT_EQ(JsonText(StoredDocument()["data"]["settings"]["gameplayPatchVersionSeen"]),
            R"("14.3b")");
  EXPECT_THAT(Published("/tav-perks/v1/pages"), SizeIs(2));
}

TEST_F(SettingsSignalsTest, AnOldSchemaIsAppliedAtOnceAndMigratedWhenPreferencesBecomeReady) {
  Serve(kPlayerPreferencesReadyPath, "false");
  // The older copy: two shard-less pages out of order.
  const std::string older_document =
      R"({"pages":[)" +
      StoredPageJson(301, "Late", 720, 710, "[7201,7204,7207,7210,7104,7108]", 9) + "," +
      StoredPageJson(302, "Early", 710, 720, kTempestPerks, 4) +
      R"(],"perShardPerkBooks":{},"settings":{"gameplayPatchVersionSeen":"14.3b",)"
      R"("gameplayUpdatedPerksSeen":[],"gridModeEnabled":false,"showLongDescriptions":true,)"
      R"("showPresetPages":false}})";
  Serve(kPlayerPreferencesPerksPath,
        R"({"data":)" + JsonText(rapidjson::Value(rapidjson::StringRef(older_document))) + "}");
  StartReady(Eu1Document({FiveStoredPages()[0]}, 4));
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 54, 53, 52, 51, 50));
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_EQ(Reads(kPlayerPreferencesPerksPath), 0u);
  Forget();

  Signal(kPlayerPreferencesReadyPath, "true");
  EXPECT_EQ(Reads(kPlayerPreferencesPerksPath), 1u);
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  const rapidjson::Document written = JsonValue(SettingsWrites()[0]);
  EXPECT_EQ(written["schemaVersion"].GetInt(), 5);
  EXPECT_EQ(JsonText(written["data"]["pages"]),
            "[" + StoredPageJson(302, "Early", 710, 720, kTempestPerks, 0) + "," +
                StoredPageJson(301, "Late", 720, 710, "[7201,7204,7207,7210,7104,7108]", 1) + "]");
  // Read back and applied: the shard has no book, so the older pages load.
  EXPECT_EQ(Reads(kPageSettingsPath), 1u);
  EXPECT_THAT(ServedPageIds(), ElementsAre(302, 301, 54, 53, 52, 51, 50));
  EXPECT_EQ(Get("/tav-perks/v1/servicesettings"), R"({"serverSideStorageAvailable":true})");

  // The migration ran once: another report of readiness does nothing.
  Signal(kPlayerPreferencesReadyPath, "false");
  EXPECT_EQ(Get("/tav-perks/v1/servicesettings"), R"({"serverSideStorageAvailable":false})");
  Signal(kPlayerPreferencesReadyPath, "true");
  EXPECT_EQ(Reads(kPlayerPreferencesPerksPath), 1u);
  EXPECT_THAT(SettingsWrites(), SizeIs(1));
}

TEST_F(SettingsSignalsTest, PreferencesWithoutACopyGetTheDocumentAsReadWritten) {
  Serve(kPlayerPreferencesReadyPath, "true");
  const std::string stored = Eu1Document({FiveStoredPages()[1], FiveStoredPages()[0]}, 4);
  core_.AddPeerError(TAV_METHOD_GET, kPlayerPreferencesPerksPath, 404, "Not found");
  StartReady(stored);
  // Not the empty book in memory: the document as read, under the current
  // schema, then read back.
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  const rapidjson::Document written = JsonValue(SettingsWrites()[0]);
  EXPECT_EQ(written["schemaVersion"].GetInt(), 5);
  EXPECT_EQ(WrittenBook(0, "eu1"), JsonText(JsonValue(stored)["data"]["perShardPerkBooks"]["eu1"]));
  EXPECT_EQ(Reads(kPageSettingsPath), 2u);
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 202, 54, 53, 52, 51, 50));
  EXPECT_THAT(core_.telemetry(), IsEmpty());
  EXPECT_THAT(LogMessages(1), IsEmpty());
}

TEST_F(SettingsSignalsTest, PreferencesFailingOtherwiseAreReportedAndNothingIsWritten) {
  Serve(kPlayerPreferencesReadyPath, "true");
  // Not logged in: the shard-less pages are the player's.
  const std::string stored = StoredDocumentJson(JsonArray({FiveStoredPages()[0]}), "{}", 4);
  core_.AddPeerError(TAV_METHOD_GET, kPlayerPreferencesPerksPath, 500, "Preferences broke");
  StartReady(stored, /*log_in=*/false);
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_THAT(LogMessages(1), ::testing::Contains("player-preferences returned error while getting perks: 500"));
  ASSERT_THAT(core_.telemetry(), SizeIs(1));
  EXPECT_EQ(core_.telemetry()[0].table, "bkt_perks__event");
  EXPECT_EQ(core_.telemetry()[0].fields,
            (std::map<std::string, std::string>{
                {"event_name", "perks_playerprefs_failure"},
                {"error",
                 "Player Prefs GET failure: Error response for GET "
                 "/tav-player-preferences/v1/preference/PerksPreferences: Preferences broke"},
                {"loggedIn", "0"},
                {"loggedInElapsedTimeMS", "0"},
                {"playerPreferencesConnected", "1"}}));
  // The stored pages are not lost for it: the document as read is used.
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 54, 53, 52, 51, 50));
  EXPECT_EQ(JsonText(StoredDocument()), JsonText(JsonValue(stored)));
}

// The settings plugin fails to give the stored document: nothing is written
// over it until it is known, and a document reported later is taken.
TEST_F(SettingsSignalsTest, AnUnreachableSettingsPluginGetsNoWrites) {
  const std::string stored = Eu1Document({FiveStoredPages()[0]});
  Serve(kPageSettingsPath, stored);
  const int refusal = core_.AddPeer(TAV_METHOD_GET, kPageSettingsPath,
                                    [](const PeerRequest&) { return PeerResponse::Unreachable(); });
  Start();
  LogIn();
  Forget();
  Signal(kSettingsReadyPath, "true");
  EXPECT_THAT(
      LogMessages(2),
      ElementsAre("Could not read stored settings for perks: Error response for GET "
                  "/tav-settings/v2/account/PerksPreferences/page-settings: Service unavailable"));
  EXPECT_THAT(ServedPageIds(), ElementsAre(54, 53, 52, 51, 50));
  SaveThroughSettings();
  EXPECT_NE(CreatePage("Meanwhile", 710, 720, kTempestPerks), 0);
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_EQ(JsonText(StoredDocument()), JsonText(JsonValue(stored)));

  core_.RemovePeer(refusal);
  Signal(kPageSettingsEventsPath, stored);
  EXPECT_THAT(ServedPageIds(), ElementsAre(201, 54, 53, 52, 51, 50));
  SaveThroughSettings();
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_THAT(WrittenBookIds(0, "eu1"), ElementsAre(201));
}

TEST_F(SettingsSignalsTest, AStoredValueThatDoesNotConvertIsNotOverwritten) {
  const std::string unreadable = R"({"data":[1,2],"schemaVersion":"five"})";
  StartReady(unreadable);
  ASSERT_THAT(LogMessages(2), SizeIs(1));
  EXPECT_THAT(LogMessages(2)[0],
              ::testing::StartsWith("Could not read stored settings for perks: Error converting response "
                                    "for GET /tav-settings/v2/account/PerksPreferences/page-settings: "));
  SaveThroughSettings();
  // A report that does not convert either is ignored.
  Signal(kPageSettingsEventsPath, R"({"data":"garbage"})");
  SaveThroughSettings();
  EXPECT_THAT(SettingsWrites(), IsEmpty());
  EXPECT_EQ(JsonText(StoredDocument()), JsonText(JsonValue(unreadable)));
  EXPECT_THAT(ServedPageIds(), ElementsAre(54, 53, 52, 51, 50));
}

TEST_F(SettingsSignalsTest, TheShardLookupFailingKeepsTheShardsBookInStorage) {
  core_.AddPeerError(TAV_METHOD_GET, kLoginDataPacketPath, 503, "Login data unavailable");
  const std::string stored =
      Eu1Document({FiveStoredPages()[0]}, 5, JsonArray({FiveStoredPages()[2]}));
  StoreDocument(stored);
  Start();
  Forget();
  LogIn();
  EXPECT_THAT(LogMessages(2), ElementsAre("Failed to get shard from global 'Error response for GET "
                                          "/tav-login/v1/login-data-packet: Login data unavailable'"));
  Signal(kSettingsReadyPath, "true");
  // Read and written under the empty shard; the shard's book is untouched.
  EXPECT_THAT(ServedPageIds(), ElementsAre(203, 54, 53, 52, 51, 50));
  SaveThroughSettings();
  ASSERT_THAT(SettingsWrites(), SizeIs(1));
  EXPECT_EQ(WrittenBook(0, "eu1"), JsonText(JsonValue(stored)["data"]["perShardPerkBooks"]["eu1"]));
  EXPECT_THAT(WrittenBookIds(0, ""), ElementsAre(203));
}

}  // namespace
}  // namespace tav::host
