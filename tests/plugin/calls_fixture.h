// The fixture of the remote-call, observation, service-proxy, LCDS and
// event tests: a module attached to a FakeCore as the load sequence and
// Initialize attach it, with the records of what it logged.
#ifndef TAV_TESTS_PLUGIN_CALLS_FIXTURE_H_
#define TAV_TESTS_PLUGIN_CALLS_FIXTURE_H_

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "fake_core.h"
#include "fake_responses.h"
#include "log/log_category.h"
#include "log/log_level.h"
#include "log/log_target.h"
#include "log/logger.h"
#include "plugin/app_module.h"
#include "plugin/plugin_host.h"

namespace tav {

// Keeps the level and message of every line logged while it is installed.
class CapturedLog : public LogTarget {
 public:
  struct Line {
    int32_t level;
    std::string text;
    bool operator==(const Line& other) const { return level == other.level && text == other.text; }
  };

  CapturedLog() {
    AcquireLogger();
    ConfigureLogTarget(this, kLogLevelOkay, 0, 0, "#M");
  }
  ~CapturedLog() override {
    RemoveLogTarget(this);
    ReleaseLogger();
  }
  const char* GetName() const override { return "CapturedLog"; }
  bool Write(const LogEntry& entry) override {
    std::lock_guard<std::mutex> lock(mutex());
    lines.push_back({entry.level, std::string(entry.message)});
    return true;
  }

  std::vector<Line> lines;
};

class CallsModule : public AppModule {};

// Loads and initializes a CallsModule as the core would: the load sequence
// registers the core's types, Initialize registers the service-proxy event
// handlers and installs the log target that forwards lines to the core.
class CallsTest : public testing::Test {
 protected:
  CallsTest() : module(Load()) { ResponseLedger::Reset(); }
  ~CallsTest() override { Shutdown(); }

  // Shuts the module down (once); `module` must not be used afterwards.
  void Shutdown() {
    if (loaded_ == nullptr) return;
    void* instance = loaded_;
    loaded_ = nullptr;
    entry_->Shutdown(instance);
  }

  FakeCore core;
  PluginInitArgs args = core.InitArgs();
  CapturedLog log;

 private:
  CallsModule& Load() {
    info_ = PluginHostInfo{18, 0, 0, nullptr, nullptr, nullptr, nullptr};
    LoadPlugin<CallsModule>(&info_, "tav-perks");
    // The host info is packed: its words are read out by value.
    loaded_ = info_.module;
    entry_ = info_.entry_table;
    EXPECT_NE(entry_, nullptr);
    EXPECT_EQ(entry_->Initialize(loaded_, &args), 1);
    return *static_cast<CallsModule*>(static_cast<AppModule*>(loaded_));
  }

  PluginHostInfo info_{};
  void* loaded_ = nullptr;
  const PluginEntryTable* entry_ = nullptr;

 protected:
  CallsModule& module;
};

}  // namespace tav

#endif  // TAV_TESTS_PLUGIN_CALLS_FIXTURE_H_
