#include "host/path_pattern.h"

#include <gtest/gtest.h>

namespace tav::host {
namespace {

struct MatchCase {
  const char* pattern;
  const char* path;
  bool matches;
  const char* captures;  // "name=value;..." in order, when it matches
  size_t captured_chars;
};

std::string Captures(const PathMatch& match) {
  std::string text;
  for (const auto& capture : match.captures) text += capture.first + "=" + capture.second + ";";
  return text;
}

TEST(PathPattern, MatchesAndCaptures) {
  const MatchCase cases[] = {
      {"/tav-perks/v1/pages/{id}", "/tav-perks/v1/pages/12", true, "id=12;", 2},
      {"/tav-perks/v1/pages/{id}", "/tav-perks/v1/pages/12/x", false, "", 0},
      {"/tav-perks/v1/pages/{id}", "/tav-perks/v1/pages/", true, "id=;", 0},
      {"/tav-perks/v1/pages/{+rest}", "/tav-perks/v1/pages/12/x", true, "rest=12/x;", 4},
      {"/a/{x}.json", "/a/b.c.json", true, "x=b.c;", 3},
      {"/a/{x}-{y}", "/a/1-2-3", true, "x=1-2;y=3;", 4},
      {"/a/b", "/a/b", true, "", 0},
      {"/a/b", "/a/b/", false, "", 0},
      {"/a/b", "/a/bc", false, "", 0},
      {"/tav-perks/v1/pages/*", "/tav-perks/v1/pages/7", true, "=7;", 1},
      {"/tav-perks/v1/pages/*", "/tav-perks/v1/pages/", false, "", 0},
      {"/tav-perks/v1/pages/*", "/tav-perks/v1/pages/7/x", false, "", 0},
      {"/*/v1/*", "/x/v1/y", true, "=x;=y;", 2},
      {"/doc/{#frag}", "/doc/#part", true, "frag=part;", 4},
      {"/doc/{#frag}", "/doc/part", false, "", 0},
      {"/odd/{unclosed", "/odd/{unclosed", true, "", 0},
      {"", "", true, "", 0},
      {"", "/", false, "", 0},
  };
  for (const MatchCase& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.path);
    PathMatch match;
    ASSERT_EQ(PathPattern(c.pattern).Match(c.path, &match), c.matches);
    if (!c.matches) continue;
    EXPECT_EQ(Captures(match), c.captures);
    EXPECT_EQ(match.captured_chars, c.captured_chars);
  }
}

}  // namespace
}  // namespace tav::host
