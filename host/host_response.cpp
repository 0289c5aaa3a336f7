#include "host_response.h"

#include <cstring>
#include <mutex>
#include <unordered_set>

#include "core_value_json.h"
#include "host_memory.h"

namespace tav::host {

namespace {

struct Ledger {
  std::mutex mutex;
  std::unordered_set<const ResponseRecord*> unreleased;
  HostResponseCounts counts;
};

Ledger& GetLedger() {
  static Ledger* ledger = new Ledger();  // never destroyed: a late release must still find it
  return *ledger;
}

}  // namespace

void FillHostResponse(ResponseRecord* record, const PeerResponse& answer, std::shared_ptr<StreamStats> stream_stats) {
  std::memset(record, 0, sizeof(*record));
  record->status = answer.status;
  if (answer.error) {
    record->error = HostMemory::DuplicateText(*answer.error);
    record->error_owned = 1;
  }
  if (answer.stream) {
    const StreamPlan& plan = *answer.stream;
    record->stream = NewHostStream(plan, std::move(stream_stats));
    record->stream_read = &HostStreamRead;
    record->stream_release = &HostStreamRelease;
    record->stream_size = plan.announced_size ? *plan.announced_size : plan.body.size();
  } else {
    record->value = BuildOwnedCoreValue(answer.value);
  }
  if (!answer.headers.empty()) {
    auto* headers = static_cast<CoreHeader*>(HostMemory::Allocate(sizeof(CoreHeader) * answer.headers.size()));
    for (size_t i = 0; i < answer.headers.size(); ++i) {
      headers[i].name = HostMemory::DuplicateText(answer.headers[i].first);
      headers[i].value = HostMemory::DuplicateText(answer.headers[i].second);
    }
    record->headers = headers;
    record->header_count = static_cast<uint32_t>(answer.headers.size());
  }
  record->record_release = &HostRecordRelease;

  Ledger& ledger = GetLedger();
  std::lock_guard<std::mutex> lock(ledger.mutex);
  ledger.unreleased.insert(record);
  ++ledger.counts.filled;
}

void HostRecordRelease(ResponseRecord* record) {
  if (record == nullptr) return;
  {
    Ledger& ledger = GetLedger();
    std::lock_guard<std::mutex> lock(ledger.mutex);
    if (ledger.unreleased.erase(record) == 1) {
      ++ledger.counts.released;
    } else {
      ++ledger.counts.foreign_releases;
    }
  }
  ReleaseOwnedCoreValue(&record->value);
  if (record->error_owned == 1) HostMemory::Free(const_cast<char*>(record->error));
  record->error = nullptr;
  record->error_owned = 0;
  CoreHeader* headers = const_cast<CoreHeader*>(record->headers);
  for (uint32_t i = 0; headers != nullptr && i < record->header_count; ++i) {
    HostMemory::Free(const_cast<char*>(headers[i].name));
    HostMemory::Free(const_cast<char*>(headers[i].value));
  }
  HostMemory::Free(headers);
  record->headers = nullptr;
  record->header_count = 0;
  record->record_release = nullptr;
}

HostResponseCounts HostResponseStatistics() {
  Ledger& ledger = GetLedger();
  std::lock_guard<std::mutex> lock(ledger.mutex);
  HostResponseCounts counts = ledger.counts;
  counts.outstanding = counts.filled - counts.released;
  return counts;
}

}  // namespace tav::host
