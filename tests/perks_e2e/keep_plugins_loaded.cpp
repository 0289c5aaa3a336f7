// Keeps the plugin library mapped for the whole test program, as a core that
// loads a plugin once and never unloads it would. Each test still loads,
// initialises and shuts down its own module through the development core;
// only the library's process-wide caches outlive a test.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

class KeepPluginLoaded : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_NE(dlopen(TAV_PERKS_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL), nullptr) << dlerror();
  }
};

[[maybe_unused]] ::testing::Environment* const kKeepPluginLoaded =
    ::testing::AddGlobalTestEnvironment(new KeepPluginLoaded);

}  // namespace
