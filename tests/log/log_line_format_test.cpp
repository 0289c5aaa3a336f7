#include "log/log_line_format.h"

#include <cstdint>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "log/log_category.h"
#include "log/log_level.h"
#include "log/log_process_info.h"

namespace tav {
namespace {

LogEntry SampleEntry(std::string_view message = "page store unreachable") {
  LogEntry entry;
  entry.time = LogTime{2031, 4, 9, 7, 3, 5, 45};
  entry.level = kLogLevelError;
  entry.categories = kLogCategoryDebug | kLogCategoryNetwork;
  entry.message = message;
  return entry;
}

std::string Line(std::string_view line_template, const LogEntry& entry) {
  char line[kLogLineSize];
  const size_t length = FormatLogLine(line_template, entry, line, sizeof line);
  EXPECT_EQ(line[length], '\0');
  return std::string(line, length);
}

TEST(LogLineFormat, Tokens) {
  LoadExecutableName();
  struct {
    const char* desc;
    const char* line_template;
    std::string expected;
  } cases[] = {
      {"default template", "#D| #L| #G| #M",
       "2031-04-09T07:03:05.045|  ERROR| DBG;NET| page store unreachable\n"},
      {"executable", "#E: #M", "tav_log_tests: page store unreachable\n"},
      {"two hashes", "##M #", "#M \n"},
      {"other characters", "#x#1#-", "x1-\n"},
      {"trailing hash", "#M#", "page store unreachable\n"},
      {"empty template", "", "\n"},
      {"lower-case token", "#m", "m\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.desc);
    EXPECT_EQ(Line(c.line_template, SampleEntry()), c.expected);
  }
}

TEST(LogLineFormat, LevelTexts) {
  const struct {
    int32_t level;
    const char* text;
  } cases[] = {{0, "  OKAY"}, {1, "  WARN"}, {2, " ERROR"}, {3, "ALWAYS"}, {4, "   ???"},
               {-1, "   ???"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    LogEntry entry = SampleEntry();
    entry.level = c.level;
    EXPECT_EQ(Line("#L", entry), std::string(c.text) + "\n");
  }
}

TEST(LogLineFormat, LongLinesKeepRoomForLineFeed) {
  const std::string long_template(5000, 'x');
  EXPECT_EQ(Line(long_template, SampleEntry()), std::string(4094, 'x') + "\n");

  const std::string message(4095, 'm');
  EXPECT_EQ(Line("> #M", SampleEntry(message)), "> " + std::string(4092, 'm') + "\n");
  // A line cut right after a line feed does not get a second one.
  const std::string ends_in_feed = std::string(4093, 'y') + "\nzz";
  EXPECT_EQ(Line(ends_in_feed, SampleEntry()), std::string(4093, 'y') + "\n");
}

}  // namespace
}  // namespace tav
