#include "plugin/remote_call.h"

#include <algorithm>
#include <cstring>

#include "binding/core_value.h"
#include "binding/json_reader.h"
#include "runtime/heap.h"

namespace tav {

namespace {

// The most a single stream read asks for.
constexpr uint32_t kStreamReadSize = 4096;

// The announced size of a stream comes from the core. It only sizes the
// first reservation, so a wrong or hostile announcement must not decide how
// much memory is taken up front; the text still grows to whatever arrives.
constexpr uint64_t kMaxStreamReservation = uint64_t{16} << 20;

Failure ErrorResponseFailure(RequestMethod method, std::string_view url, const char* error,
                             uint32_t status) {
  return Failure::Format("Error response for {method} {url}: {error}",
                         {{"method", RequestMethodName(method)}, {"url", url}, {"error", error}},
                         status);
}

Failure StreamFailure(RequestMethod method, std::string_view url, std::string_view error) {
  return Failure::Format("Error reading streamed response for {method} {url}: {error}",
                         {{"method", RequestMethodName(method)}, {"url", url}, {"error", error}});
}

bool CarriesStream(const ResponseRecord& response) {
  return response.stream != nullptr || response.stream_read != nullptr;
}

void ReleaseStream(ResponseRecord& response) {
  if (response.stream_release != nullptr && response.stream != nullptr) {
    response.stream_release(response.stream);
  }
  response.stream = nullptr;
  response.stream_read = nullptr;
  response.stream_release = nullptr;
}

// Releases the record with the operation its filler stored in it, on every
// path out of SendRemoteRequest, after any stream in it has been released.
class ResponseRelease {
 public:
  explicit ResponseRelease(ResponseRecord& response) : response_(response) {}
  ~ResponseRelease() {
    ReleaseStream(response_);
    if (response_.record_release != nullptr) response_.record_release(&response_);
  }
  ResponseRelease(const ResponseRelease&) = delete;
  ResponseRelease& operator=(const ResponseRelease&) = delete;

 private:
  ResponseRecord& response_;
};

}  // namespace

// --- RemoteArguments ----------------------------------------------------------

RemoteArguments::~RemoteArguments() {
  for (CoreArgument& argument : arguments_) ReleaseCoreValue(&argument.value);
}

void RemoteArguments::AddPositional(const BindingProperty& value,
                                    const BindingTypeRegistry* registry) {
  Add(nullptr, value, registry);
}

void RemoteArguments::AddNamed(std::string_view name, const BindingProperty& value,
                               const BindingTypeRegistry* registry) {
  names_.emplace_back(name);
  Add(names_.back().c_str(), value, registry);
}

void RemoteArguments::AddNamedText(std::string_view name, std::string_view text) {
  BindingProperty value;
  value.SetString(text);
  AddNamed(name, value, nullptr);
}

void RemoteArguments::Add(const char* name, const BindingProperty& value,
                          const BindingTypeRegistry* registry) {
  CoreArgument argument;
  std::memset(&argument, 0, sizeof(argument));
  argument.name = name;
  ToCoreValue(value, registry, &argument.value);
  arguments_.push_back(argument);
}

// --- Failures -------------------------------------------------------------------

namespace remote_call_internal {

Failure ParameterFailure(RequestMethod method, std::string_view url, std::string_view error) {
  return Failure::Format("Request not sent: Error converting parameters for {method} {url}: {error}",
                         {{"method", RequestMethodName(method)}, {"url", url}, {"error", error}},
                         400);
}

Failure ResponseConversionFailure(RequestMethod method, std::string_view url,
                                  std::string_view error) {
  return Failure::Format("Error converting response for {method} {url}: {error}",
                         {{"method", RequestMethodName(method)}, {"url", url}, {"error", error}});
}

}  // namespace remote_call_internal

// --- Sending --------------------------------------------------------------------

MaybeType<Failure, BindingProperty> AppModule::SendRemoteRequest(RequestMethod method,
                                                                 std::string_view url,
                                                                 const RemoteArguments& arguments,
                                                                 bool read_value) {
  const std::string url_text(url);
  RequestRecord request;
  std::memset(&request, 0, sizeof(request));
  request.method = static_cast<uint32_t>(method);
  request.url = url_text.c_str();
  request.arguments = arguments.data();
  request.argument_count = arguments.size();
  request.host_context = host_context_;

  ResponseRecord response;
  std::memset(&response, 0, sizeof(response));
  Request(&response, &request);
  const ResponseRelease release(response);

  if (response.error != nullptr) {
    return ErrorResponseFailure(method, url, response.error, response.status);
  }
  BindingProperty body;
  if (!read_value) return body;
  if (CarriesStream(response)) {
    const std::string error = ReadResponseStream(response, body);
    if (!error.empty()) return StreamFailure(method, url, error);
    return body;
  }
  // A scratch record takes the decoder's message: the response's own error
  // field belongs to whoever filled the response and is freed by its
  // release operation, not by ours.
  ResponseRecord decode_error;
  std::memset(&decode_error, 0, sizeof(decode_error));
  if (!FromCoreValue(response.value, "<result>", &decode_error, &body)) {
    const std::string message = decode_error.error != nullptr ? decode_error.error : "";
    if (decode_error.error_owned != 0) HeapFree(const_cast<char*>(decode_error.error));
    return remote_call_internal::ResponseConversionFailure(method, url, message);
  }
  return body;
}

std::string AppModule::ReadResponseStream(ResponseRecord& response, BindingProperty& body) {
  std::string text;
  const uint64_t announced = response.stream_size;  // a packed field: read by value
  text.reserve(static_cast<size_t>(std::min(announced, kMaxStreamReservation)));
  std::string error;
  if (response.stream_read == nullptr || response.stream == nullptr) {
    error = "Stream read error";
  }
  char buffer[kStreamReadSize];
  while (error.empty()) {
    uint32_t length = kStreamReadSize;
    uint8_t more = 0;
    // A core that claims to have written more than was asked for is not
    // believed: nothing past the buffer is ever read.
    if (response.stream_read(response.stream, buffer, &length, &more) == 0 ||
        length > kStreamReadSize) {
      error = "Stream read error";
      break;
    }
    text.append(buffer, length);
    if (more == 0) break;
    // Nothing more is ready yet: let the core run before asking again.
    if (length < kStreamReadSize) YieldOnce();
  }
  ReleaseStream(response);
  if (!error.empty()) return error;

  BindingResult parsed = ParseJson(text);
  if (!parsed.ok()) return std::string(parsed.error());
  body = std::move(parsed.value());
  return {};
}

}  // namespace tav
