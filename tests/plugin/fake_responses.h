// Test helpers for the plugin's outgoing calls: answers a FakeCore request
// with a value, an error or a stream the way a core fills a ResponseRecord,
// and counts what the plugin releases; reads the arguments of a request and
// the payload of a sent event back as JSON text.
//
//   core.on_request = [](ResponseRecord* response, const RequestRecord*) {
//     AnswerJson(response, R"({"id": 7})");
//   };
//   ...
//   EXPECT_EQ(ResponseLedger::Get().released, 1);
#ifndef TAV_TESTS_PLUGIN_FAKE_RESPONSES_H_
#define TAV_TESTS_PLUGIN_FAKE_RESPONSES_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "binding/binding_property.h"
#include "binding/core_value.h"
#include "binding/json_reader.h"
#include "binding/json_writer.h"
#include "runtime/heap.h"
#include "tav/plugin_abi.h"

namespace tav {

// Releases of the records the helpers fill, and of their streams.
struct ResponseLedger {
  int filled = 0;
  int released = 0;
  int streams_released = 0;

  static ResponseLedger& Get() {
    static ResponseLedger ledger;
    return ledger;
  }
  static void Reset() { Get() = ResponseLedger(); }
};

inline void ReleaseFakeResponse(ResponseRecord* record) {
  ++ResponseLedger::Get().released;
  ReleaseCoreValue(&record->value);
  if (record->error_owned != 0) HeapFree(const_cast<char*>(record->error));
  record->error = nullptr;
  record->record_release = nullptr;
}

inline void BeginFakeResponse(ResponseRecord* response, uint32_t status) {
  std::memset(response, 0, sizeof(*response));
  response->status = status;
  response->record_release = &ReleaseFakeResponse;
  ++ResponseLedger::Get().filled;
}

// A value answer; `json` must parse.
inline void AnswerJson(ResponseRecord* response, std::string_view json, uint32_t status = 200) {
  BeginFakeResponse(response, status);
  BindingResult parsed = ParseJson(json);
  ToCoreValue(parsed.value(), nullptr, &response->value);
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
    bool fail = false;        // the read fails
    uint32_t claim = 0;       // when not 0, the length the read reports
  };
  std::vector<Piece> pieces;
  size_t next = 0;
  std::vector<uint32_t> asked;  // the length each read asked for

  static uint8_t Read(void* stream, void* buffer, uint32_t* length, uint8_t* more) {
    FakeStream& self = *static_cast<FakeStream*>(stream);
    self.asked.push_back(*length);
    if (self.next >= self.pieces.size()) {
      *length = 0;
      *more = 0;
      return 1;
    }
    const Piece& piece = self.pieces[self.next++];
    if (piece.fail) return 0;
    const uint32_t count = std::min<uint32_t>(*length, static_cast<uint32_t>(piece.bytes.size()));
    std::memcpy(buffer, piece.bytes.data(), count);
    *length = piece.claim != 0 ? piece.claim : count;
    *more = piece.more ? 1 : 0;
    return 1;
  }
  static void Release(void*) { ++ResponseLedger::Get().streams_released; }
};

inline void AnswerStream(ResponseRecord* response, FakeStream* stream, uint64_t announced_size) {
  BeginFakeResponse(response, 200);
  response->stream = stream;
  response->stream_read = &FakeStream::Read;
  response->stream_release = &FakeStream::Release;
  response->stream_size = announced_size;
}

// One argument of a request: its name (empty for a positional one) and its
// value written as JSON.
struct SeenArgument {
  std::string name;
  std::string json;
  bool operator==(const SeenArgument& other) const {
    return name == other.name && json == other.json;
  }
};

inline std::string CoreValueJson(const CoreValue& value) {
  BindingProperty decoded;
  if (!FromCoreValue(value, "value", nullptr, &decoded)) return "<undecodable>";
  return WriteJson(decoded);
}

inline std::vector<SeenArgument> SeenArguments(const RequestRecord* request) {
  std::vector<SeenArgument> seen;
  for (uint32_t i = 0; i < request->argument_count; ++i) {
    const CoreArgument& argument = request->arguments[i];
    seen.push_back({argument.name != nullptr ? argument.name : "", CoreValueJson(argument.value)});
  }
  return seen;
}

}  // namespace tav

#endif  // TAV_TESTS_PLUGIN_FAKE_RESPONSES_H_
