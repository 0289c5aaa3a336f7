#include "plugin/request_dispatch.h"

#include <chrono>
#include <cstring>
#include <string>
#include <unordered_map>

#include "binding/fnv1a.h"
#include "log/logger.h"
#include "plugin/app_module.h"
#include "plugin/argument_binding.h"
#include "plugin/request_context.h"
#include "plugin/request_method.h"
#include "plugin/response_writing.h"

namespace tav {

namespace {

constexpr const char kInvalidFunction[] = "Invalid function";
constexpr const char kInternalServerError[] = "Internal server error";

uint64_t MonotonicTicks() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

size_t TotalLength(const std::vector<std::string_view>& captures) {
  size_t total = 0;
  for (std::string_view capture : captures) total += capture.size();
  return total;
}

bool MethodMatches(const EndpointRoute& route, uint32_t method, std::string_view method_name) {
  if (route.method == RequestMethod::kNone) return true;
  if (static_cast<uint32_t>(route.method) != method) return false;
  return route.method != RequestMethod::kNamed || route.method_name == method_name;
}

// The faults of a record the core built badly, or null when it is sound.
const char* MalformedRequest(const RequestRecord& request) {
  if (request.url == nullptr) return "Malformed request: no URL";
  if (request.method == TAV_METHOD_NAMED && request.method_name == nullptr) {
    return "Malformed request: no method name";
  }
  if (request.argument_count != 0 && request.arguments == nullptr) {
    return "Malformed request: no argument array";
  }
  if (request.header_count != 0 && request.headers == nullptr) {
    return "Malformed request: no header array";
  }
  for (uint32_t i = 0; i < request.header_count; ++i) {
    if (request.headers[i].name == nullptr || request.headers[i].value == nullptr) {
      return "Malformed request: a header without a name or value";
    }
  }
  if (request.body_size != 0 && request.body == nullptr) return "Malformed request: no body";
  return nullptr;
}

using HeaderMap = std::unordered_map<std::string, std::string, Fnv1aHash>;

// The bytes of the URL and headers, where named values come from.
size_t NamedValueBytes(const RequestRecord& request) {
  size_t size = std::strlen(request.url);
  for (uint32_t i = 0; i < request.header_count; ++i) {
    size += std::strlen(request.headers[i].name) + std::strlen(request.headers[i].value);
  }
  return size;
}

HeaderMap ReadHeaders(const RequestRecord& request) {
  HeaderMap headers(8);
  for (uint32_t i = 0; i < request.header_count; ++i) {
    headers[request.headers[i].name] = request.headers[i].value;
  }
  return headers;
}

MaybeType<Failure, Empty> BindRequest(ArgumentBinder& binder, const EndpointRoute& route,
                                      const RequestRecord& request, const HeaderMap& headers,
                                      const std::vector<std::string_view>& captures,
                                      std::string_view query) {
  for (const auto& [name, value] : headers) {
    const std::string_view base = std::string_view(name).substr(0, name.find('.'));
    bool is_parameter = false;
    for (const EndpointParameter& parameter : route.parameters) is_parameter |= parameter.name == base;
    if (!is_parameter) continue;
    MaybeType<Failure, Empty> bound = binder.BindNamedValue(name, value, ParameterLocation::kHeader);
    if (!bound.ok()) return bound;
  }
  const std::vector<std::string>& names = route.placeholder_names;
  for (size_t i = 0; i < captures.size() && i < names.size(); ++i) {
    MaybeType<Failure, Empty> bound = binder.BindNamedValue(
        names[i], PercentDecode(captures[i], /*plus_as_space=*/false), ParameterLocation::kPath);
    if (!bound.ok()) return bound;
  }
  MaybeType<Failure, Empty> bound = binder.BindQuery(query);
  if (!bound.ok()) return bound;
  for (uint32_t i = 0; i < request.argument_count; ++i) {
    bound = binder.BindArgument(request.arguments[i], i);
    if (!bound.ok()) return bound;
  }
  if (request.body != nullptr && request.body_size != 0) {
    bound = binder.BindBody(request.body, request.body_size,
                            request.content_type != nullptr ? request.content_type : "");
    if (!bound.ok()) return bound;
  }
  return Empty{};
}

void Dispatch(ResponseRecord* response, const RequestRecord* request) {
  if (request == nullptr) return WriteError(response, "Malformed request: no request", 400);
  if (const char* fault = MalformedRequest(*request)) return WriteError(response, fault, 400);
  const uint64_t arrival = MonotonicTicks();

  EndpointFunction* function = EndpointFunction::FromDispatchContext(request->dispatch_context);
  if (function == nullptr) return WriteError(response, kInvalidFunction, 404);

  const std::string_view url = request->url;
  const size_t question = url.find('?');
  const std::string_view path = url.substr(0, question);
  const std::string_view query =
      question == std::string_view::npos ? std::string_view() : url.substr(question + 1);
  const std::string_view method_name = request->method == TAV_METHOD_NAMED
                                           ? std::string_view(request->method_name)
                                           : std::string_view(RequestMethodName(request->method));

  std::vector<std::string_view> captures;
  const EndpointRoute* route =
      SelectRoute(*function, request->method, method_name, path, &captures);
  if (route == nullptr) return WriteError(response, kInvalidFunction, 404);

  const HeaderMap headers = ReadHeaders(*request);
  ArgumentBinder binder(function->name(), route->parameters, NamedValueBytes(*request));
  MaybeType<Failure, Empty> bound = BindRequest(binder, *route, *request, headers, captures, query);
  if (!bound.ok()) return WriteFailure(response, bound.failure());

  RequestContext context;
  context.host_context = request->host_context;
  context.arrival_ticks = arrival;
  context.url = url;
  context.method_name = method_name;
  context.headers = &headers;
  AppModule& module = function->module();
  MaybeType<Failure, BindingProperty> result =
      route->invoker->Invoke(module, context, binder.values());
  if (!result.ok()) return WriteFailure(response, result.failure());
  WriteValue(response, result.value(), module.registry());
}

// After a throw the record may hold part of an answer: free it and answer
// 500 without allocating, as the throw may have been a failed allocation.
void AnswerInternalError(ResponseRecord* response) {
  ReleaseResponseRecord(response);
  if (response->stream != nullptr && response->stream_release != nullptr) {
    response->stream_release(response->stream);
  }
  StartResponse(response);
  response->error = kInternalServerError;
  response->error_owned = 0;
  response->status = 500;
}

}  // namespace

const EndpointRoute* SelectRoute(const EndpointFunction& function, uint32_t method,
                                 std::string_view method_name, std::string_view path,
                                 std::vector<std::string_view>* captures) {
  const EndpointRoute* best = nullptr;
  size_t best_length = 0;
  std::vector<std::string_view> candidate;
  for (const std::unique_ptr<EndpointRoute>& route : function.routes()) {
    if (!MethodMatches(*route, method, method_name)) continue;
    candidate.clear();
    if (!route->route.Match(path, &candidate)) continue;
    const size_t length = TotalLength(candidate);
    if (best != nullptr && length >= best_length) continue;
    best = route.get();
    best_length = length;
    captures->swap(candidate);
  }
  return best;
}

void DispatchRequest(ResponseRecord* response, const RequestRecord* request) {
  if (response == nullptr) return;
  StartResponse(response);
  try {
    Dispatch(response, request);
  } catch (const std::exception& exception) {
    AnswerInternalError(response);
    LogError("Exception while dispatching %s: %s",
             request != nullptr && request->url != nullptr ? request->url : "a request",
             exception.what());
  } catch (...) {
    AnswerInternalError(response);
    LogError("Exception while dispatching %s",
             request != nullptr && request->url != nullptr ? request->url : "a request");
  }
}

}  // namespace tav
