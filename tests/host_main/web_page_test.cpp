// The workbench page as tav-core serves it: every file with its type and the
// security policy, and every file the page refers to embedded.
#include "main/web_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "main/web_files.h"

namespace tav::host {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Pair;

std::string HeaderOf(const HttpAnswer& answer, const std::string& name) {
  for (const auto& header : answer.headers) {
    if (header.first == name) return header.second;
  }
  return "";
}

TEST(WebPage, ServesThePageAndItsFilesWithTheirTypes) {
  struct Case {
    const char* path;
    int status;
    const char* content_type;
  };
  const Case cases[] = {
      {"/", 200, "text/html; charset=utf-8"},
      {"/tav-core/web/index.html", 200, "text/html; charset=utf-8"},
      {"/tav-core/web/app.js", 200, "text/javascript; charset=utf-8"},
      {"/tav-core/web/workbench.css", 200, "text/css; charset=utf-8"},
      {"/tav-core/web/missing.js", 404, "application/json"},
      {"/tav-core/web/", 404, "application/json"},
      {"/tav-core/web/../v1/status", 404, "application/json"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::optional<HttpAnswer> answer = WebPageAnswer(c.path);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->status, c.status);
    EXPECT_EQ(answer->content_type, c.content_type);
    if (c.status == 200) {
      EXPECT_THAT(answer->headers, Contains(Pair("Content-Security-Policy", kWebContentSecurityPolicy)));
      EXPECT_THAT(answer->headers, Contains(Pair("X-Content-Type-Options", "nosniff")));
    }
  }
  // Everything else is the core's and the peers'.
  for (const char* path : {"/events", "/tav-core/v1/status", "/tav-core/webx", "/index.html"}) {
    EXPECT_FALSE(WebPageAnswer(path).has_value()) << path;
  }
  EXPECT_EQ(WebPageAnswer("/")->body, WebPageAnswer("/tav-core/web/index.html")->body);
  // No inline script or style may run under the policy.
  EXPECT_THAT(HeaderOf(*WebPageAnswer("/"), "Content-Security-Policy"), HasSubstr("script-src 'self';"));
}

// A module imported under a wrong name fails only in the browser, and then
// stops the whole page: every name the page and its modules refer to must
// be one of the embedded files.
TEST(WebPage, EveryFileThePageRefersToIsEmbedded) {
  std::set<std::string> names;
  for (size_t i = 0; i < kWebFileCount; ++i) names.insert(kWebFiles[i].name);
  const std::regex reference(
      R"re((?:from\s+|import\(\s*)['"]\./([^'"]+)['"]|(?:src|href)="/tav-core/web/([^"]+)")re");
  size_t references = 0;
  for (size_t i = 0; i < kWebFileCount; ++i) {
    const std::string text(reinterpret_cast<const char*>(kWebFiles[i].bytes), kWebFiles[i].size);
    for (std::sregex_iterator it(text.begin(), text.end(), reference), end; it != end; ++it) {
      const std::string name = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
      EXPECT_TRUE(names.count(name)) << kWebFiles[i].name << " refers to " << name;
      ++references;
    }
  }
  EXPECT_GT(references, names.size() / 2) << "the references were not found at all";
}

}  // namespace
}  // namespace tav::host
