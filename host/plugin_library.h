// A plugin library opened with dlopen and loaded through its one export:
// load_tav_perks is called with the core's plugin-API version, and the
// answer (entry table, module, short name, API description) is checked and
// kept.
//
//   PluginLibrary library;
//   std::string error;
//   if (!library.Open(path, &error) || !library.Load(18, 0, 0, &error)) ... report error ...
//   library.entry()->Initialize(library.module(), &init_args);
//   ...
//   library.Shutdown();   // also done by the destructor, before dlclose
#ifndef TAV_HOST_PLUGIN_LIBRARY_H_
#define TAV_HOST_PLUGIN_LIBRARY_H_

#include <cstdint>
#include <string>

#include "api_description.h"
#include "tav/plugin_abi.h"

namespace tav::host {

class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // dlopen (local symbols, all resolved now) and dlsym("load_tav_perks").
  bool Open(const std::string& path, std::string* error);

  // Calls the export once. Fails when the plugin leaves the entry table, one
  // of its three entries, the module, the short name or the API description
  // unset. A plugin that refuses the version ends the process itself.
  bool Load(uint32_t major, uint32_t minor, uint32_t patch, std::string* error);

  // The module's Shutdown, once; nothing when not loaded. The words of the
  // host info are not used afterwards.
  void Shutdown();

  bool loaded() const { return loaded_; }
  bool shut_down() const { return shut_down_; }
  // The plugin's answer: its own version in major/minor/patch.
  const PluginHostInfo& info() const { return info_; }
  const PluginEntryTable* entry() const { return info_.entry_table; }
  void* module() const { return info_.module; }
  const std::string& short_name() const { return short_name_; }
  const ApiDescription& api() const { return api_; }

 private:
  void* handle_ = nullptr;
  LoadPluginFn load_ = nullptr;
  PluginHostInfo info_{};
  std::string short_name_;
  ApiDescription api_;
  bool loaded_ = false;
  bool shut_down_ = false;
};

}  // namespace tav::host

#endif  // TAV_HOST_PLUGIN_LIBRARY_H_
