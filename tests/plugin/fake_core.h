// FakeCore: an in-process core for unit tests of the plugin frame. It offers
// the CoreInterface operations, records what the plugin does with them, and
// lets a test answer requests and run work on Yield. The Answer* helpers fill
// a ResponseRecord the way a core does and count what the plugin releases.
#ifndef TAV_TESTS_PLUGIN_FAKE_CORE_H_
#define TAV_TESTS_PLUGIN_FAKE_CORE_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "binding/core_value.h"
#include "binding/json_reader.h"
#include "binding/json_writer.h"
#include "runtime/heap.h"
#include "tav/plugin_abi.h"

namespace tav {

// A core value written as JSON.
inline std::string CoreValueJson(const CoreValue& value) {
  BindingProperty decoded;
  if (!FromCoreValue(value, "value", nullptr, &decoded)) return "<undecodable>";
  return WriteJson(decoded);
}

// The arguments of a request as "name=json" ("=json" for a positional one).
inline std::vector<std::string> SeenArguments(const RequestRecord* request) {
  std::vector<std::string> seen;
  for (uint32_t i = 0; i < request->argument_count; ++i) {
    const CoreArgument& argument = request->arguments[i];
    seen.push_back(std::string(argument.name != nullptr ? argument.name : "") + "=" +
                   CoreValueJson(argument.value));
  }
  return seen;
}

struct FakeCore {
  struct Registration {
    std::string name;
    HostContext host_context;
    EventCallbackFn callback;
    void* context;
    uint8_t flag;
  };
  struct SentEvent {
    std::string name;
    std::string payload;  // as JSON
  };
  struct LogLine {
    int32_t level;
    std::string text;
  };

  FakeCore() {
    interface.Request = [](CoreInterface* self, ResponseRecord* response,
                           const RequestRecord* request) {
      FakeCore& core = Of(self);
      const char* url = request->url;  // the record is packed: no reference to a member
      core.request_urls.emplace_back(url);
      if (core.on_request) core.on_request(response, request);
    };
    interface.SendEvent = [](CoreInterface* self, const CoreEvent* event) {
      Of(self).sent_events.push_back({event->name, CoreValueJson(event->payload)});
    };
    interface.RegisterEventHandler = [](CoreInterface* self, const char* name,
                                        HostContext host_context, EventCallbackFn callback,
                                        void* context, uint8_t flag) {
      Of(self).registrations.push_back({name, host_context, callback, context, flag});
    };
    interface.UnregisterEventHandler = [](CoreInterface* self, const char* name,
                                          HostContext host_context) {
      std::vector<Registration>& registrations = Of(self).registrations;
      Of(self).unregistrations.emplace_back(name);
      for (auto it = registrations.begin(); it != registrations.end(); ++it) {
        if (it->name != name || it->host_context != host_context) continue;
        registrations.erase(it);
        break;
      }
    };
    interface.Yield = [](CoreInterface* self) {
      FakeCore& core = Of(self);
      ++core.yield_count;
      if (core.on_yield) core.on_yield();
    };
    interface.BeginWait = [](CoreInterface* self, const char* label, uintptr_t) {
      Of(self).wait_labels.emplace_back(label);
    };
    interface.EndWait = [](CoreInterface* self) -> uint64_t {
      ++Of(self).end_wait_count;
      return 0;
    };
    interface.Log = [](CoreInterface* self, int32_t level, const char* text) {
      Of(self).logs.push_back({level, text});
    };
  }
  FakeCore(const FakeCore&) = delete;
  FakeCore& operator=(const FakeCore&) = delete;

  // Delivers an event to every callback registered for `name`, with the
  // registration's context, as the core would.
  void Deliver(const std::string& name, const CoreValue& payload, uint32_t flag = 0) {
    const std::vector<Registration> current = registrations;
    for (const Registration& registration : current) {
      if (registration.name != name) continue;
      CoreEvent event{registration.name.c_str(), payload, flag, registration.context};
      registration.callback(&event);
    }
  }

  size_t RegistrationCount(const std::string& name) const {
    return std::count_if(
        registrations.begin(), registrations.end(),
        [&](const Registration& registration) { return registration.name == name; });
  }

  // The messages of the log lines of `level`: the text after the last "| ".
  std::vector<std::string> LogMessages(int32_t level) const {
    std::vector<std::string> messages;
    for (const LogLine& line : logs) {
      if (line.level == level) messages.push_back(line.text.substr(line.text.rfind("| ") + 2));
    }
    return messages;
  }

  CoreInterface interface{};  // first member: the CoreInterface* is the FakeCore*

  std::function<void(ResponseRecord*, const RequestRecord*)> on_request;
  std::function<void()> on_yield;

  std::vector<std::string> request_urls;
  std::vector<SentEvent> sent_events;
  std::vector<Registration> registrations;
  std::vector<std::string> unregistrations;
  std::vector<std::string> wait_labels;
  int yield_count = 0;
  int end_wait_count = 0;
  std::vector<LogLine> logs;

 private:
  static FakeCore& Of(CoreInterface* self) { return *reinterpret_cast<FakeCore*>(self); }
};

// Releases of the records the Answer* helpers fill, and of their streams.
inline int g_responses_released = 0;
inline int g_streams_released = 0;

inline void ReleaseFakeResponse(ResponseRecord* record) {
  ++g_responses_released;
  ReleaseCoreValue(&record->value);
  if (record->error_owned != 0) HeapFree(const_cast<char*>(record->error));
}

inline void BeginFakeResponse(ResponseRecord* response, uint32_t status) {
  std::memset(response, 0, sizeof(*response));
  response->status = status;
  response->record_release = &ReleaseFakeResponse;
}

// A value answer; `json` must parse.
inline void AnswerJson(ResponseRecord* response, std::string_view json, uint32_t status = 200) {
  BeginFakeResponse(response, status);
  ToCoreValue(ParseJson(json).value(), nullptr, &response->value);
}

inline void AnswerError(ResponseRecord* response, uint32_t status, std::string_view text) {
  BeginFakeResponse(response, status);
  response->error = HeapDuplicateText(text.data(), text.size());
  response->error_owned = 1;
}

// A streamed body handed out in planned pieces.
struct FakeStream {
  struct Piece {
    std::string bytes;
    bool more = false;
    bool fail = false;   // the read fails
    uint32_t claim = 0;  // when not 0, the length the read reports
  };
  std::vector<Piece> pieces;
  size_t next = 0;
  std::vector<uint32_t> asked;  // the length each read asked for

  static uint8_t Read(void* stream, void* buffer, uint32_t* length, uint8_t* more) {
    FakeStream& self = *static_cast<FakeStream*>(stream);
    self.asked.push_back(*length);
    const Piece& piece = self.pieces.at(self.next++);
    if (piece.fail) return 0;
    const uint32_t count = std::min<uint32_t>(*length, static_cast<uint32_t>(piece.bytes.size()));
    std::memcpy(buffer, piece.bytes.data(), count);
    *length = piece.claim != 0 ? piece.claim : count;
    *more = piece.more ? 1 : 0;
    return 1;
  }
  static void Release(void*) { ++g_streams_released; }
};

inline void AnswerStream(ResponseRecord* response, FakeStream* stream, uint64_t announced_size) {
  BeginFakeResponse(response, 200);
  response->stream = stream;
  response->stream_read = &FakeStream::Read;
  response->stream_release = &FakeStream::Release;
  response->stream_size = announced_size;
}

}  // namespace tav

#endif  // TAV_TESTS_PLUGIN_FAKE_CORE_H_
