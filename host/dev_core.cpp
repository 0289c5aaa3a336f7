#include "dev_core.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <utility>

#include "host_response.h"
#include "json_text.h"
#include "request_method.h"

namespace tav::host {

namespace {

constexpr uint32_t kMaxArguments = 100000;
constexpr const char* kTelemetryPattern = "/telemetry/v1/events/{table}";

std::string Hex(uintptr_t word) {
  char text[32];
  std::snprintf(text, sizeof(text), "0x%" PRIxPTR, word);
  return text;
}

std::string_view PathOf(std::string_view url) { return url.substr(0, url.find('?')); }

std::shared_ptr<rapidjson::Document> SharedCopy(const rapidjson::Value& value) {
  auto copy = std::make_shared<rapidjson::Document>();
  copy->CopyFrom(value, copy->GetAllocator());
  return copy;
}

}  // namespace

// --- Construction ------------------------------------------------------------

DevCore::DevCore()
    : core_thread_(std::this_thread::get_id()),
      store_([this](const std::string& path, ResourceEventType type, const rapidjson::Value* data) {
        EmitResourceEvent(path, type, data);
      }),
      service_proxy_([this](const char* name, rapidjson::Document payload, uint32_t delay_passes) {
        DeliverServiceProxyEvent(name, std::move(payload), delay_passes);
      }) {
  std::memset(&bridge_, 0, sizeof(bridge_));
  bridge_.table.Request = &OpRequest;
  bridge_.table.Reserved1 = &OpReserved1;
  bridge_.table.SendEvent = &OpSendEvent;
  bridge_.table.RegisterEventHandler = &OpRegisterEventHandler;
  bridge_.table.UnregisterEventHandler = &OpUnregisterEventHandler;
  bridge_.table.Reserved5 = &OpReserved5;
  bridge_.table.Yield = &OpYield;
  bridge_.table.BeginWait = &OpBeginWait;
  bridge_.table.EndWait = &OpEndWait;
  bridge_.table.Log = &OpLog;
  bridge_.owner = this;

  peers_.Add(TAV_METHOD_POST, kServiceProxyUuidPath,
             [this](const PeerRequest& request) { return service_proxy_.HandleUuidRequest(request); });
  peers_.Add(TAV_METHOD_POST, kServiceProxyMethodPath,
             [this](const PeerRequest& request) { return service_proxy_.HandleMethodRequest(request); });
  peers_.Add(TAV_METHOD_POST, kTelemetryPattern, [this](const PeerRequest& request) { return RecordTelemetry(request); });
}

DevCore::~DevCore() { Shutdown(); }

// --- The plugin's life -------------------------------------------------------

bool DevCore::Load(const std::string& path, uint32_t major, uint32_t minor, uint32_t patch) {
  load_error_.clear();
  if (!library_.Open(path, &load_error_)) return false;
  if (!library_.Load(major, minor, patch, &load_error_)) return false;
  for (const std::string& fault : library_.api().faults) Fault("API description: " + fault);
  BuildRoutes();
  return true;
}

bool DevCore::Initialize(HostContext host_context) {
  if (!plugin_alive()) return false;
  host_context_ = host_context;
  init_args_.core = &bridge_.table;
  init_args_.host_context = host_context;
  return library_.entry()->Initialize(library_.module(), &init_args_) != 0;
}

void DevCore::Shutdown() {
  if (!plugin_alive()) return;
  library_.Shutdown();
  for (const Registration& registration : registrations_) {
    Fault("registration of " + registration.name + " still present after Shutdown");
  }
  registrations_.clear();
  for (const OpenWait& wait : waits_) Fault("wait \"" + wait.label + "\" still open at Shutdown");
  waits_.clear();
}

MemoryStatistics DevCore::GetMemoryStatistics() const {
  MemoryStatistics statistics;
  std::memset(&statistics, 0, sizeof(statistics));
  if (plugin_alive()) library_.entry()->GetMemoryStatistics(library_.module(), &statistics);
  return statistics;
}

void DevCore::BuildRoutes() {
  routes_.clear();
  for (const ApiFunction& function : library_.api().functions) {
    if (function.route_template.empty()) continue;
    routes_.push_back({function.record, PathPattern(function.route_template), function.route_method, function.name});
  }
}

const DevCore::Route* DevCore::FindRoute(uint32_t method, std::string_view path) const {
  const Route* best = nullptr;
  size_t best_chars = 0;
  for (const Route& route : routes_) {
    if (route.method != 0 && route.method != method) continue;
    PathMatch match;
    if (!route.pattern.Match(path, &match)) continue;
    // Ties keep the earlier route.
    if (best == nullptr || match.captured_chars < best_chars) {
      best = &route;
      best_chars = match.captured_chars;
    }
  }
  return best;
}

// --- Calls into the plugin -----------------------------------------------------

CallResult DevCore::Call(uint32_t method, std::string_view url, CallOptions options) {
  CallResult result;
  if (!plugin_alive()) {
    result.status = 503;
    result.error = "Plugin not loaded";
    return result;
  }
  const Route* route = FindRoute(method, PathOf(url));
  if (route == nullptr) {
    result.status = 404;
    result.error = "Invalid function";
    return result;
  }
  result = InvokeFunction(*route->record, method, url, options, host_context_, [this] { Pump(); });
  result.function_name = route->name;
  for (const std::string& fault : result.faults) {
    Fault(std::string("answer of ") + route->name + " to " + RequestMethodName(method) + " " + std::string(url) +
          ": " + fault);
  }
  return result;
}

std::future<CallResult> DevCore::PostCall(uint32_t method, std::string url, CallOptions options) {
  auto promise = std::make_shared<std::promise<CallResult>>();
  auto shared_options = std::make_shared<CallOptions>(std::move(options));
  std::future<CallResult> future = promise->get_future();
  queue_.Post([this, promise, shared_options, method, url = std::move(url)] {
    promise->set_value(Call(method, url, std::move(*shared_options)));
  });
  return future;
}

// --- Events to the plugin --------------------------------------------------------

void DevCore::DeliverEvent(std::string_view name, const rapidjson::Value& payload, uint32_t flag) {
  auto copy = SharedCopy(payload);
  queue_.Post([this, name = std::string(name), copy, flag] { DeliverEventNow(name, *copy, flag); });
}

void DevCore::DeliverEventNow(std::string_view name, const rapidjson::Value& payload, uint32_t flag) {
  if (!plugin_alive()) return;
  // A callback may register or unregister handlers: walk a snapshot and
  // skip any registration that has gone meanwhile.
  std::vector<Registration> targets;
  for (const Registration& registration : registrations_) {
    if (registration.name == name) targets.push_back(registration);
  }
  for (const Registration& target : targets) {
    bool still_registered = false;
    for (const Registration& registration : registrations_) {
      still_registered |= registration.name == target.name && registration.host_context == target.host_context &&
                          registration.callback == target.callback && registration.context == target.context;
    }
    if (!still_registered || !plugin_alive()) continue;
    if (recording_) {
      DeliveredEvent& delivered = delivered_events_.emplace_back();
      delivered.name = std::string(name);
      delivered.payload.CopyFrom(payload, delivered.payload.GetAllocator());
      delivered.flag = flag;
      delivered.context = target.context;
    }

    HostValueArena arena(event_text_mode_);
    CoreEvent event;
    std::memset(&event, 0, sizeof(event));
    event.name = arena.Text(name);
    event.payload = arena.Build(payload);
    event.flag = flag;
    event.context = target.context;
    target.callback(&event);
  }
}

void DevCore::EmitResourceEvent(std::string_view path, ResourceEventType type, const rapidjson::Value* data) {
  rapidjson::Document payload = ResourceEventPayload(path, type, data);
  std::string name = ResourceEventName(path);
  DeliverEvent(name, payload, 0);
  if (name != kJsonApiEventName) DeliverEvent(kJsonApiEventName, payload, 0);
}

void DevCore::DeliverServiceProxyEvent(const char* name, rapidjson::Document payload, uint32_t delay_passes) {
  if (delay_passes == 0) {
    DeliverEventNow(name, payload, 0);
    return;
  }
  auto shared = std::make_shared<rapidjson::Document>(std::move(payload));
  queue_.PostAfterPasses(delay_passes, [this, name = std::string(name), shared] { DeliverEventNow(name, *shared, 0); });
}

// --- Peers -----------------------------------------------------------------------

int DevCore::AddPeer(uint32_t method, std::string_view pattern, PeerHandler handler) {
  return peers_.Add(method, pattern, std::move(handler));
}

int DevCore::AddPeerValue(uint32_t method, std::string_view pattern, std::string_view json) {
  auto value = std::make_shared<rapidjson::Document>(JsonValue(json));
  return peers_.Add(method, pattern, [value](const PeerRequest&) { return PeerResponse::Ok(*value); });
}

int DevCore::AddPeerError(uint32_t method, std::string_view pattern, uint32_t status, std::string text) {
  return peers_.Add(method, pattern, [status, text](const PeerRequest&) { return PeerResponse::Error(status, text); });
}

int DevCore::AddPeerStream(uint32_t method, std::string_view pattern, StreamPlan plan) {
  return peers_.Add(method, pattern, [plan](const PeerRequest&) { return PeerResponse::Streamed(plan); });
}

void DevCore::SetResource(std::string_view path, std::string_view json) { store_.Set(path, JsonValue(json)); }

PeerResponse DevCore::RecordTelemetry(const PeerRequest& request) {
  TelemetryPost post;
  const std::string* table = request.Capture("table");
  post.table = table ? *table : "";
  size_t position = 0;
  for (const RequestArgument& argument : request.arguments) {
    std::string text = argument.value.IsString()
                           ? std::string(argument.value.GetString(), argument.value.GetStringLength())
                           : JsonText(argument.value);
    post.fields[argument.name ? *argument.name : "#" + std::to_string(position++)] = std::move(text);
  }
  if (recording_) telemetry_.push_back(std::move(post));
  return PeerResponse::Ok();
}

// --- Records ---------------------------------------------------------------------

std::vector<const SentEvent*> DevCore::SentEventsNamed(std::string_view name) const {
  std::vector<const SentEvent*> found;
  for (const SentEvent& event : sent_events_) {
    if (event.name == name) found.push_back(&event);
  }
  return found;
}

std::vector<std::string> DevCore::SentEventNames() const {
  std::vector<std::string> names;
  for (const SentEvent& event : sent_events_) names.push_back(event.name);
  return names;
}

bool DevCore::IsRegistered(std::string_view name) const {
  for (const Registration& registration : registrations_) {
    if (registration.name == name) return true;
  }
  return false;
}

std::vector<const RecordedRequest*> DevCore::RequestsTo(uint32_t method, std::string_view path) const {
  std::vector<const RecordedRequest*> found;
  for (const RecordedRequest& record : requests_) {
    if ((method == 0 || record.request.method == method) && record.request.path == path) found.push_back(&record);
  }
  return found;
}

void DevCore::SetRecording(bool on) {
  recording_ = on;
  service_proxy_.SetRecording(on);
}

void DevCore::ClearRecords() {
  sent_events_.clear();
  delivered_events_.clear();
  registration_calls_.clear();
  requests_.clear();
  wait_labels_.clear();
  yield_count_ = 0;
  end_wait_count_ = 0;
  log_.clear();
  telemetry_.clear();
  faults_.clear();
}

void DevCore::AddSentEventListener(std::function<void(const SentEvent&)> listener) {
  sent_event_listeners_.push_back(std::move(listener));
}

void DevCore::AddLogListener(std::function<void(const LogLine&)> listener) {
  log_listeners_.push_back(std::move(listener));
}

void DevCore::AddFaultListener(std::function<void(const std::string&)> listener) {
  fault_listeners_.push_back(std::move(listener));
}

size_t DevCore::record_count() const {
  return sent_events_.size() + delivered_events_.size() + registration_calls_.size() + requests_.size() +
         wait_labels_.size() + log_.size() + telemetry_.size() + faults_.size();
}

void DevCore::Fault(std::string text) {
  if (echo_faults_) std::fprintf(stderr, "devcore fault: %s\n", text.c_str());
  for (const auto& listener : fault_listeners_) listener(text);
  if (recording_) faults_.push_back(std::move(text));
}

void DevCore::CheckThread(const char* operation) {
  if (std::this_thread::get_id() != core_thread_) Fault(std::string(operation) + " called off the core thread");
}

void DevCore::CheckHostContext(const char* operation, HostContext host_context) {
  if (host_context != host_context_) {
    Fault(std::string(operation) + " with host context " + Hex(host_context) + " instead of " + Hex(host_context_));
  }
}

// --- The core's operations ----------------------------------------------------------
//
// The plugin calls these through C function pointers: nothing may throw out
// of them, and nothing the plugin passes is trusted.

DevCore* DevCore::From(CoreInterface* self, const char* operation) {
  if (self == nullptr) {
    std::fprintf(stderr, "devcore: %s called with a null core table\n", operation);
    return nullptr;
  }
  return reinterpret_cast<Bridge*>(self)->owner;
}

#define TAV_HOST_GUARDED(core, operation, body)                                              \
  do {                                                                                      \
    try {                                                                                   \
      core->CheckThread(operation);                                                         \
      body;                                                                                 \
    } catch (const std::exception& exception) {                                             \
      core->Fault(std::string(operation) + " failed in the host: " + exception.what());     \
    } catch (...) {                                                                         \
      core->Fault(std::string(operation) + " failed in the host");                          \
    }                                                                                       \
  } while (0)

void DevCore::OpRequest(CoreInterface* self, ResponseRecord* response, const RequestRecord* request) {
  DevCore* core = From(self, "Request");
  if (core == nullptr) return;
  TAV_HOST_GUARDED(core, "Request", core->OnRequest(response, request));
}

void DevCore::OpReserved1(CoreInterface* self, uintptr_t, uintptr_t) {
  if (DevCore* core = From(self, "operation 1")) core->Fault("reserved operation 1 called");
}

void DevCore::OpSendEvent(CoreInterface* self, const CoreEvent* event) {
  DevCore* core = From(self, "SendEvent");
  if (core == nullptr) return;
  TAV_HOST_GUARDED(core, "SendEvent", core->OnSendEvent(event));
}

void DevCore::OpRegisterEventHandler(CoreInterface* self, const char* name, HostContext host_context,
                                     EventCallbackFn callback, void* context, uint8_t flag) {
  DevCore* core = From(self, "RegisterEventHandler");
  if (core == nullptr) return;
  TAV_HOST_GUARDED(core, "RegisterEventHandler", core->OnRegister(name, host_context, callback, context, flag));
}

void DevCore::OpUnregisterEventHandler(CoreInterface* self, const char* name, HostContext host_context) {
  DevCore* core = From(self, "UnregisterEventHandler");
  if (core == nullptr) return;
  TAV_HOST_GUARDED(core, "UnregisterEventHandler", core->OnUnregister(name, host_context));
}

void DevCore::OpReserved5(CoreInterface* self, uintptr_t, uintptr_t, uintptr_t, uint64_t, uintptr_t) {
  if (DevCore* core = From(self, "operation 5")) core->Fault("reserved operation 5 called");
}

void DevCore::OpYield(CoreInterface* self) {
  DevCore* core = From(self, "Yield");
  if (core == nullptr) return;
  TAV_HOST_GUARDED(core, "Yield", core->OnYield());
}

void DevCore::OpBeginWait(CoreInterface* self, const char* label, uintptr_t word) {
  DevCore* core = From(self, "BeginWait");
  if (core == nullptr) return;
  TAV_HOST_GUARDED(core, "BeginWait", core->OnBeginWait(label, word));
}

uint64_t DevCore::OpEndWait(CoreInterface* self) {
  DevCore* core = From(self, "EndWait");
  if (core == nullptr) return 0;
  uint64_t result = 0;
  TAV_HOST_GUARDED(core, "EndWait", result = core->OnEndWait());
  return result;
}

void DevCore::OpLog(CoreInterface* self, int32_t level, const char* text) {
  DevCore* core = From(self, "Log");
  if (core == nullptr) return;
  TAV_HOST_GUARDED(core, "Log", core->OnLog(level, text));
}

#undef TAV_HOST_GUARDED

void DevCore::OnRequest(ResponseRecord* response, const RequestRecord* request) {
  if (response == nullptr) {
    Fault("Request without a response record");
    return;
  }
  RecordedRequest unrecorded;
  RecordedRequest& record = recording_ ? requests_.emplace_back() : unrecorded;
  std::optional<PeerResponse> refusal = ReadPluginRequest(request, &record.request);
  PeerResponse answer;
  if (refusal) {
    answer = std::move(*refusal);
  } else {
    // A peer that throws must still answer, or the plugin would read a
    // record nobody filled.
    try {
      answer = RoutePeerRequest(record);
    } catch (const std::exception& exception) {
      Fault("peer for " + record.request.url + " threw: " + exception.what());
      answer = PeerResponse::Error(500, std::string("Peer failed: ") + exception.what());
    } catch (...) {
      Fault("peer for " + record.request.url + " threw");
      answer = PeerResponse::Error(500, "Peer failed");
    }
  }
  record.status = answer.status;
  record.error = answer.error;
  record.streamed = answer.stream.has_value();
  FillHostResponse(response, answer, stream_stats_);
}

std::optional<PeerResponse> DevCore::ReadPluginRequest(const RequestRecord* request, PeerRequest* out) {
  if (request == nullptr) {
    Fault("Request without a request record");
    return PeerResponse::Error(400, "Bad request: no request record");
  }
  out->method = request->method;
  if (request->url == nullptr) {
    Fault("Request without a URL");
    return PeerResponse::Error(400, "Bad request: no URL");
  }
  out->url = request->url;
  out->path = std::string(PathOf(out->url));
  size_t question = out->url.find('?');
  if (question != std::string::npos) out->query = out->url.substr(question + 1);
  out->host_context = request->host_context;
  std::string where = "Request " + out->url;
  if (request->method == TAV_METHOD_NAMED) {
    if (request->method_name == nullptr) {
      Fault(where + ": named method without a name");
      return PeerResponse::Error(400, "Bad request: no method name");
    }
    out->method_name = request->method_name;
  } else {
    out->method_name = RequestMethodName(request->method);
    if (out->method_name.empty()) {
      Fault(where + ": unknown method code " + std::to_string(request->method));
      return PeerResponse::Error(400, "Bad request: unknown method");
    }
  }
  CheckHostContext("Request", request->host_context);
  if (request->dispatch_context != nullptr) Fault(where + ": dispatch context set in a request to the core");

  if (request->argument_count > kMaxArguments) {
    Fault(where + ": implausible argument count " + std::to_string(request->argument_count));
    return PeerResponse::Error(400, "Bad request: too many arguments");
  }
  if (request->argument_count > 0 && request->arguments == nullptr) {
    Fault(where + ": null argument array of " + std::to_string(request->argument_count));
    return PeerResponse::Error(400, "Bad request: no argument array");
  }
  for (uint32_t i = 0; i < request->argument_count; ++i) {
    const CoreArgument& argument = request->arguments[i];
    RequestArgument& copy = out->arguments.emplace_back();
    if (argument.name != nullptr) copy.name = std::string(argument.name);
    std::string error;
    std::vector<std::string> warnings;
    std::string name = "argument " + std::to_string(i);
    bool ok = ReadCoreValue(argument.value, &copy.value, &error, &warnings, name);
    for (const std::string& warning : warnings) Fault(where + ": " + warning);
    if (!ok) {
      Fault(where + ": " + error);
      return PeerResponse::Error(400, "Bad request: " + error);
    }
  }
  return std::nullopt;
}

PeerResponse DevCore::AnswerPeerRequest(PeerRequest request) {
  RecordedRequest record;
  record.request = std::move(request);
  try {
    return RoutePeerRequest(record);
  } catch (const std::exception& exception) {
    return PeerResponse::Error(500, std::string("Peer failed: ") + exception.what());
  } catch (...) {
    return PeerResponse::Error(500, "Peer failed");
  }
}

PeerResponse DevCore::RoutePeerRequest(RecordedRequest& record) {
  PeerRequest& request = record.request;
  std::optional<PeerRegistry::Found> found = peers_.Find(request.method, request.path);
  if (found) {
    record.handled_by = found->pattern;
    request.match = std::move(found->match);
    return found->handler(request);
  }
  if (unrouted_to_store_) {
    record.handled_by = "resource store";
    return store_.Handle(request);
  }
  return PeerResponse::Error(404, "No peer for " + request.method_name + " " + request.path);
}

void DevCore::OnSendEvent(const CoreEvent* event) {
  if (event == nullptr) {
    Fault("SendEvent without an event");
    return;
  }
  if (event->name == nullptr) {
    Fault("SendEvent without a name");
    return;
  }
  std::string name = event->name;
  if (event->context != nullptr) Fault("SendEvent " + name + " with a context word");
  SentEvent sent;
  sent.name = name;
  sent.flag = event->flag;
  std::string error;
  std::vector<std::string> warnings;
  bool ok = ReadCoreValue(event->payload, &sent.payload, &error, &warnings, "payload");
  for (const std::string& warning : warnings) Fault("SendEvent " + name + ": " + warning);
  if (!ok) {
    Fault("SendEvent " + name + ": " + error);
    return;
  }
  DeliverEvent(name, sent.payload, sent.flag);
  const SentEvent& kept = recording_ ? sent_events_.emplace_back(std::move(sent)) : sent;
  for (const auto& listener : sent_event_listeners_) listener(kept);
}

void DevCore::OnRegister(const char* name, HostContext host_context, EventCallbackFn callback, void* context,
                         uint8_t flag) {
  if (name == nullptr) {
    Fault("RegisterEventHandler without a name");
    return;
  }
  if (recording_) registration_calls_.push_back({true, name, host_context, flag});
  CheckHostContext("RegisterEventHandler", host_context);
  if (callback == nullptr) {
    Fault(std::string("RegisterEventHandler ") + name + " without a callback");
    return;
  }
  // One registration per name and host context: a second one replaces the
  // first, as UnregisterEventHandler removes by that pair.
  for (Registration& registration : registrations_) {
    if (registration.name == name && registration.host_context == host_context) {
      registration = {name, host_context, callback, context, flag};
      return;
    }
  }
  registrations_.push_back({name, host_context, callback, context, flag});
}

void DevCore::OnUnregister(const char* name, HostContext host_context) {
  if (name == nullptr) {
    Fault("UnregisterEventHandler without a name");
    return;
  }
  if (recording_) registration_calls_.push_back({false, name, host_context, 0});
  CheckHostContext("UnregisterEventHandler", host_context);
  size_t before = registrations_.size();
  std::vector<Registration> kept;
  for (Registration& registration : registrations_) {
    if (registration.name == name && registration.host_context == host_context) continue;
    kept.push_back(std::move(registration));
  }
  registrations_ = std::move(kept);
  if (registrations_.size() == before) Fault(std::string("UnregisterEventHandler ") + name + " without a registration");
}

void DevCore::OnYield() {
  ++yield_count_;
  if (waits_.empty()) {
    Fault("Yield outside a wait");
  } else {
    OpenWait& wait = waits_.back();
    if (++wait.yields > wait_yield_limit_ && wait_yield_limit_ != 0) {
      std::fprintf(stderr, "devcore: the wait \"%s\" did not end after %" PRIu64 " yields\n", wait.label.c_str(),
                   wait_yield_limit_);
      std::abort();
    }
  }
  if (yield_idle_wait_.count() > 0 && queue_.idle()) queue_.WaitForWork(yield_idle_wait_);
  queue_.RunOnePass();
}

void DevCore::OnBeginWait(const char* label, uintptr_t word) {
  std::string text;
  if (label == nullptr) {
    Fault("BeginWait without a label");
  } else {
    text = label;
  }
  if (word != 0) Fault("BeginWait \"" + text + "\" with word " + Hex(word));
  if (recording_) wait_labels_.push_back(text);
  waits_.push_back({std::move(text), 0});
}

uint64_t DevCore::OnEndWait() {
  if (waits_.empty()) {
    Fault("EndWait without BeginWait");
    return 0;
  }
  ++end_wait_count_;
  uint64_t yields = waits_.back().yields;
  waits_.pop_back();
  return yields;
}

void DevCore::OnLog(int32_t level, const char* text) {
  if (text == nullptr) {
    Fault("Log without a text");
    return;
  }
  if (echo_log_) std::fprintf(stderr, "[%d] %s\n", level, text);
  LogLine line{level, text};
  for (const auto& listener : log_listeners_) listener(line);
  if (recording_) log_.push_back(std::move(line));
}

}  // namespace tav::host
