// tav-core's own log lines: the request line as a terminal shows it, and
// which plugin lines count as debug lines.
#include "main/server_log.h"

#include <gtest/gtest.h>

#include <utility>

namespace tav::host {
namespace {

TEST(ServerLog, RequestLinesKeepTheTargetOnOneHarmlessLine) {
  // A request line the server could not read has no method and no target.
  EXPECT_EQ(RequestLogLine("", "", 400, 0), "tav-core: - - 400 0 ms\n");
  EXPECT_EQ(RequestLogLine("PO\x1b[2JST", "/a\tb\xc3\xa9\n", 404, 1),
            "tav-core: PO%1B[2JST /a%09b%C3%A9%0A 404 1 ms\n");
}

TEST(ServerLog, ADebugLineNamesDbgAmongItsCategories) {
  const std::pair<const char*, bool> cases[] = {
      {"2031-04-05T06:07:08.009|   WARN| DBG| Could not read the book", true},
      {"2031-04-05T06:07:08.009| ERROR| DBG;NET| Call failed", true},
      // Only the category field counts, not a message that looks like one.
      {"2031-04-05T06:07:08.009| ALWAYS| GEN| Saved page | DBG| copy", false},
      {"2031-04-05T06:07:08.009| ALWAYS| DBGX| near miss", false},
      {"DBG| a line of another form", false},
  };
  for (const auto& [line, debug] : cases) EXPECT_EQ(HasDebugCategory(line), debug) << line;
}

}  // namespace
}  // namespace tav::host
