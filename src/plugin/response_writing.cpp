#include "plugin/response_writing.h"

#include <cstring>
#include <memory>

#include "binding/core_value.h"
#include "runtime/heap.h"

namespace tav {

namespace {

char* DuplicateText(std::string_view text) { return HeapDuplicateText(text.data(), text.size()); }

// The object behind ResponseRecord::stream: keeps the handler's stream
// alive until the core releases it.
struct StreamHandle {
  std::shared_ptr<ResponseStream> stream;
};

uint8_t ReadStream(void* stream, void* buffer, uint32_t* length, uint8_t* more) {
  if (stream == nullptr || length == nullptr || more == nullptr) return 0;
  if (buffer == nullptr && *length != 0) return 0;
  // A stream that throws must not unwind into the core.
  try {
    bool more_follows = false;
    const bool ok = static_cast<StreamHandle*>(stream)->stream->Read(buffer, length, &more_follows);
    *more = more_follows ? 1 : 0;
    return ok ? 1 : 0;
  } catch (...) {
    *length = 0;
    *more = 0;
    return 0;
  }
}

void ReleaseStream(void* stream) {
  try {
    delete static_cast<StreamHandle*>(stream);
  } catch (...) {
  }
}

void WriteHeaders(ResponseRecord* response, const std::map<std::string, std::string>& headers) {
  if (headers.empty()) return;
  auto* pairs = static_cast<CoreHeader*>(HeapAllocate(sizeof(CoreHeader) * headers.size()));
  if (pairs == nullptr) throw std::bad_alloc();
  std::memset(pairs, 0, sizeof(CoreHeader) * headers.size());
  // Counted as it fills, so that a release after a failed allocation frees
  // exactly what is there.
  response->headers = pairs;
  for (const auto& [name, value] : headers) {
    CoreHeader& pair = pairs[response->header_count];
    pair.name = DuplicateText(name);
    pair.value = DuplicateText(value);
    ++response->header_count;
    if (pair.name == nullptr || pair.value == nullptr) throw std::bad_alloc();
  }
}

}  // namespace

void StartResponse(ResponseRecord* response) {
  std::memset(response, 0, sizeof(*response));
  response->record_release = &ReleaseResponseRecord;
}

void WriteValue(ResponseRecord* response, const BindingProperty& value,
                const BindingTypeRegistry& registry) {
  ToCoreValue(value, &registry, &response->value);
  response->status = 200;
}

void WriteFailure(ResponseRecord* response, const Failure& failure) {
  response->error = DuplicateText(failure.message);
  if (response->error == nullptr) throw std::bad_alloc();
  response->error_owned = 1;
  response->status = failure.status;
  if (!failure.additional_text.empty()) {
    response->additional_text = DuplicateText(failure.additional_text);
    if (response->additional_text == nullptr) throw std::bad_alloc();
  }
  WriteHeaders(response, failure.headers);
  if (failure.stream != nullptr) {
    response->stream = new StreamHandle{failure.stream};
    response->stream_read = &ReadStream;
    response->stream_release = &ReleaseStream;
    response->stream_size = failure.stream->size();
  }
}

void WriteError(ResponseRecord* response, std::string_view message, uint32_t status) {
  response->error = DuplicateText(message);
  if (response->error == nullptr) throw std::bad_alloc();
  response->error_owned = 1;
  response->status = status;
}

void ReleaseResponseRecord(ResponseRecord* response) {
  if (response == nullptr) return;
  ReleaseCoreValue(&response->value);
  if (response->error_owned == 1) HeapFree(const_cast<char*>(response->error));
  response->error = nullptr;
  response->error_owned = 0;
  HeapFree(const_cast<char*>(response->additional_text));
  response->additional_text = nullptr;
  if (response->headers != nullptr) {
    for (uint32_t i = 0; i < response->header_count; ++i) {
      HeapFree(const_cast<char*>(response->headers[i].name));
      HeapFree(const_cast<char*>(response->headers[i].value));
    }
    HeapFree(const_cast<CoreHeader*>(response->headers));
  }
  response->headers = nullptr;
  response->header_count = 0;
}

}  // namespace tav
