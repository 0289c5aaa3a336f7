// The development core: a host that loads the plugin library through its C
// ABI, offers it the core's operations, plays the other plugins it talks to,
// and records everything the plugin does so that tests can assert on it.
//
// Everything but Post, PostCall and the work queue runs on the core thread
// (the thread that constructed the core, or the one given to
// SetCoreThread); the plugin is only ever entered from that thread.
//
//   DevCore core;
//   ASSERT_TRUE(core.Load(TAV_PERKS_PLUGIN_PATH)) << core.load_error();
//   core.SetResource("/tav-settings/v2/ready", "true");
//   ASSERT_TRUE(core.Initialize());
//   core.RunUntilIdle();
//   CallResult pages = core.Call(TAV_METHOD_GET, "/tav-perks/v1/pages");
//   EXPECT_EQ(pages.status, 200u) << pages.Summary();
//   EXPECT_THAT(core.faults(), testing::IsEmpty());
#ifndef TAV_HOST_DEV_CORE_H_
#define TAV_HOST_DEV_CORE_H_

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <rapidjson/document.h>

#include "core_value_json.h"
#include "host_stream.h"
#include "path_pattern.h"
#include "peer.h"
#include "peer_registry.h"
#include "plugin_call.h"
#include "plugin_library.h"
#include "resource_event.h"
#include "resource_store.h"
#include "service_proxy.h"
#include "tav/plugin_abi.h"
#include "work_queue.h"

namespace tav::host {

// The HostContext the core hands the plugin unless told otherwise.
inline constexpr HostContext kDefaultHostContext = 0x5EC0DE;

// An event the plugin sent with SendEvent.
struct SentEvent {
  std::string name;
  rapidjson::Document payload;
  uint32_t flag = 0;
};

// An event the core delivered to one of the plugin's callbacks.
struct DeliveredEvent {
  std::string name;
  rapidjson::Document payload;
  uint32_t flag = 0;
  void* context = nullptr;
};

// A live registration of an event handler.
struct Registration {
  std::string name;
  HostContext host_context = 0;
  EventCallbackFn callback = nullptr;
  void* context = nullptr;
  uint8_t flag = 0;
};

// One call of RegisterEventHandler or UnregisterEventHandler, in order.
struct RegistrationCall {
  bool is_register = true;
  std::string name;
  HostContext host_context = 0;
  uint8_t flag = 0;  // 0 for unregistrations
};

// A request the plugin sent, and how the core answered it.
struct RecordedRequest {
  PeerRequest request;
  std::string handled_by;  // the peer pattern, "resource store", or "" when unrouted or refused
  uint32_t status = 0;
  std::optional<std::string> error;
  bool streamed = false;
};

struct LogLine {
  int32_t level = 0;
  std::string text;
};

struct TelemetryPost {
  std::string table;
  std::map<std::string, std::string> fields;
};

class DevCore {
 public:
  DevCore();
  // Shuts the plugin down if it is still loaded, then closes the library.
  ~DevCore();
  DevCore(const DevCore&) = delete;
  DevCore& operator=(const DevCore&) = delete;

  // --- The plugin's life -------------------------------------------------

  // Opens the library and calls load_tav_perks with the given core version.
  // False with load_error() set when the library cannot be opened or its
  // answer is incomplete.
  bool Load(const std::string& path, uint32_t major = 18, uint32_t minor = 0, uint32_t patch = 0);
  const std::string& load_error() const { return load_error_; }
  // Calls Initialize with the core's operations and `host_context`; returns
  // the plugin's answer (false also when nothing is loaded).
  bool Initialize(HostContext host_context = kDefaultHostContext);
  // Calls Shutdown once. Registrations still present afterwards, and waits
  // still open, are faults; queued deliveries are dropped.
  void Shutdown();
  bool plugin_alive() const { return library_.loaded() && !library_.shut_down(); }
  // Zeroes when the plugin is not alive.
  MemoryStatistics GetMemoryStatistics() const;
  const PluginLibrary& library() const { return library_; }
  const ApiDescription& api() const { return library_.api(); }
  HostContext host_context() const { return host_context_; }

  // --- Calls into the plugin ---------------------------------------------

  // Routes by the functions' route method and template (placeholders match
  // the path without its query; of several matches the one with the fewest
  // captured characters, the earlier on a tie) and calls the chosen
  // function's dispatch entry. No match: 404 "Invalid function", and the
  // plugin is not called. Faults of the answer also go to faults().
  CallResult Call(uint32_t method, std::string_view url, CallOptions options = {});
  CallResult Get(std::string_view url, CallOptions options = {}) { return Call(TAV_METHOD_GET, url, std::move(options)); }
  // Thread-safe: the call runs on the core thread in a later pass.
  std::future<CallResult> PostCall(uint32_t method, std::string url, CallOptions options = {});

  // --- Running queued work -------------------------------------------------

