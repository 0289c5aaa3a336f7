#include "log/assertion_report.h"

#include <string>

#include <gtest/gtest.h>

#include "capture_log_target.h"
#include "log/log_level.h"
#include "log/logger.h"

namespace tav {
namespace {

TEST(AssertionReport, Texts) {
  const struct {
    const char* desc;
    const char* file;
    int32_t line;
    const char* function;
    const char* expression;
    const char* description;
    const char* expected;
  } cases[] = {
      {"file and expression", "a", 0, "", "x", "", "Assertion failed!\n\nFile: a\nExpression: x"},
      {"every part", "perk_book.cpp", 212, "ValidatePage", "count <= 6", "seven perks",
       "Assertion failed!\n\nFile: perk_book.cpp\nLine: 212\n\nFunction: ValidatePage\n\n"
       "Expression: count <= 6\n\nDescription: seven perks"},
      {"nothing given", "", 0, "", "", "", "Assertion failed!\n\n"},
      {"negative line", "", -3, "", "", "", "Assertion failed!\n\nLine: -3\n\n"},
      {"fatal form", "", 0, "", "ALE-6D828C10", "Caught a broken promise",
       "Assertion failed!\n\nExpression: ALE-6D828C10\n\nDescription: Caught a broken promise"},
      {"description alone", "", 0, "", "", "lost", "Assertion failed!\n\n\n\nDescription: lost"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.desc);
    EXPECT_EQ(BuildAssertionReport(c.file, c.line, c.function, c.expression, c.description),
              c.expected);
  }
}

TEST(AssertionReport, LoggedVerbatimAsError) {
  AcquireLogger();
  RemoveLogTarget(GetStdErrLogTarget());
  RemoveLogTarget(GetDebuggerConsoleLogTarget());
  CaptureLogTarget target;
  ConfigureLogTarget(&target, kLogLevelOkay, 0, 0, "#G|#M");
  LogAssertionReport("", 0, "", "ratio < 100%", "%s %d %n");
  EXPECT_EQ(target.levels, std::vector<int32_t>{kLogLevelError});
  EXPECT_EQ(target.messages,
            std::vector<std::string>{"Assertion failed!\n\nExpression: ratio < 100%\n\n"
                                     "Description: %s %d %n"});
  EXPECT_EQ(target.lines[0].rfind("DBG|Assertion failed!", 0), 0u);
  EXPECT_EQ(GetLogErrorCount(), 1u);
  RemoveLogTarget(&target);
  ReleaseLogger();
}

TEST(AssertionReportDeathTest, FatalReportAbortsAfterLogging) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(FatalErrorReport("ALE-EECF0606",
                                "tav-perks which supports plugin API 18.0.0 is not compatible "
                                "with core's plugin API 19.0.0"),
               "Expression: ALE-EECF0606\n\nDescription: tav-perks which supports plugin API "
               "18\\.0\\.0 is not compatible with core's plugin API 19\\.0\\.0");
}

}  // namespace
}  // namespace tav
