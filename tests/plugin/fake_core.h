// FakeCore: an in-process core for unit tests of the plugin frame. It offers
// the ten CoreInterface operations, records what the plugin does with them,
// and lets a test answer requests, run work on Yield and watch events.
//
//   FakeCore core;
//   core.on_request = [](ResponseRecord* response, const RequestRecord* request) { ... };
//   PluginInitArgs args = core.InitArgs();
//   module.Initialize(&args);
//   EXPECT_EQ(core.registrations.size(), 3u);
#ifndef TAV_TESTS_PLUGIN_FAKE_CORE_H_
#define TAV_TESTS_PLUGIN_FAKE_CORE_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tav/plugin_abi.h"

namespace tav {

struct FakeCore {
  struct Registration {
    std::string name;
    HostContext host_context;
    EventCallbackFn callback;
    void* context;
    uint8_t flag;
  };
  struct LogLine {
    int32_t level;
    std::string text;
  };

  FakeCore() {
    interface.Request = [](CoreInterface* self, ResponseRecord* response,
                           const RequestRecord* request) {
      FakeCore& core = Of(self);
      core.request_urls.emplace_back(request->url != nullptr ? request->url : "");
      if (core.on_request) core.on_request(response, request);
    };
    interface.Reserved1 = [](CoreInterface*, uintptr_t, uintptr_t) {};
    interface.SendEvent = [](CoreInterface* self, const CoreEvent* event) {
      FakeCore& core = Of(self);
      core.sent_events.emplace_back(event->name != nullptr ? event->name : "");
      if (core.on_send_event) core.on_send_event(event);
    };
    interface.RegisterEventHandler = [](CoreInterface* self, const char* name,
                                        HostContext host_context, EventCallbackFn callback,
                                        void* context, uint8_t flag) {
      Of(self).registrations.push_back({name, host_context, callback, context, flag});
    };
    interface.UnregisterEventHandler = [](CoreInterface* self, const char* name,
                                          HostContext host_context) {
      FakeCore& core = Of(self);
      core.unregistrations.emplace_back(name);
      for (size_t i = 0; i < core.registrations.size(); ++i) {
        if (core.registrations[i].name == name &&
            core.registrations[i].host_context == host_context) {
          core.registrations.erase(core.registrations.begin() + static_cast<std::ptrdiff_t>(i));
          break;
        }
      }
    };
    interface.Reserved5 = [](CoreInterface*, uintptr_t, uintptr_t, uintptr_t, uint64_t,
                             uintptr_t) {};
    interface.Yield = [](CoreInterface* self) {
      FakeCore& core = Of(self);
      ++core.yield_count;
      if (core.on_yield) core.on_yield();
    };
    interface.BeginWait = [](CoreInterface* self, const char* label, uintptr_t) {
      Of(self).wait_labels.emplace_back(label != nullptr ? label : "");
    };
    interface.EndWait = [](CoreInterface* self) -> uint64_t {
      FakeCore& core = Of(self);
      ++core.end_wait_count;
      return core.end_wait_value;
    };
    interface.Log = [](CoreInterface* self, int32_t level, const char* text) {
      Of(self).logs.push_back({level, text != nullptr ? text : ""});
    };
  }
  FakeCore(const FakeCore&) = delete;
  FakeCore& operator=(const FakeCore&) = delete;

  PluginInitArgs InitArgs(HostContext host_context = 0x5EED) {
    return PluginInitArgs{&interface, host_context};
  }

  // Delivers an event to every callback registered for `name`, as the core
  // would: the event carries the registration's context.
  void Deliver(const std::string& name, const CoreValue& payload, uint32_t flag = 0) {
    const std::vector<Registration> current = registrations;
    for (const Registration& registration : current) {
      if (registration.name != name) continue;
      CoreEvent event{registration.name.c_str(), payload, flag, registration.context};
      registration.callback(&event);
    }
  }

  size_t RegistrationCount(const std::string& name) const {
    size_t count = 0;
    for (const Registration& registration : registrations) count += registration.name == name;
    return count;
  }

  CoreInterface interface{};  // first member: the CoreInterface* is the FakeCore*

  std::function<void(ResponseRecord*, const RequestRecord*)> on_request;
  std::function<void(const CoreEvent*)> on_send_event;
  std::function<void()> on_yield;
  uint64_t end_wait_value = 0;

  std::vector<std::string> request_urls;
  std::vector<std::string> sent_events;
  std::vector<Registration> registrations;
  std::vector<std::string> unregistrations;
  std::vector<std::string> wait_labels;
  int yield_count = 0;
  int end_wait_count = 0;
  std::vector<LogLine> logs;

 private:
  static FakeCore& Of(CoreInterface* self) { return *reinterpret_cast<FakeCore*>(self); }
};

}  // namespace tav

#endif  // TAV_TESTS_PLUGIN_FAKE_CORE_H_
