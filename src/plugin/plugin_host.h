// PluginHost: the plugin's side of the host contract. LoadPlugin runs the
// load sequence inside the library's export; the three entry points and the
// event callback are what the core calls afterwards.
//
//   extern "C" __attribute__((visibility("default"))) void load_tav_perks(PluginHostInfo* info) {
//     tav::LoadPlugin<tav::PerksModule>(info, "tav-perks");
//   }
//
// Load sequence: a core whose plugin API is not compatible with 18.0.0 ends
// the process with the fatal report "ALE-EECF0606". Otherwise the module is
// allocated from the plugin's counting heap, zero-filled and constructed;
// it gets the core's version, its identity (type "backend"), its log groups
// and API namespace; the built-in types, then the core's "vclient" types and
// events, then the module's own endpoints are registered; the description
// tables and function records are built; and the answer is written into the
// host info. A load that fails in any other way (an exception, no memory)
// frees the module, logs why and leaves the host info's out words unset.
#ifndef TAV_PLUGIN_PLUGIN_HOST_H_
#define TAV_PLUGIN_PLUGIN_HOST_H_

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>

#include "plugin/app_module.h"
#include "tav/plugin_abi.h"

namespace tav {

class PluginHost {
 public:
  // Constructs the module in `memory` (sizeof the module, zero-filled).
  using ModuleFactory = AppModule* (*)(void* memory);

  static void Load(PluginHostInfo* info, std::string_view short_name, size_t module_size,
                   ModuleFactory factory);

  // The entry points. Initialize keeps `args` until Shutdown; it installs
  // the PluginLogTarget unless one is installed, sets the user agent and
  // the HostContext, registers the service-proxy event handlers and returns
  // the module's OnInitialize. Shutdown sets the shutting-down flag,
  // finalizes, destroys and frees the module. GetMemoryStatistics reports
  // the counting heap's counters.
  static uint8_t Initialize(void* module, PluginInitArgs* args);
  static void Shutdown(void* module);
  static void GetMemoryStatistics(void* module, MemoryStatistics* statistics);

  // The callback registered for every event name: hands the decoded
  // payload to the handler stored for the name, or drops the event.
  static void EventCallback(const CoreEvent* event);

 private:
  static void RunLoadSequence(AppModule& module, std::string_view short_name);
  static void BuildApiDescription(AppModule& module);
  static void InstallLogTarget(AppModule& module, CoreInterface* core);
};

template <class Module>
void LoadPlugin(PluginHostInfo* info, std::string_view short_name) {
  static_assert(std::is_base_of_v<AppModule, Module>, "a plugin module derives from AppModule");
  static_assert(alignof(Module) <= alignof(std::max_align_t),
                "the module is allocated with the heap's alignment");
  PluginHost::Load(info, short_name, sizeof(Module),
                   [](void* memory) -> AppModule* { return new (memory) Module(); });
}

}  // namespace tav

#endif  // TAV_PLUGIN_PLUGIN_HOST_H_
