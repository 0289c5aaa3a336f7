#include "log/log_line_format.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "log/log_category.h"
#include "log/log_level.h"
#include "log/log_process_info.h"

namespace tav {
namespace {

std::string Line(std::string_view line_template, int32_t level = kLogLevelError,
                 std::string_view message = "page store unreachable") {
  LogEntry entry;
  entry.time = LogTime{2031, 4, 9, 7, 3, 5, 45};
  entry.level = level;
  entry.categories = kLogCategoryDebug | kLogCategoryNetwork;
  entry.message = message;
  char line[kLogLineSize];
  const size_t length = FormatLogLine(line_template, entry, line, sizeof line);
  EXPECT_EQ(line[length], '\0');
  return std::string(line, length);
}

TEST(LogLineFormat, TokensAndLevels) {
  LoadExecutableName();
  EXPECT_EQ(Line("#D| #L| #G| #M"),
            "2031-04-09T07:03:05.045|  ERROR| DBG;NET| page store unreachable\n");
  const struct {
    const char* line_template;
    int32_t level;
    std::string expected;
  } cases[] = {
      {"#E: #M", 2, "tav_log_tests: page store unreachable\n"},
      {"##M #", 2, "#M \n"},
      {"#x#1#-", 2, "x1-\n"},
      {"#M#", 2, "page store unreachable\n"},
      {"", 2, "\n"},
      {"#m", 2, "m\n"},
      {"#L", 0, "  OKAY\n"},
      {"#L", 1, "  WARN\n"},
      {"#L", 3, "ALWAYS\n"},
      {"#L", 4, "   ???\n"},
      {"#L", -1, "   ???\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.line_template) + " at " + std::to_string(c.level));
    EXPECT_EQ(Line(c.line_template, c.level), c.expected);
  }
}

TEST(LogLineFormat, LongLinesKeepRoomForLineFeed) {
  EXPECT_EQ(Line(std::string(5000, 'x')), std::string(4094, 'x') + "\n");
  EXPECT_EQ(Line("> #M", 2, std::string(4095, 'm')), "> " + std::string(4092, 'm') + "\n");
  // A line cut right after a line feed does not get a second one.
  EXPECT_EQ(Line(std::string(4093, 'y') + "\nzz"), std::string(4093, 'y') + "\n");
}

}  // namespace
}  // namespace tav
