#include "main/cli_options.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "main/event_stream.h"
#include "main/http_server.h"
#include "main/request_guard.h"

#ifndef TAV_DEFAULT_DATA_DIR
#define TAV_DEFAULT_DATA_DIR "data"
#endif

namespace tav::host {

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string ProgramFolder(const char* argv0) {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length > 0) return FolderOf(std::string(buffer, static_cast<size_t>(length)));
  return FolderOf(argv0 != nullptr ? argv0 : ".");
}

std::string DefaultStoreFile() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/tav-core/settings.sqlite3";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.local/share/tav-core/settings.sqlite3";
  return "";
}

// A decimal number within [0, max], the whole text.
std::optional<uint64_t> ParseNumber(const std::string& text, uint64_t max) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

bool IsPlainName(const std::string& text) {
  if (text.empty() || text.size() > 32) return false;
  for (char c : text) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

struct NumberOption {
  const char* name;
  uint64_t max;
};

}  // namespace

CoreDefaults CoreDefaults::FromEnvironment(const char* argv0) {
  CoreDefaults defaults;
  defaults.data_dir = TAV_DEFAULT_DATA_DIR;
  defaults.store_file = DefaultStoreFile();
  defaults.plugin_path = ProgramFolder(argv0) + "/libtav_perks.so";
  return defaults;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, const CoreDefaults& defaults) {
  CommandLine line;
  CoreOptions& options = line.options;
  options.data_dir = defaults.data_dir;
  options.store_file = defaults.store_file;
  options.plugin_path = defaults.plugin_path;

  auto fail = [&line](std::string error) {
    line.outcome = CommandLine::kError;
    line.error = std::move(error);
    return line;
  };

  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    std::optional<std::string> value;
    size_t equals = name.find('=');
    if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    if (name == "--help" || name == "-h") {
      if (value) return fail("option --help takes no value");
      line.outcome = CommandLine::kHelp;
      return line;
    }
    bool* const flag = name == "--quiet"               ? &options.quiet
                       : name == "--hide-plugin-debug" ? &options.hide_plugin_debug
                       : name == "--openapi"           ? &options.print_openapi
                                                       : nullptr;
    if (flag != nullptr) {
      if (value) return fail("option " + name + " takes no value");
      *flag = true;
      continue;
    }
    const bool known = name == "--port" || name == "--data" || name == "--store" || name == "--telemetry" ||
                       name == "--plugin" || name == "--shard" || name == "--level" || name == "--owned-pages" ||
                       name == "--allow-host" || name == "--allow-origin";
    if (!known) {
      if (name.rfind("-", 0) != 0) return fail("unexpected argument '" + arguments[i] + "'");
      return fail("unknown option '" + name + "'");
    }
    if (!value) {
      if (i + 1 >= arguments.size()) return fail("option " + name + " needs a value");
      value = arguments[++i];
    }
    if (name == "--port") {
      std::optional<uint64_t> port = ParseNumber(*value, 65535);
      if (!port) return fail("--port needs a number from 0 to 65535, not '" + *value + "'");
      options.port = static_cast<uint16_t>(*port);
    } else if (name == "--level" || name == "--owned-pages") {
      const uint64_t max = name == "--level" ? 4294967295u : 1000;
      std::optional<uint64_t> number = ParseNumber(*value, max);
      if (!number) {
        return fail(name + " needs a number from 0 to " + std::to_string(max) + ", not '" + *value + "'");
      }
      (name == "--level" ? options.summoner_level : options.owned_pages) = static_cast<uint32_t>(*number);
    } else if (name == "--shard") {
      if (!IsPlainName(*value)) {
        return fail("--shard needs a name of letters, digits, '-' and '_' (at most 32), not '" + *value + "'");
      }
      options.shard = *value;
    } else if (name == "--allow-host") {
      std::optional<std::string> host = HostNameOption(*value);
      if (!host) return fail("--allow-host needs a host name such as devbox.local, without a port, not '" + *value + "'");
      options.allowed_hosts.push_back(*host);
    } else if (name == "--allow-origin") {
      std::optional<std::string> origin = OriginOption(*value);
      if (!origin) {
        return fail("--allow-origin needs an origin such as http://localhost:5173 (scheme, host and port), not '" +
                    *value + "'");
      }
      options.allowed_origins.push_back(*origin);
    } else {
      if (value->empty()) return fail("option " + name + " needs a value");
      if (name == "--data") options.data_dir = *value;
      if (name == "--store") options.store_file = *value;
      if (name == "--telemetry") options.telemetry_file = *value;
      if (name == "--plugin") options.plugin_path = *value;
    }
  }
  if (options.store_file.empty()) return fail("no default store: set HOME or XDG_DATA_HOME, or give --store FILE");
  if (options.telemetry_file.empty()) options.telemetry_file = FolderOf(options.store_file) + "/telemetry.jsonl";
  return line;
}

