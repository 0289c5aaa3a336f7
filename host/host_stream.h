// Streamed answers the host gives the plugin: a body handed out in chosen
// chunk sizes through the stream_read operation of a ResponseRecord.
//
//   StreamPlan plan;
//   plan.body = big_json_text;
//   plan.chunks = {4096, 0, 10};  // a full read, a read with nothing ready yet, then 10 bytes
//   PeerResponse::Streamed(plan);
#ifndef TAV_HOST_HOST_STREAM_H_
#define TAV_HOST_HOST_STREAM_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tav/plugin_abi.h"

namespace tav::host {

struct StreamPlan {
  std::string body;
  // The most that each read gives, in order. A 0 is a read that gives no
  // bytes and says more will follow, as a stream whose data has not arrived.
  // A read asking for less than its chunk gets what it asked for, and the
  // rest of the chunk comes with the next read. After the list the rest of
  // the body comes in reads as large as the reader asks.
  std::vector<uint32_t> chunks;
  // The read of this index (0 the first) fails; none when empty.
  std::optional<uint32_t> fail_at_read;
  // The size the ResponseRecord announces; the body's size when empty.
  std::optional<uint64_t> announced_size;
};

// Counters shared by every stream of one core. A stream keeps them alive
// until it is released, so a late release never touches a dead core.
struct StreamStats {
  std::atomic<uint64_t> created{0};
  std::atomic<uint64_t> reads{0};
  std::atomic<uint64_t> released{0};

  uint64_t outstanding() const { return created.load() - released.load(); }
};

// Makes a stream object for `plan`; hand it over with HostStreamRead and
// HostStreamRelease.
void* NewHostStream(const StreamPlan& plan, std::shared_ptr<StreamStats> stats);

// The stream operations stored in the ResponseRecords the host fills.
uint8_t HostStreamRead(void* stream, void* buffer, uint32_t* length, uint8_t* more);
void HostStreamRelease(void* stream);

}  // namespace tav::host

#endif  // TAV_HOST_HOST_STREAM_H_