  // One pass of the work queue (what the plugin's Yield does too).
  size_t Pump() { return queue_.RunOnePass(); }
  size_t RunUntilIdle(size_t max_passes = 100000) { return queue_.RunUntilIdle(max_passes); }
  // Thread-safe.
  void Post(std::function<void()> work) { queue_.Post(std::move(work)); }
  WorkQueue& queue() { return queue_; }
  void SetCoreThread(std::thread::id id = std::this_thread::get_id()) { core_thread_ = id; }

  // --- Events to the plugin ----------------------------------------------

  // Queued: delivered in a later pass to every callback registered for the
  // name at that time.
  void DeliverEvent(std::string_view name, const rapidjson::Value& payload, uint32_t flag = 0);
  // At once, to every callback registered for the name.
  void DeliverEventNow(std::string_view name, const rapidjson::Value& payload, uint32_t flag = 0);
  // Queues the resource event of `path` under its specific name and under
  // "OnJsonApiEvent". `data` null gives null data.
  void EmitResourceEvent(std::string_view path, ResourceEventType type, const rapidjson::Value* data);

  // --- Peers ---------------------------------------------------------------

  // Handlers by method (0: any) and pattern; see PeerRegistry::Find for the
  // choice among several. Requests no peer takes go to the resource store
  // (see SetUnroutedToResourceStore).
  int AddPeer(uint32_t method, std::string_view pattern, PeerHandler handler);
  int AddPeerValue(uint32_t method, std::string_view pattern, std::string_view json);
  int AddPeerError(uint32_t method, std::string_view pattern, uint32_t status, std::string text);
  int AddPeerStream(uint32_t method, std::string_view pattern, StreamPlan plan);
  void RemovePeer(int id) { peers_.Remove(id); }
  // Default true. When false, unrouted requests get 404 "No peer for <METHOD> <path>".
  void SetUnroutedToResourceStore(bool on) { unrouted_to_store_ = on; }

  ResourceStore& resources() { return store_; }
  // Store (Create or Update event) and remove (Delete event) a resource.
  void SetResource(std::string_view path, std::string_view json);
  void SetResource(std::string_view path, const rapidjson::Value& value) { store_.Set(path, value); }
  bool RemoveResource(std::string_view path) { return store_.Remove(path); }

  // Answers `request` the way the plugin's own requests are answered (the
  // peers, then the resource store), without recording it: for other
  // clients of the peers, such as an HTTP front end. Core thread.
  PeerResponse AnswerPeerRequest(PeerRequest request);

  ServiceProxy& service_proxy() { return service_proxy_; }
  const std::vector<TelemetryPost>& telemetry() const { return telemetry_; }
  const std::shared_ptr<StreamStats>& stream_stats() const { return stream_stats_; }

  // --- What the plugin did -------------------------------------------------
  //
  // The records below are for tests. They grow with every request, event,
  // log line and wait, so a long-running core turns them off.

  // Default on. Off, nothing is recorded from then on (neither here nor in
  // the service proxy's calls); the listeners still hear every sent event,
  // log line and fault, and the yield and wait counters still count.
  void SetRecording(bool on);
  bool recording() const { return recording_; }
  const std::deque<SentEvent>& sent_events() const { return sent_events_; }
  std::vector<const SentEvent*> SentEventsNamed(std::string_view name) const;
  std::vector<std::string> SentEventNames() const;
  const std::deque<DeliveredEvent>& delivered_events() const { return delivered_events_; }
  const std::vector<Registration>& registrations() const { return registrations_; }
  bool IsRegistered(std::string_view name) const;
  const std::vector<RegistrationCall>& registration_calls() const { return registration_calls_; }
  // Requests are kept in a deque: references stay valid while more arrive.
  const std::deque<RecordedRequest>& requests() const { return requests_; }
  // Requests with this method (0: any) whose path (without query) is `path`.
  std::vector<const RecordedRequest*> RequestsTo(uint32_t method, std::string_view path) const;
  const std::vector<std::string>& wait_labels() const { return wait_labels_; }
  uint64_t yield_count() const { return yield_count_; }
  uint64_t end_wait_count() const { return end_wait_count_; }
  size_t open_waits() const { return waits_.size(); }
  const std::vector<LogLine>& log() const { return log_; }
  // Everything the plugin got wrong at the boundary, in order.
  const std::vector<std::string>& faults() const { return faults_; }
  // Forgets the records above (not the registrations, peers or resources).
  // Not from inside a peer handler.
  void ClearRecords();

  // Called for every event the plugin sends (after it is recorded).
  void AddSentEventListener(std::function<void(const SentEvent&)> listener);
  // Called for every log line of the plugin and every fault, as they come.
  void AddLogListener(std::function<void(const LogLine&)> listener);
  void AddFaultListener(std::function<void(const std::string&)> listener);
  // How many records ClearRecords would drop.
  size_t record_count() const;

