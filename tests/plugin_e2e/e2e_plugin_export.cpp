// The test plugin's export: the same frame objects as the real plugin, with
// the test module in place of the perks module.
#include "e2e_module.h"
#include "plugin/plugin_host.h"
#include "tav/plugin_abi.h"

extern "C" __attribute__((visibility("default"))) void load_tav_perks(PluginHostInfo* info) {
  tav::LoadPlugin<tav::e2e::E2eModule>(info, "tav-e2e");
}
