#include "plugin_library.h"

#include <dlfcn.h>

#include <cstring>

namespace tav::host {

PluginLibrary::~PluginLibrary() {
  Shutdown();
  if (handle_ != nullptr) dlclose(handle_);
}

bool PluginLibrary::Open(const std::string& path, std::string* error) {
  if (handle_ != nullptr) {
    *error = "a library is already open";
    return false;
  }
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = dlerror();
    *error = "cannot open " + path + ": " + (reason ? reason : "unknown error");
    return false;
  }
  dlerror();
  load_ = reinterpret_cast<LoadPluginFn>(dlsym(handle_, "load_tav_perks"));
  if (load_ == nullptr) {
    *error = path + " does not export load_tav_perks";
    return false;
  }
  return true;
}

bool PluginLibrary::Load(uint32_t major, uint32_t minor, uint32_t patch, std::string* error) {
  if (load_ == nullptr) {
    *error = "no library is open";
    return false;
  }
  if (loaded_) {
    *error = "the plugin is already loaded";
    return false;
  }
  std::memset(&info_, 0, sizeof(info_));
  info_.major = major;
  info_.minor = minor;
  info_.patch = patch;
  load_(&info_);
  const PluginEntryTable* entry = info_.entry_table;
  if (entry == nullptr) {
    *error = "load_tav_perks gave no entry table";
    return false;
  }
  // From here the module exists, so Shutdown can free it even if the answer
  // is otherwise incomplete.
  loaded_ = entry->Shutdown != nullptr;
  if (entry->Initialize == nullptr || entry->Shutdown == nullptr || entry->GetMemoryStatistics == nullptr) {
    *error = "the entry table lacks an entry";
    return false;
  }
  if (info_.short_name == nullptr) {
    *error = "load_tav_perks gave no short name";
    return false;
  }
  short_name_ = info_.short_name;
  if (info_.api_description == nullptr) {
    *error = "load_tav_perks gave no API description";
    return false;
  }
  api_ = ReadApiDescription(info_.api_description);
  return true;
}

void PluginLibrary::Shutdown() {
  if (!loaded_ || shut_down_) return;
  shut_down_ = true;
  info_.entry_table->Shutdown(info_.module);
}

}  // namespace tav::host
