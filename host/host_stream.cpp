#include "host_stream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tav::host {

namespace {

struct HostStream {
  StreamPlan plan;
  std::shared_ptr<StreamStats> stats;
  size_t offset = 0;       // next byte of the body
  size_t next_chunk = 0;   // next entry of plan.chunks
  uint32_t chunk_left = 0; // bytes left of a chunk a short read split
  bool in_chunk = false;
  uint32_t reads = 0;
};

}  // namespace

void* NewHostStream(const StreamPlan& plan, std::shared_ptr<StreamStats> stats) {
  auto* stream = new HostStream{plan, std::move(stats)};
  if (stream->stats) stream->stats->created.fetch_add(1);
  return stream;
}

uint8_t HostStreamRead(void* handle, void* buffer, uint32_t* length, uint8_t* more) {
  if (handle == nullptr || length == nullptr || more == nullptr) return 0;
  auto* stream = static_cast<HostStream*>(handle);
  uint32_t index = stream->reads++;
  if (stream->stats) stream->stats->reads.fetch_add(1);
  uint32_t wanted = *length;
  *length = 0;
  *more = 0;
  if (stream->plan.fail_at_read && *stream->plan.fail_at_read == index) return 0;
  if (buffer == nullptr && wanted > 0) return 0;

  size_t body_left = stream->plan.body.size() - stream->offset;
  uint32_t limit = wanted;
  if (stream->in_chunk) {
    limit = std::min(limit, stream->chunk_left);
  } else if (stream->next_chunk < stream->plan.chunks.size()) {
    uint32_t chunk = stream->plan.chunks[stream->next_chunk++];
    if (chunk == 0) {
      *more = 1;
      return 1;
    }
    stream->in_chunk = true;
    stream->chunk_left = chunk;
    limit = std::min(limit, chunk);
  }
  uint32_t count = static_cast<uint32_t>(std::min<size_t>(limit, body_left));
  if (count > 0) std::memcpy(buffer, stream->plan.body.data() + stream->offset, count);
  stream->offset += count;
  if (stream->in_chunk) {
    stream->chunk_left -= std::min(stream->chunk_left, count);
    if (stream->chunk_left == 0 || stream->offset == stream->plan.body.size()) stream->in_chunk = false;
  }
  *length = count;
  *more = stream->offset < stream->plan.body.size() ? 1 : 0;
  return 1;
}

void HostStreamRelease(void* handle) {
  if (handle == nullptr) return;
  auto* stream = static_cast<HostStream*>(handle);
  if (stream->stats) stream->stats->released.fetch_add(1);
  delete stream;
}

}  // namespace tav::host
