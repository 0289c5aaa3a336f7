// The test plugin's export: the library's objects with the perks module
// widened by test endpoints, under the perks service's own name.
#include "perks_e2e_module.h"
#include "plugin/plugin_host.h"
#include "tav/plugin_abi.h"

extern "C" __attribute__((visibility("default"))) void load_tav_perks(PluginHostInfo* info) {
  tav::LoadPlugin<tav::perks_e2e::PerksE2eModule>(info, "tav-perks");
}
