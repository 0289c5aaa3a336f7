// Keeps both plugin libraries mapped for the whole test program, as a core
// that loads a plugin once and never unloads it would. Each test still
// loads, initialises and shuts down its own module through the development
// core; only the library's process-wide caches outlive a test.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

class KeepPluginsLoaded : public ::testing::Environment {
 public:
  void SetUp() override {
    for (const char* path : {TAV_PERKS_PLUGIN_PATH, TAV_PERKS_E2E_PLUGIN_PATH}) {
      ASSERT_NE(dlopen(path, RTLD_NOW | RTLD_LOCAL), nullptr) << dlerror();
    }
  }
};

[[maybe_unused]] ::testing::Environment* const kKeepPluginsLoaded =
    ::testing::AddGlobalTestEnvironment(new KeepPluginsLoaded);

}  // namespace
