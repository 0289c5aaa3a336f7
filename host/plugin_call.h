// A call of one of the plugin's functions through the dispatch entry of its
// FunctionRecord: the request record the host builds, and everything it
// reads back from the response (which it then releases with the plugin's own
// release operations).
//
//   CallOptions options;
//   options.Arg("id", "12").Header("Accept", "application/json");
//   CallResult result = InvokeFunction(*record, TAV_METHOD_GET, "/tav-perks/v1/pages/12", options, ctx, yield);
//   if (result.ok()) puts(result.ValueJson().c_str());
#ifndef TAV_HOST_PLUGIN_CALL_H_
#define TAV_HOST_PLUGIN_CALL_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <rapidjson/document.h>

#include "core_value_json.h"
#include "tav/plugin_abi.h"

namespace tav::host {

struct CallArgument {
  std::optional<std::string> name;  // empty: positional
  rapidjson::Document value;
};

struct CallOptions {
  std::vector<CallArgument> arguments;
  std::vector<std::pair<std::string, std::string>> headers;
  std::optional<std::string> body;
  std::string content_type;
  std::string method_name;  // for TAV_METHOD_NAMED
  TextMode text_mode = TextMode::kOwned;

  // A named argument whose value is the JSON text `json` ("12", "\"x\"", "[1,2]").
  CallOptions& Arg(std::string name, std::string_view json) &;
  // A named argument holding the text as a string value.
  CallOptions& ArgText(std::string name, std::string_view text) &;
  CallOptions& Positional(std::string_view json) &;
  CallOptions& Header(std::string name, std::string value) &;
  CallOptions& Body(std::string bytes, std::string type) &;
  // Spell texts with the borrowed kinds (see TextMode).
  CallOptions& Borrowed() &;

  // The same on a temporary, so that CallOptions().Arg(...).Header(...) can
  // be passed on by value.
  CallOptions&& Arg(std::string name, std::string_view json) && { return std::move(Arg(std::move(name), json)); }
  CallOptions&& ArgText(std::string name, std::string_view text) && { return std::move(ArgText(std::move(name), text)); }
  CallOptions&& Positional(std::string_view json) && { return std::move(Positional(json)); }
  CallOptions&& Header(std::string name, std::string value) && {
    return std::move(Header(std::move(name), std::move(value)));
  }
  CallOptions&& Body(std::string bytes, std::string type) && { return std::move(Body(std::move(bytes), std::move(type))); }
  CallOptions&& Borrowed() && { return std::move(Borrowed()); }
};

struct CallResult {
  bool routed = false;       // a function was found for the method and URL
  std::string function_name;
  uint32_t status = 0;
  std::optional<std::string> error;  // the response's error text
  rapidjson::Document value;
  std::vector<std::pair<std::string, std::string>> headers;
  uint8_t flag = 0;
  uint32_t kind = 0;
  std::optional<std::string> additional_text;
  bool streamed = false;
  uint64_t stream_size = 0;  // as announced
  std::string body;          // the streamed body, read to its end
  uint32_t stream_reads = 0;
  // What the plugin got wrong in this answer (null texts, bad kinds, a
  // missing release operation, a stream that failed or stalled, ...).
  std::vector<std::string> faults;

  bool ok() const { return !error.has_value(); }
  std::string ValueJson() const;
  // "200", "404 Invalid function": for test failure messages.
  std::string Summary() const;
};

// Builds the request record (host-owned, freed after the call), calls the
// record's dispatch entry and reads the response. A streamed body is read in
// reads of 4096 bytes; a read that gives nothing but says more will follow
// runs `yield_pass` first (at most 10000 times in a row, then the stream
// counts as stalled). The stream and the record are released with the
// plugin's operations.
CallResult InvokeFunction(const FunctionRecord& record, uint32_t method, std::string_view url,
                          const CallOptions& options, HostContext host_context,
                          const std::function<void()>& yield_pass);

}  // namespace tav::host

#endif  // TAV_HOST_PLUGIN_CALL_H_
