#include "main/request_gateway.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "json_text.h"
#include "openapi_document.h"
#include "request_method.h"

namespace tav::host {

namespace {

constexpr size_t kKeptFaults = 20;

std::string Lower(std::string_view text) {
  std::string lower;
  for (char c : text) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return lower;
}

// Headers that describe the transfer rather than the answer: the HTTP
// server writes its own (the content type goes in its own field).
bool IsTransferHeader(const std::string& name) {
  const std::string lower = Lower(name);
  return lower == "content-length" || lower == "transfer-encoding" || lower == "connection" ||
         lower == "content-type";
}

// "/tav-perks/v1/pages/{id}" -> "/tav-perks/v1"; "" when the template has
// fewer than two literal segments.
std::string ApiRoot(const std::string& route_template) {
  if (route_template.empty() || route_template[0] != '/') return "";
  size_t second = route_template.find('/', 1);
  if (second == std::string::npos) return "";
  size_t third = route_template.find('/', second + 1);
  std::string root = route_template.substr(0, third);
  if (root.find('{') != std::string::npos || root.find('*') != std::string::npos) return "";
  return root;
}

// A fault may quote whatever the plugin sent: the status keeps its start,
// cut before a whole UTF-8 character, and "..." to show the cut.
std::string Shortened(const std::string& text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t cut = max_bytes - 3;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "...";
}

rapidjson::Value Text(std::string_view text, rapidjson::Document::AllocatorType& allocator) {
  return rapidjson::Value(text.data(), static_cast<rapidjson::SizeType>(text.size()), allocator);
}

// The plugin's own count of its heap, as its entry point reports it.
rapidjson::Value MemoryDescription(const MemoryStatistics& statistics,
                                   rapidjson::Document::AllocatorType& allocator) {
  rapidjson::Value memory(rapidjson::kObjectType);
  memory.AddMember("bytesInUse", statistics.total_bytes_allocated - statistics.total_bytes_freed, allocator);
  memory.AddMember("allocationsInUse", statistics.allocation_count - statistics.free_count, allocator);
  memory.AddMember("peakBytes", statistics.peak_bytes, allocator);
  memory.AddMember("allocationsAtPeak", statistics.allocations_at_peak, allocator);
  memory.AddMember("totalBytesAllocated", statistics.total_bytes_allocated, allocator);
  memory.AddMember("allocationCount", statistics.allocation_count, allocator);
  memory.AddMember("totalBytesFreed", statistics.total_bytes_freed, allocator);
  memory.AddMember("freeCount", statistics.free_count, allocator);
  return memory;
}

}  // namespace

HttpAnswer PluginAnswer(const CallResult& result) {
  HttpAnswer answer;
  if (result.error) {
    int status = static_cast<int>(result.status);
    if (status == 0) {
      status = 400;
    } else if (status < 400 || status > 599) {
      status = 500;
    }
    answer = ErrorAnswer(status, *result.error);
  } else if (result.streamed) {
    answer.status = result.status >= 100 && result.status <= 599 ? static_cast<int>(result.status) : 200;
    answer.body = result.body;
    for (const auto& header : result.headers) {
      if (Lower(header.first) == "content-type") answer.content_type = header.second;
    }
  } else if (result.value.IsNull()) {
    answer = NoContentAnswer();
  } else {
    const int status = result.status >= 100 && result.status <= 599 ? static_cast<int>(result.status) : 200;
    answer = JsonAnswer(status, result.value);
  }
  for (const auto& header : result.headers) {
    if (!IsTransferHeader(header.first)) answer.headers.push_back(header);
  }
  return answer;
}

CallOptions PluginCallOptions(const HttpExchange& exchange) {
  CallOptions options;
  options.headers = exchange.headers;
  if (!exchange.body.empty() || !exchange.content_type.empty()) {
    options.body = exchange.body;
    options.content_type = exchange.content_type;
  }
  return options;
}

RequestGateway::RequestGateway(DevCore& core, PeerState* peers) : core_(core), peers_(peers) {
  std::set<std::string> roots;
  for (const ApiFunction& function : core_.api().functions) {
    std::string root = ApiRoot(function.route_template);
    if (!root.empty()) roots.insert(root);
  }
  plugin_roots_.assign(roots.begin(), roots.end());
}

bool RequestGateway::IsPluginPath(std::string_view path) const {
  for (const std::string& root : plugin_roots_) {
    if (path.substr(0, root.size()) != root) continue;
    if (path.size() == root.size() || path[root.size()] == '/') return true;
  }
  return false;
}

void RequestGateway::NoteFault(const std::string& text) {
  ++fault_count_;
  recent_faults_.push_back(Shortened(text, kMaxFaultBytes));
  if (recent_faults_.size() > kKeptFaults) recent_faults_.pop_front();
}

HttpAnswer RequestGateway::Handle(const HttpExchange& exchange) {
  const uint32_t method = MethodCode(exchange.method);
  if (method == 0) return ErrorAnswer(405, "Method not allowed");
  const std::string_view path = exchange.path();
  if (path == kCoreRoot || path.substr(0, std::string_view(kCoreRoot).size() + 1) == std::string(kCoreRoot) + "/") {
    return AnswerCore(exchange, method);
  }
  if (IsPluginPath(path)) {
    if (method == TAV_METHOD_GET && IsBareRoot(path)) return RootIndex(path);
    return CallPlugin(exchange, method);
  }
  return AnswerPeer(exchange, method);
}

HttpAnswer RequestGateway::CallPlugin(const HttpExchange& exchange, uint32_t method) {
  ++plugin_calls_;
  CallResult result = core_.Call(method, exchange.target, PluginCallOptions(exchange));
  return PluginAnswer(result);
}

HttpAnswer RequestGateway::AnswerPeer(const HttpExchange& exchange, uint32_t method) {
  ++peer_requests_;
  PeerRequest request;
  request.method = method;
  request.method_name = RequestMethodName(method);
  request.url = exchange.target;
  request.path = std::string(exchange.path());
  request.query = std::string(exchange.query());
  request.host_context = core_.host_context();
  if (!exchange.body.empty()) {
    if (!IsResourceBodyType(exchange.content_type)) {
      return ErrorAnswer(415, "Unsupported body content type: resources take JSON");
    }
    RequestArgument& body = request.arguments.emplace_back();
    std::string error;
    if (!ParseJsonBody(exchange.body, &body.value, &error)) return ErrorAnswer(400, error);
  } else if (method == TAV_METHOD_PUT || method == TAV_METHOD_POST || method == TAV_METHOD_PATCH) {
    return ErrorAnswer(400, "A write needs a JSON body");
  }

  PeerResponse response = core_.AnswerPeerRequest(std::move(request));
  if (response.error) {
    const int status = response.status >= 400 && response.status <= 599 ? static_cast<int>(response.status) : 500;
    return ErrorAnswer(status, *response.error);
  }
  if (response.stream) {
    HttpAnswer answer;
    answer.body = response.stream->body;
    return answer;
  }
  if (response.value.IsNull() && method != TAV_METHOD_GET) return NoContentAnswer();
  return JsonAnswer(response.status >= 100 && response.status <= 599 ? static_cast<int>(response.status) : 200,
                    response.value);
}

HttpAnswer RequestGateway::AnswerCore(const HttpExchange& exchange, uint32_t method) {
  const std::string path(exchange.path());
  const std::string root(kCoreRoot);
  if (path == kOpenApiDocumentPath && !openapi_document_.empty()) {
    if (method != TAV_METHOD_GET) return ErrorAnswer(405, "Method not allowed");
    HttpAnswer answer;
    answer.body = openapi_document_;
    return answer;
  }
  if (path == root + "/status") {
    if (method != TAV_METHOD_GET) return ErrorAnswer(405, "Method not allowed");
    return Status();
  }
  if (path == root + "/game-customization" && peers_ != nullptr) {
    GameCustomizationService& service = peers_->game_customization();
    if (method == TAV_METHOD_GET) return JsonAnswer(200, service.Describe());
    if (method != TAV_METHOD_PUT && method != TAV_METHOD_PATCH) return ErrorAnswer(405, "Method not allowed");
    if (!IsResourceBodyType(exchange.content_type)) {
      return ErrorAnswer(415, "Unsupported body content type: resources take JSON");
    }
    rapidjson::Document config;
    std::string error;
    if (!ParseJsonBody(exchange.body, &config, &error)) return ErrorAnswer(400, error);
    if (!service.Configure(config, &error)) return ErrorAnswer(400, error);
    return JsonAnswer(200, service.Describe());
  }
  if (path == root + "/store" && peers_ != nullptr) {
    if (method == TAV_METHOD_GET) return JsonAnswer(200, StoreDescription());
    if (method != TAV_METHOD_DELETE) return ErrorAnswer(405, "Method not allowed");
    return ResetStore();
  }
  if (path == root + "/telemetry" && peers_ != nullptr) {
    if (method != TAV_METHOD_GET) return ErrorAnswer(405, "Method not allowed");
    HttpAnswer answer;
    answer.body = "[";
    bool first = true;
    for (const std::string& line : peers_->telemetry().recent()) {
      if (!first) answer.body += ",";
      answer.body += line;
      first = false;
    }
    answer.body += "]";
    return answer;
  }
  return ErrorAnswer(404, "Not found");
}

// Every document goes, each reported to the plugin as removed, as the
// settings plugin reports a removal; what the plugin holds in memory is
// its own, and its next save writes it back.
HttpAnswer RequestGateway::ResetStore() {
  std::string error;
  const std::vector<std::string> removed = peers_->settings().RemoveAll(&error);
  if (!error.empty()) return ErrorAnswer(500, "Settings store failed: " + error);
  rapidjson::Document answer(rapidjson::kObjectType);
  auto& allocator = answer.GetAllocator();
  rapidjson::Value keys(rapidjson::kArrayType);
  for (const std::string& key : removed) keys.PushBack(Text(key, allocator), allocator);
  answer.AddMember("removed", keys, allocator);
  return JsonAnswer(200, answer);
}

rapidjson::Document RequestGateway::StoreDescription() const {
  SettingsStore& store = peers_->store();
  rapidjson::Document description(rapidjson::kObjectType);
  auto& allocator = description.GetAllocator();
  description.AddMember("path", Text(store.path(), allocator), allocator);
  description.AddMember("commits", store.commits(), allocator);
  std::string error;
  rapidjson::Value documents(rapidjson::kArrayType);
  for (const std::string& key : store.Keys(&error)) documents.PushBack(Text(key, allocator), allocator);
  description.AddMember("documents", documents, allocator);
  if (!error.empty()) description.AddMember("error", Text(error, allocator), allocator);
  return description;
}

void RequestGateway::PublishOpenApi(const std::string& server_url) {
  openapi_document_ = OpenApiDocument(core_.library(), server_url);
}

bool RequestGateway::IsBareRoot(std::string_view path) const {
  if (openapi_document_.empty()) return false;
  if (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  if (std::find(plugin_roots_.begin(), plugin_roots_.end(), path) == plugin_roots_.end()) return false;
  for (const ApiFunction& function : core_.api().functions) {
    if (function.route_template == path) return false;
  }
  return true;
}

HttpAnswer RequestGateway::RootIndex(std::string_view path) const {
  rapidjson::Document index(rapidjson::kObjectType);
  auto& allocator = index.GetAllocator();
  index.AddMember("api", Text(path, allocator), allocator);
  index.AddMember("openapi", rapidjson::StringRef(kOpenApiDocumentPath), allocator);
  index.AddMember("events", "/events", allocator);
  HttpAnswer answer = JsonAnswer(200, index);
  answer.headers.emplace_back("Link", std::string("<") + kOpenApiDocumentPath + ">; rel=\"service-desc\"");
  return answer;
}

HttpAnswer RequestGateway::Status() const {
  rapidjson::Document status(rapidjson::kObjectType);
  auto& allocator = status.GetAllocator();

  rapidjson::Value plugin(rapidjson::kObjectType);
  const PluginLibrary& library = core_.library();
  plugin.AddMember("name", Text(library.short_name(), allocator), allocator);
  const PluginHostInfo& info = library.info();
  const std::string version = std::to_string(info.major) + "." + std::to_string(info.minor) + "." +
                              std::to_string(info.patch);
  plugin.AddMember("version", Text(version, allocator), allocator);
  plugin.AddMember("alive", core_.plugin_alive(), allocator);
  plugin.AddMember("functions", static_cast<uint64_t>(core_.api().functions.size()), allocator);
  rapidjson::Value roots(rapidjson::kArrayType);
  for (const std::string& root : plugin_roots_) roots.PushBack(Text(root, allocator), allocator);
  plugin.AddMember("apiRoots", roots, allocator);
  plugin.AddMember("memory", MemoryDescription(core_.GetMemoryStatistics(), allocator), allocator);
  status.AddMember("plugin", plugin, allocator);

  std::set<std::string> names;
  for (const Registration& registration : core_.registrations()) names.insert(registration.name);
  rapidjson::Value subscriptions(rapidjson::kArrayType);
  for (const std::string& name : names) subscriptions.PushBack(Text(name, allocator), allocator);
  status.AddMember("subscriptions", subscriptions, allocator);

  status.AddMember("pluginCalls", plugin_calls_, allocator);
  status.AddMember("peerRequests", peer_requests_, allocator);
  status.AddMember("faults", fault_count_, allocator);
  rapidjson::Value faults(rapidjson::kArrayType);
  for (const std::string& fault : recent_faults_) faults.PushBack(Text(fault, allocator), allocator);
  status.AddMember("recentFaults", faults, allocator);

  if (peers_ != nullptr) {
    status.AddMember("store", rapidjson::Value(StoreDescription(), allocator), allocator);
    rapidjson::Value telemetry(rapidjson::kObjectType);
    telemetry.AddMember("path", Text(peers_->options().telemetry_file, allocator), allocator);
    telemetry.AddMember("events", peers_->telemetry().count(), allocator);
    status.AddMember("telemetry", telemetry, allocator);
  }
  if (events_ != nullptr) {
    const EventStream::Stats stats = events_->stats();
    rapidjson::Value events(rapidjson::kObjectType);
    events.AddMember("lastId", stats.last_id, allocator);
    events.AddMember("keptFrames", static_cast<uint64_t>(stats.kept_frames), allocator);
    events.AddMember("keptBytes", static_cast<uint64_t>(stats.kept_bytes), allocator);
    events.AddMember("historyBytes", static_cast<uint64_t>(stats.history_bytes), allocator);
    events.AddMember("streams", static_cast<uint64_t>(events_->subscriber_count()), allocator);
    events.AddMember("laggedStreams", stats.lagged_streams, allocator);
    status.AddMember("events", events, allocator);
  }
  return JsonAnswer(200, status);
}

}  // namespace tav::host
