#include "log/logger.h"

#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "capture_log_target.h"
#include "log/log_category.h"
#include "log/log_level.h"

// Counts this thread's operator new calls, to show that a log call does not
// allocate. The replacements pair malloc with free, which the compiler cannot
// see through.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
thread_local size_t t_allocations = 0;
}  // namespace

void* operator new(size_t size) {
  ++t_allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, size_t) noexcept { std::free(memory); }

namespace tav {
namespace {

// The built-in targets write to memory instead of the console.
class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AcquireLogger();
    GetStdErrLogTarget()->SetStream(err_.file());
    GetStdOutLogTarget()->SetStream(out_.file());
    GetDebuggerConsoleLogTarget()->SetStream(debugger_.file());
  }
  void TearDown() override { ReleaseLogger(); }

  MemoryStream err_;
  MemoryStream out_;
  MemoryStream debugger_;
};

TEST_F(LoggerTest, DefaultFilteringWithoutAllocating) {
  const size_t before = t_allocations;
  LogInfo("level 0 is below the minimum");
  Log(kLogLevelError, kLogCategoryDebug | kLogCategoryExtra, "XTR is excluded");
  LogWarning("page %d of %s is stale", 4, "Ember");
  EXPECT_EQ(t_allocations, before);

  const auto console_line = ::testing::MatchesRegex(
      "tav_log_tests\\(0x[0-9a-f]+\\):   WARN\\| page 4 of Ember is stale\n");
  EXPECT_THAT(err_.Text(), console_line);
  EXPECT_THAT(debugger_.Text(), console_line);
  EXPECT_EQ(out_.Text(), "");
}

TEST_F(LoggerTest, TargetMasks) {
  const struct {
    const char* desc;
    uint64_t included;
    uint64_t excluded;
    uint64_t entry;
    bool reached;
  } cases[] = {
      {"empty entry mask passes everything", kLogCategoryGeneral, kLogCategoryDebug, 0, true},
      {"excluded bit", kLogCategoryGeneral, kLogCategoryDebug, kLogCategoryDebug, false},
      {"excluded wins over included", kLogCategoryGeneral, kLogCategoryDebug,
       kLogCategoryDebug | kLogCategoryGeneral, false},
      {"included bit", kLogCategoryGeneral, kLogCategoryDebug, kLogCategoryGeneral, true},
      {"no included bit", kLogCategoryGeneral, 0, kLogCategoryTest, false},
      {"no included mask", 0, 0, kLogCategoryTest, true},
      {"high bit", 0, 0, uint64_t{1} << 40, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.desc);
    CaptureLogTarget target;
    ConfigureLogTarget(&target, kLogLevelOkay, c.included, c.excluded, "#M");
    Log(kLogLevelWarning, c.entry, "entry");
    EXPECT_EQ(target.lines.size(), c.reached ? 1u : 0u);
    RemoveLogTarget(&target);
  }
}

TEST_F(LoggerTest, MessageIsCutAt4095Bytes) {
  CaptureLogTarget target;
  ConfigureLogTarget(&target, kLogLevelOkay, 0, 0, "#M");
  const std::string text(5000, 'k');
  LogError("%s", text.c_str());
  EXPECT_EQ(target.messages, std::vector<std::string>{text.substr(0, 4095)});
  EXPECT_EQ(target.lines, std::vector<std::string>{text.substr(0, 4094) + "\n"});
  RemoveLogTarget(&target);
}

