// tav-core-help: loads a plugin library and prints the help of its API (every
// function with its route and arguments, every type, every event).
//
//   tav-core-help build/libtav_perks.so
#include <cstdio>
#include <string>

#include "api_help.h"
#include "plugin_library.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <plugin library>\n", argv[0]);
    return 2;
  }
  tav::host::PluginLibrary library;
  std::string error;
  if (!library.Open(argv[1], &error) || !library.Load(18, 0, 0, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const PluginHostInfo& info = library.info();
  std::string name = library.short_name() + " (plugin API " + std::to_string(info.major) + "." +
                     std::to_string(info.minor) + "." + std::to_string(info.patch) + ")";
  std::string help = tav::host::FormatApiHelp(name, library.api());
  std::fwrite(help.data(), 1, help.size(), stdout);
  library.Shutdown();
  return 0;
}
