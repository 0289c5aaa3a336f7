#include "log/positional_format.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tav {
namespace {

struct Case {
  const char* desc;
  std::string format;
  std::vector<FormatArg> args;
  std::string expected;
};

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.desc);
    EXPECT_EQ(FormatMessageArgs(c.format, c.args.data(), c.args.size()), c.expected);
  }
}

TEST(PositionalFormat, PlaceholdersByNumberAndInSequence) {
  RunCases({
      {"reordered", "%2 before %1", {"Quickstep", "Ember"}, "Ember before Quickstep"},
      {"version", "%1.%2.%3", {18u, 0u, 0u}, "18.0.0"},
      {"repeated", "%1/%1/%2", {"ab", 7}, "ab/ab/7"},
      {"two digits", "%10-%1", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "10-1"},
      {"sequence ignores numbers", "%2 %d %d", {5, 6}, "6 5 6"},
      {"plain printf", "%s has %d", {"Stonehide", 3}, "Stonehide has 3"},
      {"no placeholders", "just text", {}, "just text"},
      {"percent", "100%%", {}, "100%"},
      {"percent then number", "%%1", {"x"}, "%1"},
  });
}

TEST(PositionalFormat, PrintfDirectivesAfterDollar) {
  RunCases({
      {"zero padded", "%1$05d", {42}, "00042"},
      {"precision", "%1$.2f", {1.5}, "1.50"},
      {"left aligned text", "[%1$-6s]", {"abc"}, "[abc   ]"},
      {"hex", "%1$x %1$X %1$#o", {255u}, "ff FF 0377"},
      {"char as number", "%1$d", {'A'}, "65"},
      {"number as char", "%1$c", {66}, "B"},
      {"signed as unsigned", "%1$u", {-1}, "4294967295"},
      {"h narrows", "%1$hd", {70000}, "4464"},
  });
}

// A hostile or broken format stops the output where it goes wrong and
// keeps what was written before.
TEST(PositionalFormat, StopsKeepWhatWasWritten) {
  RunCases({
      {"sequence runs out", "%d and %d", {1}, "1 and "},
      {"star beyond count", "x%1$*3$d", {1, 2}, "x"},
      {"star number zero", "x%1$*0$d", {1}, "x"},
      {"text as width", "x%*d", {"wide", 1}, "x"},
      {"double as precision", "x%.*d", {1.0, 1}, "x"},
      {"unterminated percent", "100%", {5}, "100"},
      {"dollar at the end", "x%1$", {5}, "x"},
      {"flags at the end", "x%-0", {5}, "x"},
      {"length at the end", "x%1$ll", {5}, "x"},
      // '%', the zero flags and 'd': 59 characters print, 60 stop.
      {"directive of 59 characters", "%1$" + std::string(57, '0') + "d!", {4}, "4!"},
      {"directive of 60 characters", "a%1$" + std::string(58, '0') + "d!", {4}, "a"},
      {"n prints nothing but takes its argument", "[%1$n]", {5}, "[]"},
      {"n in sequence", "[%n%d]", {5, 6}, "[6]"},
      // The NUL after '$' is the conversion character: not one of the
      // text's, so the argument prints as text.
      {"NUL inside the format", std::string("a\0%1$\0", 6), {"b"}, std::string("a\0b", 3)},
  });
}

TEST(PositionalFormat, OutputIsCutAtTheBuffer) {
  const std::string long_text(5000, 'q');
  const std::string message = FormatMessage("%1", long_text);
  EXPECT_EQ(message, long_text.substr(0, 4095));

  EXPECT_EQ(FormatMessage("%1$999999d", 5), std::string(4095, ' '));
  EXPECT_EQ(FormatMessage("%1$-999999d|", 5), "5" + std::string(4094, ' '));
  EXPECT_EQ(FormatMessage("%1$99999999999999999999d", 5), std::string(4095, ' '));
  EXPECT_EQ(FormatMessage("%1$.999999f", 1.0).size(), 4095u);
  EXPECT_EQ(FormatMessage("%*d", std::numeric_limits<int64_t>::max(), 1).size(), 4095u);
  EXPECT_EQ(FormatMessage("%*d", std::numeric_limits<int32_t>::min(), 1).size(), 4095u);
  EXPECT_EQ(FormatMessage("%1$.2147483648s", "abc"), "abc");
  EXPECT_EQ(FormatMessage(std::string(5000, 'z')).size(), 4095u);
}

TEST(PositionalFormat, SmallBufferEndsWithNul) {
  const FormatArg args[] = {123456};
  char out[5] = {'#', '#', '#', '#', '#'};
  EXPECT_EQ(FormatPositional(out, sizeof out, "n=%1", args, 1), 4u);
  EXPECT_STREQ(out, "n=12");

  char one[1] = {'#'};
  EXPECT_EQ(FormatPositional(one, 1, "abc", args, 1), 0u);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(FormatPositional(nullptr, 0, "abc", args, 1), 0u);
}

}  // namespace
}  // namespace tav