std::string HelpText(const CoreDefaults& defaults) {
  const std::string store = defaults.store_file.empty() ? "(none: HOME is not set)" : defaults.store_file;
  const std::string body_cap = std::to_string(HttpServer::kMaxBodyBytes >> 20) + " MiB";
  const std::string stream_cap = std::to_string(HttpServer::kMaxEventStreams);
  const std::string history_cap = std::to_string(EventStream::kDefaultHistoryBytes >> 20) + " MiB";
  return "Usage: tav-core [OPTION]...\n"
         "Loads the perks plugin, plays the other plugins of the client from local state,\n"
         "and serves the plugin's API and those plugins' resources over HTTP.\n"
         "\n"
         "Options:\n"
         "  --port N           serve on 127.0.0.1:N; 0 picks a free port and prints it\n"
         "                     (default 8080)\n"
         "  --data DIR         game data folder with perks.json, perkstyles.json and\n"
         "                     championperkstylemap.json\n"
         "                     (default " + defaults.data_dir + ")\n"
         "  --store FILE       SQLite file in which the settings plugin keeps its\n"
         "                     documents, the perk pages among them; created when missing\n"
         "                     (default " + store + ").\n"
         "                     To start afresh, give a new FILE, or remove the file (and\n"
         "                     its -wal and -shm companions) while tav-core is stopped\n"
         "  --telemetry FILE   file to which telemetry events are appended, one JSON\n"
         "                     object a line (default telemetry.jsonl beside the store)\n"
         "  --shard NAME       platform id of the logged-in player; the plugin keeps\n"
         "                     one perk book per shard (default TV1)\n"
         "  --level N          summoner level of the player; levels below 17 hide the\n"
         "                     advanced style, below 8 lock the pages (default 30)\n"
         "  --owned-pages N    pages the player owns in the collections rune book,\n"
         "                     0 to 1000 (default 20)\n"
         "  --plugin PATH      the plugin library to load\n"
         "                     (default " + defaults.plugin_path + ")\n"
         "  --allow-host NAME  answer requests whose Host is NAME too, besides\n"
         "                     127.0.0.1, localhost and [::1]; may be repeated\n"
         "  --allow-origin ORIGIN\n"
         "                     let pages of ORIGIN (http://localhost:5173) call\n"
         "                     tav-core: answers carry the CORS headers for it;\n"
         "                     may be repeated\n"
         "  --quiet            log only start-up, faults and the stop: no request lines,\n"
         "                     no plugin lines, telemetry or game customization pushes\n"
         "  --hide-plugin-debug\n"
         "                     do not echo the plugin's lines of the debug category\n"
         "                     (DBG); the plugin still logs them\n"
         "  --openapi          print the OpenAPI document of the plugin's API and exit\n"
         "                     (served at GET /tav-core/v1/openapi.json)\n"
         "  -h, --help         print this help and exit\n"
         "\n"
         "Log, on standard error: one line per request (method, target, status and\n"
         "milliseconds, \"tav-core: GET /tav-perks/v1/pages 200 3 ms\"), the plugin's log\n"
         "lines (\"plugin WARN: ...\"), telemetry, pushes to the game, faults at the\n"
         "boundary with the plugin.\n"
         "\n"
         "HTTP:\n"
         "  /tav-perks/v1/...  the plugin's API; the answer is the plugin's value as JSON,\n"
         "                     or {\"error\": \"<message>\"} with the plugin's status\n"
         "  GET /events        Server-Sent Events: every event the plugin sends, each\n"
         "                     with an id; ?name=PREFIX keeps those whose name starts\n"
         "                     with PREFIX; ?replay=1 begins with the recent events\n"
         "                     (the last " + history_cap + " of them); a Last-Event-ID header\n"
         "                     resumes after that id. A reader that falls more than\n"
         "                     that history behind gets one \"lagged\" event and the\n"
         "                     stream ends; reconnecting with its id resumes at the\n"
         "                     oldest event kept. At most " + stream_cap + " streams at once; one\n"
         "                     more is refused (503)\n"
         "  /tav-core/v1/...   the core: status, game-customization behaviour, and\n"
         "                     openapi.json, the OpenAPI document of the plugin's API\n"
         "  any other path     the resources of the other plugins: GET reads, PUT and\n"
         "                     POST replace, PATCH merges, DELETE removes; each write\n"
         "                     sends the resource's event to the plugin\n"
         "  A body larger than " + body_cap + " is refused (413). A POST, PUT, PATCH or DELETE\n"
         "  with neither Content-Length nor Transfer-Encoding has an empty body.\n"
         "  A request whose Host names another host or port, or whose Origin is\n"
         "  neither tav-core's own nor allowed, is refused (403), whatever its path.\n"
         "\n"
         "Stops on SIGINT or SIGTERM. Exit status: 0 after a clean stop, 1 when start-up\n"
         "fails (port in use, unreadable data or store, plugin not loadable), 2 for a\n"
         "mistake on the command line.\n";
}

}  // namespace tav::host
