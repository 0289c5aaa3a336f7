#include "plugin/route_template.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

namespace tav {
namespace {

std::vector<std::string> Captures(const RouteTemplate& route, std::string_view path) {
  std::vector<std::string_view> views;
  if (!route.Match(path, &views)) return {"<no match>"};
  return std::vector<std::string>(views.begin(), views.end());
}

using Strings = std::vector<std::string>;

TEST(RouteTemplate, Placeholders) {
  struct Row {
    const char* route;
    const char* path;
    Strings captures;
  };
  const Strings no = {"<no match>"};
  const Row rows[] = {
      {"/tav-perks/v1/pages/{id}", "/tav-perks/v1/pages/12", {"12"}},
      {"/tav-perks/v1/pages/{id}", "/tav-perks/v1/pages/12/x", no},
      {"/tav-perks/v1/pages/{id}", "/tav-perks/v1/pages/", {""}},
      {"/tav-perks/v1/pages/{id}", "/tav-perks/v1/pages", no},
      {"/tav-perks/v1/pages/{+rest}", "/tav-perks/v1/pages/12/x", {"12/x"}},
      {"{+a}/{b}", "x/y/z", {"x/y", "z"}},
      {"/p{#frag}", "/p#a/b", {"a/b"}},
      {"/a.b/{x}", "/aXb/1", no},
      {"/(x)*/{y}", "/(x)*/z", {"z"}},
      {"/{x}-{y}", "/a-b-c", {"a-b", "c"}},
      {"/unclosed/{x", "/unclosed/", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.route) + " ~ " + row.path);
    EXPECT_EQ(Captures(RouteTemplate(row.route), row.path), row.captures);
  }
}

TEST(RouteTemplate, VeryLongPathsAreSafe) {
  const std::string long_segment(200000, 'a');
  EXPECT_EQ(Captures(RouteTemplate("/x/{id}"), "/x/" + long_segment)[0].size(), 200000u);
  EXPECT_EQ(Captures(RouteTemplate("/x/{id}/y"), "/x/" + long_segment), Strings{"<no match>"});
  std::string slashes;
  for (int i = 0; i < 50000; ++i) slashes += "a/";
  EXPECT_EQ(Captures(RouteTemplate("/{+rest}/{last}"), "/" + slashes + "z"),
            (Strings{slashes.substr(0, slashes.size() - 1), "z"}));
}

// The template read as the regular expression it stands for: literal
// characters escaped, "([^/]*)" for a plain placeholder, "(.*)" for a
// greedy one and "#(.*)" for a fragment.
std::string AsRegex(const std::string& route) {
  std::string regex;
  for (size_t i = 0; i < route.size(); ++i) {
    const char c = route[i];
    if (c == '{') {
      const size_t close = route.find('}', i);
      const char kind = route[i + 1];
      regex += kind == '+' ? "(.*)" : kind == '#' ? "#(.*)" : "([^/]*)";
      i = close;
      continue;
    }
    if (std::string("^$.*+?()[]|\\").find(c) != std::string::npos) regex += '\\';
    regex += c;
  }
  return regex;
}

TEST(RouteTemplate, AgreesWithTheRegularExpressionOnRandomCases) {
  std::mt19937 random(20261206);
  const std::string literal_chars = "ab/#.";
  const char* const placeholders[] = {"{x}", "{+y}", "{#z}"};
  for (int round = 0; round < 3000; ++round) {
    std::string route;
    const int parts = 1 + static_cast<int>(random() % 5);
    for (int p = 0; p < parts; ++p) {
      if (random() % 2 == 0) {
        route += placeholders[random() % 3];
      } else {
        route += literal_chars[random() % literal_chars.size()];
      }
    }
    std::string path;
    const int length = static_cast<int>(random() % 8);
    for (int c = 0; c < length; ++c) path += literal_chars[random() % literal_chars.size()];
    const RouteTemplate compiled(route);
    if (compiled.is_literal()) continue;

    std::smatch match;
    const bool expected = std::regex_match(path, match, std::regex(AsRegex(route)));
    Strings expected_captures = {"<no match>"};
    if (expected) {
      expected_captures.clear();
      for (size_t i = 1; i < match.size(); ++i) expected_captures.push_back(match[i].str());
    }
    SCOPED_TRACE(route + " ~ " + path);
    EXPECT_EQ(Captures(compiled, path), expected_captures);
  }
}

TEST(PercentDecode, EscapesAndPlus) {
  EXPECT_EQ(PercentDecode("a%20b+c", true), "a b c");
  EXPECT_EQ(PercentDecode("a%20b+c", false), "a b+c");
  EXPECT_EQ(PercentDecode("%2F%2f%41", false), "//A");
  EXPECT_EQ(PercentDecode("100%", false), "100%");
  EXPECT_EQ(PercentDecode("%4", false), "%4");
  EXPECT_EQ(PercentDecode("%zz%00", false), std::string("%zz\0", 4));
}

}  // namespace
}  // namespace tav
