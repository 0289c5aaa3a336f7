// LoadedPlugin: a module loaded in-process through the same load sequence
// and entry points the core uses. Calls go through the FunctionRecords'
// dispatch entry, and every answer is read and released as the core would.
// CallsTest: a bare AppModule loaded and initialised on a FakeCore, with
// test::Thing registered, for the tests of the module's outgoing calls.
#ifndef TAV_TESTS_PLUGIN_LOADED_PLUGIN_H_
#define TAV_TESTS_PLUGIN_LOADED_PLUGIN_H_

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "fake_core.h"
#include "plugin/app_module.h"
#include "plugin/plugin_host.h"
#include "test_module.h"

namespace tav {

// What a response record held, read before it was released.
struct Answer {
  uint32_t status = 0;
  std::optional<std::string> error;
  bool error_owned = false;
  std::string value_json;  // "" for no value
};

inline RequestRecord Request(uint32_t method, const char* url) {
  RequestRecord request{};
  request.method = method;
  request.url = url;
  return request;
}

// Reads `response` into an Answer and releases it with its own operation.
inline Answer ReadAnswer(ResponseRecord& response) {
  const char* const error = response.error;  // packed: copied out first
  Answer answer;
  answer.status = response.status;
  if (error != nullptr) answer.error = error;
  answer.error_owned = response.error_owned == 1;
  if (response.value.kind != TAV_CORE_NULL) answer.value_json = CoreValueJson(response.value);
  if (response.record_release != nullptr) response.record_release(&response);
  return answer;
}

template <class Module>
class LoadedPlugin {
 public:
  explicit LoadedPlugin(const char* short_name = "tav-test", uint32_t minor = 0) {
    info_ = PluginHostInfo{18, minor, 0, nullptr, nullptr, nullptr, nullptr};
    LoadPlugin<Module>(&info_, short_name);
  }
  ~LoadedPlugin() { Shutdown(); }
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  bool loaded() const { return info_.entry_table != nullptr; }
  const PluginHostInfo& info() const { return info_; }
  Module& module() { return *static_cast<Module*>(info_.module); }

  bool Initialize(FakeCore& core, HostContext host_context = 0x5EED) {
    init_args_ = PluginInitArgs{&core.interface, host_context};
    return info_.entry_table->Initialize(info_.module, &init_args_) != 0;
  }

  void Shutdown() {
    if (!loaded() || shut_down_) return;
    shut_down_ = true;
    info_.entry_table->Shutdown(info_.module);
  }

  // The record of the function called `name`, or null.
  const FunctionRecord* Function(std::string_view name) const {
    const PluginApiDescription* api = info_.api_description;
    for (uint32_t i = 0; i < api->function_count; ++i) {
      if (name == api->functions[i].description.name) return &api->functions[i];
    }
    return nullptr;
  }

  // Calls the function `name` with `request`, whose dispatch context is set
  // here, and reads the answer.
  Answer Call(std::string_view name, RequestRecord request) {
    const FunctionRecord* function = Function(name);
    EXPECT_NE(function, nullptr) << name;
    if (function == nullptr) return Answer{};
    request.dispatch_context = function->description.dispatch_context;
    ResponseRecord response;
    std::memset(&response, 0xA5, sizeof(response));  // the entry must reset it
    function->dispatch(&response, &request);
    return ReadAnswer(response);
  }

 private:
  PluginHostInfo info_;
  PluginInitArgs init_args_{};
  bool shut_down_ = false;
};

class CallsTest : public ::testing::Test {
 protected:
  CallsTest() {
    g_responses_released = g_streams_released = 0;
    EXPECT_TRUE(plugin_.Initialize(core));
    RegisterStruct<test::Thing>(module.registry(), "TestThing")
        .Field("id", &test::Thing::id)
        .Field("name", &test::Thing::name)
        .Commit();
  }

  FakeCore core;
  LoadedPlugin<AppModule> plugin_{"tav-perks"};
  AppModule& module = plugin_.module();
};

}  // namespace tav

#endif  // TAV_TESTS_PLUGIN_LOADED_PLUGIN_H_
