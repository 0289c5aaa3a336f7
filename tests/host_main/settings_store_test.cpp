// The SQLite store behind the settings plugin: documents survive a reopen,
// a process killed in the middle of its writes leaves the last committed
// document whole, and files that are not stores are refused.
#include "main/settings_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>

#include "tests/host_main/core_process.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

constexpr const char* kKey = "PerksPreferences/page-settings";

// A document that says which version it is twice, with a large filler
// between, so that a torn write could not pass for a whole one.
std::string VersionDocument(int version) {
  const std::string number = std::to_string(version);
  return R"({"version":)" + number + R"(,"filler":")" + std::string(200000, static_cast<char>('a' + version % 26)) +
         R"(","check":)" + number + "}";
}

bool IsWholeVersion(const std::string& text, int* version) {
  const std::string prefix = R"({"version":)";
  if (text.compare(0, prefix.size(), prefix) != 0) return false;
  *version = std::atoi(text.c_str() + prefix.size());
  return text == VersionDocument(*version);
}

// The version stored whole at `path`, or nothing while there is none.
std::optional<int> StoredVersion(const std::string& path) {
  SettingsStore store;
  std::string error;
  int version = -1;
  if (!store.Open(path, &error)) return std::nullopt;
  const std::optional<std::string> text = store.Get(kKey, &error);
  if (!text || !IsWholeVersion(*text, &version)) return std::nullopt;
  return version;
}

TEST(SettingsStore, AWriterKilledMidWriteLeavesAWholeDocument) {
  TempFolder folder;
  const std::string path = folder.Path("s.sqlite3");
  std::string error;
  {
    SettingsStore store;
    ASSERT_TRUE(store.Open(path, &error)) << error;
    ASSERT_TRUE(store.Put(kKey, VersionDocument(0), &error)) << error;
  }
  std::mt19937 random(20240611);
  int last_seen = 0;
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // The writer: versions one after another, until it is killed.
      SettingsStore store;
      std::string child_error;
      if (!store.Open(path, &child_error)) _exit(3);
      for (int version = last_seen + 1;; ++version) {
        if (!store.Put(kKey, VersionDocument(version), &child_error)) _exit(4);
      }
    }
    // Kill it at a random moment after its first commit of this round, which
    // a slow machine (or an emulated one) may take long to reach.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (StoredVersion(path).value_or(last_seen) <= last_seen &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30 + random() % 120));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself with " << WEXITSTATUS(status);

    const std::optional<int> version = StoredVersion(path);
    ASSERT_TRUE(version.has_value()) << "no whole document after the kill";
    // Nothing committed before is lost: the versions only grow.
    EXPECT_GE(*version, last_seen);
    last_seen = *version;
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(db);
  EXPECT_GT(last_seen, 0) << "the writer never committed anything";
}

TEST(SettingsStore, ManyWritesOfASameSizedDocumentDoNotGrowTheFiles) {
  TempFolder folder;
  const std::string path = folder.Path("s.sqlite3");
  std::string error;
  SettingsStore store;
  ASSERT_TRUE(store.Open(path, &error)) << error;
  auto size_of = [](const std::string& file) {
    std::error_code missing;
    const uintmax_t size = std::filesystem::file_size(file, missing);
    return missing ? uintmax_t{0} : size;
  };
  // A book of some 12 KiB, as a player with a dozen pages has, rewritten
  // with a changing name as every page operation does.
  uintmax_t store_after_warm_up = 0;
  for (int write = 1; write <= 300; ++write) {
    const std::string document = R"({"name":"page )" + std::to_string(100000 + write) + R"(","filler":")" +
                                 std::string(12000, static_cast<char>('a' + write % 26)) + "\"}";
    ASSERT_TRUE(store.Put(kKey, document, &error)) << error;
    if (write == 50) store_after_warm_up = size_of(path);
    SCOPED_TRACE("write " + std::to_string(write));
    ASSERT_LE(size_of(path + "-wal"), SettingsStore::kMaxLogBytes + 64 * 1024);
  }
  EXPECT_EQ(size_of(path), store_after_warm_up);
}

TEST(SettingsStore, RefusesWhatIsNotAWritableStore) {
  TempFolder folder;
  std::string error;
  SettingsStore store;

  const std::string text_file = folder.Path("notes.txt");
  std::ofstream(text_file) << "these are not the pages you are looking for, not even close, nor any page at all\n";
  EXPECT_FALSE(store.Open(text_file, &error));
  EXPECT_EQ(error, text_file + ": file is not a database");

  EXPECT_FALSE(store.Open(folder.Path("missing/s.sqlite3"), &error));
  EXPECT_THAT(error, StartsWith(folder.Path("missing/s.sqlite3") + ": cannot open the store"));

  EXPECT_FALSE(store.Open(folder.path(), &error)) << "a folder is no store";
  EXPECT_FALSE(store.is_open());
  EXPECT_FALSE(store.Put(kKey, "{}", &error));
  EXPECT_EQ(error, "the settings store is not open");
}

}  // namespace
}  // namespace tav::host