  // --- Settings --------------------------------------------------------------

  // Copy log lines / faults to stderr as they come. Default off.
  void SetEchoLog(bool on) { echo_log_ = on; }
  void SetEchoFaults(bool on) { echo_faults_ = on; }
  // A wait that yields more often than this ends the process with a message
  // on stderr rather than spin forever; 0 for no limit. Default 100000.
  void SetWaitYieldLimit(uint64_t limit) { wait_yield_limit_ = limit; }
  // When a Yield finds nothing queued it waits this long for work from
  // other threads. Default 0.
  void SetYieldIdleWait(std::chrono::milliseconds wait) { yield_idle_wait_ = wait; }
  // How texts are spelled in the values of events delivered to the plugin.
  void SetEventTextMode(TextMode mode) { event_text_mode_ = mode; }

 private:
  struct Bridge {
    CoreInterface table;  // first: the plugin hands its address back
    DevCore* owner;
  };
  struct Route {
    const FunctionRecord* record;
    PathPattern pattern;
    uint32_t method;
    std::string name;
  };
  struct OpenWait {
    std::string label;
    uint64_t yields = 0;
  };

  static DevCore* From(CoreInterface* self, const char* operation);
  static void OpRequest(CoreInterface* self, ResponseRecord* response, const RequestRecord* request);
  static void OpReserved1(CoreInterface* self, uintptr_t a, uintptr_t b);
  static void OpSendEvent(CoreInterface* self, const CoreEvent* event);
  static void OpRegisterEventHandler(CoreInterface* self, const char* name, HostContext host_context,
                                     EventCallbackFn callback, void* context, uint8_t flag);
  static void OpUnregisterEventHandler(CoreInterface* self, const char* name, HostContext host_context);
  static void OpReserved5(CoreInterface* self, uintptr_t a, uintptr_t b, uintptr_t c, uint64_t d, uintptr_t e);
  static void OpYield(CoreInterface* self);
  static void OpBeginWait(CoreInterface* self, const char* label, uintptr_t word);
  static uint64_t OpEndWait(CoreInterface* self);
  static void OpLog(CoreInterface* self, int32_t level, const char* text);

  void OnRequest(ResponseRecord* response, const RequestRecord* request);
  std::optional<PeerResponse> ReadPluginRequest(const RequestRecord* request, PeerRequest* out);
  PeerResponse RoutePeerRequest(RecordedRequest& record);
  void OnSendEvent(const CoreEvent* event);
  void OnRegister(const char* name, HostContext host_context, EventCallbackFn callback, void* context, uint8_t flag);
  void OnUnregister(const char* name, HostContext host_context);
  void OnYield();
  void OnBeginWait(const char* label, uintptr_t word);
  uint64_t OnEndWait();
  void OnLog(int32_t level, const char* text);

  void CheckThread(const char* operation);
  void CheckHostContext(const char* operation, HostContext host_context);
  void Fault(std::string text);
  void BuildRoutes();
  const Route* FindRoute(uint32_t method, std::string_view path) const;
  void DeliverServiceProxyEvent(const char* name, rapidjson::Document payload, uint32_t delay_passes);
  PeerResponse RecordTelemetry(const PeerRequest& request);

  Bridge bridge_;
  PluginInitArgs init_args_{};
  PluginLibrary library_;
  std::string load_error_;
  HostContext host_context_ = kDefaultHostContext;
  std::thread::id core_thread_;
  std::vector<Route> routes_;

  WorkQueue queue_;
  PeerRegistry peers_;
  ResourceStore store_;
  ServiceProxy service_proxy_;
  bool unrouted_to_store_ = true;
  std::shared_ptr<StreamStats> stream_stats_ = std::make_shared<StreamStats>();

  std::deque<SentEvent> sent_events_;
  std::deque<DeliveredEvent> delivered_events_;
  std::vector<Registration> registrations_;
  std::vector<RegistrationCall> registration_calls_;
  std::deque<RecordedRequest> requests_;
  std::vector<std::string> wait_labels_;
  std::vector<OpenWait> waits_;
  uint64_t yield_count_ = 0;
  uint64_t end_wait_count_ = 0;
  std::vector<LogLine> log_;
  std::vector<TelemetryPost> telemetry_;
  std::vector<std::string> faults_;
  std::vector<std::function<void(const SentEvent&)>> sent_event_listeners_;
  std::vector<std::function<void(const LogLine&)>> log_listeners_;
  std::vector<std::function<void(const std::string&)>> fault_listeners_;

  bool recording_ = true;
  bool echo_log_ = false;
  bool echo_faults_ = false;
  uint64_t wait_yield_limit_ = 100000;
  std::chrono::milliseconds yield_idle_wait_{0};
  TextMode event_text_mode_ = TextMode::kOwned;
};

}  // namespace tav::host

#endif  // TAV_HOST_DEV_CORE_H_
