// ResponseStream: a body handed over in pieces rather than as one value,
// read by the receiver through the ResponseRecord's stream operations.
//
//   class FileStream : public ResponseStream { ... };
//   Failure failure = Failure::NotFound();
//   failure.stream = std::make_shared<FileStream>(...);
#ifndef TAV_PLUGIN_RESPONSE_STREAM_H_
#define TAV_PLUGIN_RESPONSE_STREAM_H_

#include <cstdint>

namespace tav {

class ResponseStream {
 public:
  virtual ~ResponseStream() = default;

  // Reads up to *length bytes into `buffer`, sets *length to the count read
  // and *more to whether more bytes will follow. False on a read error.
  virtual bool Read(void* buffer, uint32_t* length, bool* more) = 0;

  // The announced total size; 0 when unknown.
  virtual uint64_t size() const = 0;
};

}  // namespace tav

#endif  // TAV_PLUGIN_RESPONSE_STREAM_H_
