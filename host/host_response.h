// ResponseRecords the host fills as answers to the plugin's requests, and the
// release operation it stores in each.
//
// The host keeps count of the records it filled and of those the plugin
// released, so a test can assert that the plugin gave every answer back:
//
//   HostResponseCounts before = HostResponseStatistics();
//   ... the plugin runs ...
//   EXPECT_EQ(HostResponseStatistics().outstanding, before.outstanding);
#ifndef TAV_HOST_HOST_RESPONSE_H_
#define TAV_HOST_HOST_RESPONSE_H_

#include <cstdint>
#include <memory>

#include "host_stream.h"
#include "peer.h"
#include "tav/plugin_abi.h"

namespace tav::host {

struct HostResponseCounts {
  uint64_t filled = 0;
  uint64_t released = 0;
  // record_release called on a record the host does not know as filled and
  // unreleased: a second release, or a release of a copy.
  uint64_t foreign_releases = 0;
  uint64_t outstanding = 0;
};

// Zeroes `record`, then stores the answer: the value (owned kinds), the error
// text (owned), status, headers, the stream when the answer is streamed, and
// the host's release operation.
void FillHostResponse(ResponseRecord* record, const PeerResponse& answer, std::shared_ptr<StreamStats> stream_stats);

// The release operation stored in every record the host fills. Frees the
// value, the error text and the headers and zeroes them; leaves the stream to
// stream_release.
void HostRecordRelease(ResponseRecord* record);

// Process-wide counts.
HostResponseCounts HostResponseStatistics();

}  // namespace tav::host

#endif  // TAV_HOST_HOST_RESPONSE_H_
