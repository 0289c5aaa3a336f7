// The command line of tav-core: defaults, both spellings of a value, and
// the exact complaint for each kind of mistake.
#include "main/cli_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tav::host {
namespace {

CoreDefaults Defaults() {
  CoreDefaults defaults;
  defaults.data_dir = "/srv/data";
  defaults.store_file = "/home/ada/.local/share/tav-core/settings.sqlite3";
  defaults.plugin_path = "/opt/tav/libtav_perks.so";
  return defaults;
}

TEST(CoreCommandLine, DefaultsAndValuesAfterASpaceOrAnEqualsSign) {
  CommandLine plain = ParseCommandLine({}, Defaults());
  ASSERT_EQ(plain.outcome, CommandLine::kRun) << plain.error;
  EXPECT_EQ(plain.options.port, 8080);
  EXPECT_EQ(plain.options.host, "127.0.0.1");
  // The telemetry file goes beside whichever store is used.
  EXPECT_EQ(plain.options.telemetry_file, "/home/ada/.local/share/tav-core/telemetry.jsonl");

  CommandLine line = ParseCommandLine({"--port", "0", "--store=/tmp/s.db", "--shard", "ne-4", "--level=7",
                                       "--owned-pages", "1000", "--data", "/d", "--quiet", "--plugin=/p.so", "--openapi",
                                       "--allow-host", "DevBox.Local", "--allow-host=[::2]",
                                       "--allow-origin=HTTP://LocalHost:5173/", "--allow-origin", "https://ui.test:443"},
                                      Defaults());
  ASSERT_EQ(line.outcome, CommandLine::kRun) << line.error;
  EXPECT_EQ(line.options.port, 0);
  EXPECT_EQ(line.options.store_file, "/tmp/s.db");
  EXPECT_EQ(line.options.telemetry_file, "/tmp/telemetry.jsonl");
  EXPECT_EQ(line.options.shard, "ne-4");
  EXPECT_EQ(line.options.summoner_level, 7u);
  EXPECT_EQ(line.options.owned_pages, 1000u);
  EXPECT_EQ(line.options.data_dir, "/d");
  EXPECT_EQ(line.options.plugin_path, "/p.so");
  EXPECT_TRUE(line.options.quiet);
  EXPECT_TRUE(line.options.print_openapi);
  EXPECT_FALSE(plain.options.print_openapi);
  // As a browser writes them: lower case, no default port, no slash.
  EXPECT_THAT(line.options.allowed_hosts, ::testing::ElementsAre("devbox.local", "[::2]"));
  EXPECT_THAT(line.options.allowed_origins, ::testing::ElementsAre("http://localhost:5173", "https://ui.test"));
}

TEST(CoreCommandLine, MistakesAreNamedExactly) {
  struct Case {
    std::vector<std::string> arguments;
    std::string error;
  };
  const Case cases[] = {
      {{"--prot", "80"}, "unknown option '--prot'"},
      {{"8080"}, "unexpected argument '8080'"},
      {{"--port"}, "option --port needs a value"},
      {{"--port", "65536"}, "--port needs a number from 0 to 65535, not '65536'"},
      {{"--port=-1"}, "--port needs a number from 0 to 65535, not '-1'"},
      {{"--port", "80x"}, "--port needs a number from 0 to 65535, not '80x'"},
      {{"--port", "99999999999999999999999"}, "--port needs a number from 0 to 65535, not '99999999999999999999999'"},
      {{"--level", "4294967296"}, "--level needs a number from 0 to 4294967295, not '4294967296'"},
      {{"--owned-pages", "1001"}, "--owned-pages needs a number from 0 to 1000, not '1001'"},
      {{"--shard", "tv/1"}, "--shard needs a name of letters, digits, '-' and '_' (at most 32), not 'tv/1'"},
      {{"--shard="}, "--shard needs a name of letters, digits, '-' and '_' (at most 32), not ''"},
      {{"--store="}, "option --store needs a value"},
      {{"--quiet=yes"}, "option --quiet takes no value"},
      {{"--openapi=yes"}, "option --openapi takes no value"},
      {{"--allow-host", "devbox.local:5173"},
       "--allow-host needs a host name such as devbox.local, without a port, not 'devbox.local:5173'"},
      {{"--allow-origin=http://localhost:5173/app"},
       "--allow-origin needs an origin such as http://localhost:5173 (scheme, host and port), not "
       "'http://localhost:5173/app'"},
      // The first mistake stands.
      {{"--level", "x", "--port", "y"}, "--level needs a number from 0 to 4294967295, not 'x'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    CommandLine line = ParseCommandLine(c.arguments, Defaults());
    EXPECT_EQ(line.outcome, CommandLine::kError);
    EXPECT_EQ(line.error, c.error);
  }
  CoreDefaults homeless = Defaults();
  homeless.store_file.clear();
  EXPECT_EQ(ParseCommandLine({}, homeless).error,
            "no default store: set HOME or XDG_DATA_HOME, or give --store FILE");
  EXPECT_EQ(ParseCommandLine({"--store", "/tmp/x"}, homeless).outcome, CommandLine::kRun);
}

}  // namespace
}  // namespace tav::host
