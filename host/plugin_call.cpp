#include "plugin_call.h"

#include <cstring>

#include "json_text.h"

namespace tav::host {

namespace {

constexpr uint32_t kReadSize = 4096;
constexpr uint32_t kMaxEmptyReads = 10000;
constexpr uint32_t kMaxHeaders = 100000;

void BuildRequest(RequestRecord* request, HostValueArena& arena, const FunctionRecord& record, uint32_t method,
                  std::string_view url, const CallOptions& options, HostContext host_context) {
  std::memset(request, 0, sizeof(*request));
  request->method = method;
  request->url = arena.Text(url);
  if (!options.arguments.empty()) {
    auto* arguments = static_cast<CoreArgument*>(arena.Block(sizeof(CoreArgument) * options.arguments.size()));
    for (size_t i = 0; i < options.arguments.size(); ++i) {
      const CallArgument& argument = options.arguments[i];
      arguments[i].name = argument.name ? arena.Text(*argument.name) : nullptr;
      arguments[i].value = arena.Build(argument.value);
    }
    request->arguments = arguments;
    request->argument_count = static_cast<uint32_t>(options.arguments.size());
  }
  request->dispatch_context = record.description.dispatch_context;
  if (!options.headers.empty()) {
    auto* headers = static_cast<CoreHeader*>(arena.Block(sizeof(CoreHeader) * options.headers.size()));
    for (size_t i = 0; i < options.headers.size(); ++i) {
      headers[i].name = arena.Text(options.headers[i].first);
      headers[i].value = arena.Text(options.headers[i].second);
    }
    request->headers = headers;
    request->header_count = static_cast<uint32_t>(options.headers.size());
  }
  if (!options.content_type.empty()) request->content_type = arena.Text(options.content_type);
  if (options.body) {
    void* body = arena.Block(options.body->size());
    if (!options.body->empty()) std::memcpy(body, options.body->data(), options.body->size());
    request->body = body;
    request->body_size = static_cast<uint32_t>(options.body->size());
  }
  request->host_context = host_context;
  if (method == TAV_METHOD_NAMED) request->method_name = arena.Text(options.method_name);
}

void ReadHeaders(const ResponseRecord& response, CallResult* result) {
  if (response.header_count == 0) return;
  if (response.header_count > kMaxHeaders) {
    result->faults.push_back("implausible header count " + std::to_string(response.header_count));
    return;
  }
  if (response.headers == nullptr) {
    result->faults.push_back("null header array of " + std::to_string(response.header_count));
    return;
  }
  for (uint32_t i = 0; i < response.header_count; ++i) {
    const CoreHeader& header = response.headers[i];
    if (header.name == nullptr || header.value == nullptr) {
      result->faults.push_back("null text in header " + std::to_string(i));
      continue;
    }
    result->headers.emplace_back(header.name, header.value);
  }
}

void ReadStream(const ResponseRecord& response, CallResult* result, const std::function<void()>& yield_pass) {
  result->streamed = true;
  result->stream_size = response.stream_size;
  if (response.stream_read == nullptr) {
    result->faults.push_back("stream without a read operation");
    return;
  }
  char buffer[kReadSize];
  uint32_t empty_reads = 0;
  for (;;) {
    uint32_t length = kReadSize;
    uint8_t more = 0;
    ++result->stream_reads;
    if (response.stream_read(response.stream, buffer, &length, &more) == 0) {
      result->faults.push_back("stream read error");
      return;
    }
    if (length > kReadSize) {
      result->faults.push_back("stream read claims " + std::to_string(length) + " bytes of " +
                               std::to_string(kReadSize));
      return;
    }
    result->body.append(buffer, length);
    if (more == 0) return;
    if (length > 0) {
      empty_reads = 0;
      continue;
    }
    if (++empty_reads > kMaxEmptyReads) {
      result->faults.push_back("stream stalled");
      return;
    }
    if (yield_pass) yield_pass();
  }
}

bool HoldsAllocations(const ResponseRecord& response) {
  return response.error_owned == 1 || response.header_count > 0 || response.value.kind == TAV_CORE_OWNED_STRING ||
         response.value.kind == TAV_CORE_OWNED_BLOB || response.value.kind == TAV_CORE_COLLECTION ||
         response.value.kind == TAV_CORE_STRUCTURE;
}

}  // namespace

CallOptions& CallOptions::Arg(std::string name, std::string_view json) & {
  arguments.push_back({std::move(name), JsonValue(json)});
  return *this;
}

CallOptions& CallOptions::ArgText(std::string name, std::string_view text) & {
  rapidjson::Document value;
  value.SetString(text.data(), static_cast<rapidjson::SizeType>(text.size()), value.GetAllocator());
  arguments.push_back({std::move(name), std::move(value)});
  return *this;
}

CallOptions& CallOptions::Positional(std::string_view json) & {
  arguments.push_back({std::nullopt, JsonValue(json)});
  return *this;
}

CallOptions& CallOptions::Header(std::string name, std::string value) & {
  headers.emplace_back(std::move(name), std::move(value));
  return *this;
}

CallOptions& CallOptions::Body(std::string bytes, std::string type) & {
  body = std::move(bytes);
  content_type = std::move(type);
  return *this;
}

CallOptions& CallOptions::Borrowed() & {
  text_mode = TextMode::kBorrowed;
  return *this;
}

std::string CallResult::ValueJson() const { return JsonText(value); }

std::string CallResult::Summary() const {
  std::string text = std::to_string(status);
  if (error) text += " " + *error;
  return text;
}

CallResult InvokeFunction(const FunctionRecord& record, uint32_t method, std::string_view url,
                          const CallOptions& options, HostContext host_context,
                          const std::function<void()>& yield_pass) {
  CallResult result;
  result.routed = true;
  if (record.dispatch == nullptr) {
    result.status = 500;
    result.error = "Function has no dispatch entry";
    result.faults.push_back("null dispatch entry");
    return result;
  }
  ResponseRecord response;
  std::memset(&response, 0, sizeof(response));
  {
    HostValueArena arena(options.text_mode);
    RequestRecord request;
    BuildRequest(&request, arena, record, method, url, options, host_context);
    record.dispatch(&response, &request);
    // The request's values belong to the host and die with the arena here:
    // a plugin that kept them must have copied them.
  }

  result.status = response.status;
  if (response.error != nullptr) result.error = std::string(response.error);
  if (response.error_owned > 1) result.faults.push_back("error-owned byte " + std::to_string(response.error_owned));
  result.flag = response.flag;
  result.kind = response.kind;
  if (response.kind > 3) result.faults.push_back("kind code " + std::to_string(response.kind));
  if (response.additional_text != nullptr) result.additional_text = std::string(response.additional_text);
  std::string value_error;
  std::vector<std::string> warnings;
  if (!ReadCoreValue(response.value, &result.value, &value_error, &warnings)) {
    result.faults.push_back("bad value: " + value_error);
  }
  for (std::string& warning : warnings) result.faults.push_back(std::move(warning));
  ReadHeaders(response, &result);

  if (response.stream != nullptr) {
    ReadStream(response, &result, yield_pass);
    if (response.stream_release != nullptr) {
      response.stream_release(response.stream);
    } else {
      result.faults.push_back("stream without a release operation");
    }
  } else if (response.stream_read != nullptr) {
    result.faults.push_back("stream read operation without a stream");
  }

  if (response.record_release != nullptr) {
    response.record_release(&response);
  } else if (HoldsAllocations(response)) {
    result.faults.push_back("response holds allocations but has no release operation");
  }
  return result;
}

}  // namespace tav::host
