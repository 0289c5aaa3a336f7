// The library's only export. Built into libtav_perks.so alone, so that test
// plugins made from the same objects can export a module of their own.
#include "perks/perks_module.h"
#include "plugin/plugin_host.h"
#include "tav/plugin_abi.h"

extern "C" __attribute__((visibility("default"))) void load_tav_perks(PluginHostInfo* info) {
  tav::LoadPlugin<tav::perks::PerksModule>(info, "tav-perks");
}