TEST_F(LoggerTest, TargetsThatLogOrGoAwayAreSafe) {
  {
    CaptureLogTarget destroyed;
    AddLogTarget(&destroyed);
    AddLogTarget(&destroyed);
  }
  EXPECT_EQ(FindLogTarget("CaptureLogTarget"), nullptr);
  LogWarning("reaches no destroyed target");

  // A log call from inside Write is dropped instead of recursing.
  class EchoTarget : public CaptureLogTarget {
   public:
    bool Write(const LogEntry& entry) override {
      LogError("echo");
      return CaptureLogTarget::Write(entry);
    }
  } echo;
  ConfigureLogTarget(&echo, kLogLevelOkay, 0, 0, "#M");
  LogWarning("original");
  EXPECT_EQ(echo.messages, std::vector<std::string>{"original"});
  RemoveLogTarget(&echo);

  // Targets may change the list from inside Write without deadlocking:
  // the first entry removes `later` (never written to), then the writer
  // itself, and adds `added`, which the same entry still reaches.
  CaptureLogTarget later;
  CaptureLogTarget added;
  class ListChangingTarget : public CaptureLogTarget {
   public:
    ListChangingTarget(LogTarget* later, LogTarget* added) : later_(later), added_(added) {}
    bool Write(const LogEntry& entry) override {
      RemoveLogTarget(later_);
      RemoveLogTarget(this);
      ConfigureLogTarget(added_, kLogLevelOkay, 0, 0, "#M");
      EXPECT_EQ(FindLogTarget("CaptureLogTarget"), added_);
      return CaptureLogTarget::Write(entry);
    }

   private:
    LogTarget* later_;
    LogTarget* added_;
  } changer(&later, &added);
  ConfigureLogTarget(&changer, kLogLevelOkay, 0, 0, "#M");
  ConfigureLogTarget(&later, kLogLevelOkay, 0, 0, "#M");
  LogWarning("first");
  LogWarning("second");
  EXPECT_EQ(changer.messages, std::vector<std::string>{"first"});
  EXPECT_TRUE(later.messages.empty());
  EXPECT_EQ(added.messages, (std::vector<std::string>{"first", "second"}));
  EXPECT_FALSE(changer.IsRegistered());
  EXPECT_FALSE(later.IsRegistered());
  RemoveLogTarget(&added);
}

// The last release from inside a Write ends the logger once the entry has
// been dispatched, not under the dispatch's feet.
TEST(LoggerLifetime, LastReleaseFromInsideWrite) {
  class ReleasingTarget : public CaptureLogTarget {
   public:
    bool Write(const LogEntry& entry) override {
      ReleaseLogger();
      return CaptureLogTarget::Write(entry);
    }
  } releasing;
  CaptureLogTarget after;
  AcquireLogger();
  ConfigureLogTarget(&releasing, kLogLevelOkay, 0, 0, "#M");
  ConfigureLogTarget(&after, kLogLevelOkay, 0, 0, "#M");
  LogWarning("last words");
  EXPECT_EQ(after.messages, std::vector<std::string>{"last words"});
  EXPECT_FALSE(releasing.IsRegistered());
  EXPECT_FALSE(after.IsRegistered());
}

TEST_F(LoggerTest, ThreadsNeverInterleaveLines) {
  CaptureLogTarget target;
  ConfigureLogTarget(&target, kLogLevelOkay, 0, 0, "#M");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) LogWarning("thread %d line %03d", t, i);
    });
  }
  for (std::thread& thread : threads) thread.join();
  ASSERT_EQ(target.lines.size(), 800u);
  for (const std::string& line : target.lines) {
    ASSERT_THAT(line, ::testing::MatchesRegex("thread [0-3] line [0-9]{3}\n"));
  }
  EXPECT_EQ(GetLogWarningCount(), 800u);
  RemoveLogTarget(&target);
}

TEST(LoggerLifetime, LastReleaseResetsTargetsAndSettings) {
  CaptureLogTarget target;
  AcquireLogger();
  AcquireLogger();
  ConfigureLogTarget(&target, kLogLevelOkay, kLogCategoryDebug, 0, "#M");
  SetLogLevel(kLogLevelAlways);
  SetLogMuted(true);
  ReleaseLogger();
  EXPECT_TRUE(target.IsRegistered());
  EXPECT_EQ(GetLogLevel(), kLogLevelAlways);

  ReleaseLogger();
  EXPECT_FALSE(target.IsRegistered());
  EXPECT_EQ(target.GetLevel(), kLogLevelWarning);
  EXPECT_EQ(target.GetIncludedMask(), 0u);
  EXPECT_EQ(target.GetTemplate(), kDefaultLogTemplate);

  // An unmatched release changes nothing; the next acquire starts afresh.
  ReleaseLogger();
  AcquireLogger();
  EXPECT_EQ(GetLogLevel(), kLogLevelWarning);
  EXPECT_EQ(GetLogExcludedCategories(), kLogCategoryExtra);
  EXPECT_FALSE(IsLogMuted());
  EXPECT_EQ(GetLogWarningCount(), 0u);
  EXPECT_EQ(FindLogTarget("CaptureLogTarget"), nullptr);
  ReleaseLogger();
}

}  // namespace
}  // namespace tav
