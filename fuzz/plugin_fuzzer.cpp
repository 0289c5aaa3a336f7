// The whole plugin through its C entry point: the input is a script of
// steps (plugin_fuzz/step_script.h) that a development core with the
// sample game data runs against a freshly loaded plugin, checking after
// every step what PluginChecks holds the plugin to. Requests reach the
// plugin through its dispatch entries, peer changes through its event
// callbacks, and the peers it calls may answer with failures.
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "plugin_fuzz/plugin_world.h"
#include "plugin_fuzz/step_script.h"

namespace {

const tav::fuzzing::GameData* game_data = nullptr;

}  // namespace

// Every input loads, runs and unloads a whole plugin, most of it in small
// allocations: a smaller quarantine and shorter allocation stacks halve the
// sanitizer's share of the time, and still catch a use after free within
// the tens of megabytes one input allocates. ASAN_OPTIONS still overrides.
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=32:malloc_context_size=10:max_malloc_fill_size=0";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Mapped once for the whole run, as a core that never unloads it: each
  // input loads and shuts down a module of its own, while the coverage
  // counters of the library stay where the fuzzer found them.
  FUZZ_CHECK(dlopen(TAV_FUZZ_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL) != nullptr, dlerror());
  game_data = new tav::fuzzing::GameData(tav::fuzzing::GameData::Read(TAV_SAMPLE_DATA_DIR));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view script(reinterpret_cast<const char*>(data), size);
  tav::fuzzing::PluginWorld world(TAV_FUZZ_PLUGIN_PATH, *game_data);
  for (const tav::fuzzing::Step& step : tav::fuzzing::ParseScript(script)) world.Run(step);
  world.Finish();
  return 0;
}
