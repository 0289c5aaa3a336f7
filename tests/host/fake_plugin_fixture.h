// A development core with the fake plugin loaded and initialised.
#ifndef TAV_TESTS_HOST_FAKE_PLUGIN_FIXTURE_H_
#define TAV_TESTS_HOST_FAKE_PLUGIN_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "host/dev_core.h"
#include "host/json_text.h"
#include "host/request_method.h"

namespace tav::host {

class FakePluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(core_.Load(TAV_FAKE_PLUGIN_PATH)) << core_.load_error();
    ASSERT_TRUE(core_.Initialize());
  }

  // POST /fake/v1/actions/<name>: makes the fake plugin call the core.
  CallResult Action(const std::string& name, CallOptions options = {}) {
    CallResult result = core_.Call(TAV_METHOD_POST, "/fake/v1/actions/" + name, std::move(options));
    EXPECT_TRUE(result.ok()) << name << ": " << result.Summary();
    return result;
  }

  // Makes the plugin send a request to the core and describe the answer.
  CallResult PluginRequest(uint32_t method, const std::string& url) {
    return Action("request",
                  CallOptions().Arg("method", std::to_string(method)).ArgText("url", url));
  }

  // What the plugin's callbacks received so far, as JSON text.
  std::string Received() { return Action("received").ValueJson(); }

  static std::string Field(const CallResult& result, const char* name) {
    const rapidjson::Value& value = result.value;
    if (!value.IsObject() || !value.HasMember(name)) return "<missing>";
    return JsonText(value[name]);
  }

  DevCore core_;
};

}  // namespace tav::host

#endif  // TAV_TESTS_HOST_FAKE_PLUGIN_FIXTURE_H_
