// The command line of tav-core: the options, their defaults and the help
// text that documents them.
//
//   CoreDefaults defaults = CoreDefaults::FromEnvironment(argv[0]);
//   CommandLine line = ParseCommandLine({argv + 1, argv + argc}, defaults);
//   if (line.outcome == CommandLine::kError) { fprintf(stderr, "%s\n", line.error.c_str()); return 2; }
//   if (line.outcome == CommandLine::kHelp) { fputs(HelpText(defaults).c_str(), stdout); return 0; }
//   Run(line.options);
#ifndef TAV_HOST_MAIN_CLI_OPTIONS_H_
#define TAV_HOST_MAIN_CLI_OPTIONS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace tav::host {

// The values used for options not given; they depend on the environment
// and on where the program lies.
struct CoreDefaults {
  std::string data_dir;
  std::string store_file;   // empty: no default could be made (no HOME)
  std::string plugin_path;

  // The store under $XDG_DATA_HOME/tav-core (or ~/.local/share/tav-core);
  // the plugin beside the program; the data folder given at build time.
  static CoreDefaults FromEnvironment(const char* argv0);
};

struct CoreOptions {
  std::string host = "127.0.0.1";
  uint16_t port = 8080;  // 0: any free port
  std::string data_dir;
  std::string store_file;
  std::string telemetry_file;  // empty: telemetry.jsonl beside the store
  std::string plugin_path;
  std::string shard = "TV1";
  uint32_t summoner_level = 30;
  uint32_t owned_pages = 20;
  bool quiet = false;              // no request lines, plugin lines, telemetry or pushes
  bool hide_plugin_debug = false;  // no plugin lines of the debug category
  bool print_openapi = false;      // print the plugin's OpenAPI document and exit
  // Host names answered besides 127.0.0.1, localhost and [::1], and origins
  // whose pages may call tav-core (CORS); lower case, in the order given.
  std::vector<std::string> allowed_hosts;
  std::vector<std::string> allowed_origins;
};

struct CommandLine {
  enum Outcome { kRun, kHelp, kError };
  Outcome outcome = kRun;
  CoreOptions options;
  std::string error;  // for kError: what was wrong, one line
};

// Reads the arguments after the program name. Options take their value as
// the next argument or after "=" ("--port 9000", "--port=9000"). The first
// mistake stands: an unknown option, a missing or malformed value, a number
// out of range, a shard that is not a plain name, a host name or origin
// that is not one. --allow-host and --allow-origin may be given many times.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, const CoreDefaults& defaults);

// The text of --help, every option with its default.
std::string HelpText(const CoreDefaults& defaults);

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_CLI_OPTIONS_H_
