// The calls test plugin's export: the frame's objects with the calls test
// module in place of the perks module.
#include "calls_e2e_module.h"
#include "plugin/plugin_host.h"
#include "tav/plugin_abi.h"

extern "C" __attribute__((visibility("default"))) void load_tav_perks(PluginHostInfo* info) {
  tav::LoadPlugin<tav::calls_e2e::CallsE2eModule>(info, "tav-calls-e2e");
}
