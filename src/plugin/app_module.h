// AppModule: the base of a plugin's module. It ties the module to the core:
// identity and type registry, the core's operation table, event handlers and
// reference-counted subscriptions, resource observers, the service proxy's
// waiting requests, and the wait loop that lets a handler wait for a result
// while the core keeps running.
//
// Every core operation has a virtual of its own (slots 4 to 12), so a test
// or another host can replace it. A derived module overrides
// RegisterEndpoints and OnInitialize.
//
//   class PerksModule : public AppModule {
//     void RegisterEndpoints() override { Get("/tav-perks/v1/pages", ...); }
//     bool OnInitialize() override { Subscribe("/tav-login/v1/session"); return true; }
//   };
//
// Everything runs on the core's thread. Inside Yield the core may deliver
// other requests and events, so module state can change across any wait.
#ifndef TAV_PLUGIN_APP_MODULE_H_
#define TAV_PLUGIN_APP_MODULE_H_

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "binding/binding_property.h"
#include "binding/binding_type_registry.h"
#include "binding/fnv1a.h"
#include "plugin/core_types.h"
#include "plugin/endpoint_argument.h"
#include "plugin/endpoint_function.h"
#include "plugin/failure.h"
#include "plugin/maybe_type.h"
#include "plugin/plugin_api_version.h"
#include "plugin/plugin_identity.h"
#include "plugin/request_method.h"
#include "tav/plugin_abi.h"

namespace tav {

class ApiDescriptionTables;
class AppModule;
class PluginLogTarget;
class NamedTextArguments;
class RemoteArguments;
template <class T>
struct RemotingTypedResult;

// A handler for one event name, shared with any copy in flight, so that
// removing it from the table while its event is handled is safe.
class EventHandler {
 public:
  virtual ~EventHandler() = default;
  // Called with the payload decoded from the core's form. Converts it to the
  // handler's type and calls it, or drops the event when that fails.
  virtual void Handle(AppModule& module, std::string_view event_name,
                      const BindingProperty& payload) = 0;
};

// Text-keyed hash map with FNV-1a hashing.
template <class Value>
using TextMap = std::unordered_map<std::string, Value, Fnv1aHash>;

class AppModule {
 public:
  AppModule();

  // --- Virtual operations, in slot order ---

  // Reference-counted registration of the event name of `path`.
  virtual void Subscribe(std::string_view path);
  virtual void Unsubscribe(std::string_view path);
  virtual ~AppModule();
  // Unregisters every event handler and clears the handler, service-proxy
  // and observer tables. Subscription counts stay.
  virtual void Finalize();
  virtual void Request(ResponseRecord* response, const RequestRecord* request);
  virtual void Reserved1(uintptr_t a, uintptr_t b);
  virtual void SendEvent(const CoreEvent* event);
  virtual void RegisterEventHandler(const char* name, HostContext host_context,
                                    EventCallbackFn callback, void* context, uint8_t flag);
  virtual void UnregisterEventHandler(const char* name, HostContext host_context);
  virtual void Reserved5(uintptr_t a, uintptr_t b, uintptr_t c, uint64_t d, uintptr_t e);
  virtual void Yield();
  virtual void BeginWait(const char* label, uintptr_t word);
  virtual uint64_t EndWait();
  virtual void RegisterEndpoints();
  virtual bool OnInitialize();

  AppModule(const AppModule&) = delete;
  AppModule& operator=(const AppModule&) = delete;

  // ===== Plugin frame I: host contract, events, waiting, routing =====
  // (app_module.cpp, plugin_host.cpp, endpoint_*, request_dispatch.cpp,
  // argument_binding.cpp, response_writing.cpp)

  BindingTypeRegistry& registry() { return registry_; }
  const BindingTypeRegistry& registry() const { return registry_; }
  const std::string& api_namespace() const { return api_namespace_; }
  const std::string& short_name() const { return short_name_; }
  const std::string& user_agent() const { return user_agent_; }
  HostContext host_context() const { return host_context_; }
  bool shutting_down() const { return shutting_down_; }
  const PluginIdentity& identity() const { return identity_; }
  const PluginApiVersion& core_version() const { return core_version_; }
  // "Plugins" and "Plugin " + short name, set while the plugin loads.
  const std::vector<std::string>& log_groups() const { return log_groups_; }
  // Valid once the plugin is loaded.
  const PluginApiDescription& api_description() const { return api_description_; }

  // Stores `handler` for `name` (replacing an earlier one) and registers the
  // frame's event callback for it with the core.
  void RegisterEventHandler(const std::string& name, std::shared_ptr<EventHandler> handler,
                            uint8_t flag);
  template <class T>
  void RegisterTypedEventHandler(const std::string& name, std::function<void(const T&)> handler,
                                 uint8_t flag);

  // Waits for `future` while the core runs: BeginWait once (only if the
  // future is not ready), Yield until it is ready, then EndWait.
  template <class T>
  MaybeType<Failure, T> Await(std::future<MaybeType<Failure, T>> future);
  // BeginWait("Wait: yield"), Yield, and EndWait's value.
  uint64_t YieldOnce();

  // Endpoint registration, for RegisterEndpoints. Each names the function
  // with the method and `path` (GET "/tav-perks/v1/pages/{id}" gives
  // GetTavPerksV1PagesById), adds it to the registry with its parameters
  // and result type, and routes requests of that method whose path matches
  // the template to `handler`. Pass one EndpointArgument per handler
  // parameter (not counting a leading `const RequestContext&`):
  //
  //   Get("/tav-perks/v1/pages/{id}", &PerksModule::GetPage, PathArg("id"));
  //   Put("/tav-perks/v1/pages/{id}", &PerksModule::UpdatePage, PathArg("id"), BodyArg("page"));
  //
  // Templates take "{name}" (one segment), "{+name}" (the rest, slashes
  // included) and "{#name}" (a "#" fragment); a trailing slash is dropped.
  template <class Handler, class... Arguments>
  void Get(std::string_view path, Handler handler, Arguments... arguments);
  template <class Handler, class... Arguments>
  void Post(std::string_view path, Handler handler, Arguments... arguments);
  template <class Handler, class... Arguments>
  void Put(std::string_view path, Handler handler, Arguments... arguments);
  template <class Handler, class... Arguments>
  void Delete(std::string_view path, Handler handler, Arguments... arguments);
  template <class Handler, class... Arguments>
  void Patch(std::string_view path, Handler handler, Arguments... arguments);
  // Any method code; RequestMethod::kNamed with the method's name, kNone
  // for a function that accepts every method.
  template <class Handler, class... Arguments>
  void Endpoint(RequestMethod method, std::string_view method_name, std::string_view path,
                Handler handler, Arguments... arguments);

  // The untyped core of the registrations above. A name already taken by an
  // endpoint gets this route as a further route of that function.
  void AddEndpoint(RequestMethod method, std::string_view method_name, std::string_view path,
                   std::vector<EndpointParameter> parameters, BindingTypeId returns,
                   std::unique_ptr<EndpointInvoker> invoker);

  // Hooks filled by resource observation and the service proxy: the
  // resource dispatcher that Subscribe registers (flag 0), and the handlers
  // of OnServiceProxyUuidEvent, OnServiceProxyMethodEvent and
  // OnServiceProxyAsyncEvent that Initialize registers (flag 1).
  void DispatchResourceEvent(const PluginResourceEvent& event);
  void HandleServiceProxyUuidEvent(const PluginServiceProxyResponse& response);
  void HandleServiceProxyMethodEvent(const PluginServiceProxyResponse& response);
  void HandleServiceProxyAsyncEvent(const PluginServiceProxyResponse& response);

  // ===== Plugin frame II: remote calls, observation, service proxy, LCDS,
  // outgoing events and telemetry =====
  // (remote_call.*, resource_observer.*, service_proxy.*, lcds_call.*,
  // resource_events.*). The member templates are defined in those headers;
  // include the one whose operation you use.

  // --- Remote calls (remote_call.h) ---

  // Sends `method` `url` through the core with `arguments` converted by
  // their registered types and sent in order as positional arguments, and
  // gives the response converted to T (Empty: no value is read). Failures:
  //   400 "Request not sent: Error converting parameters for {method} {url}: {error}"
  //   the response's status, "Error response for {method} {url}: {error}"
  //   "Error reading streamed response for {method} {url}: {error}"
  //   "Error converting response for {method} {url}: {error}"
  template <class T = Empty, class... Args>
  MaybeType<Failure, T> Call(RequestMethod method, std::string_view url, const Args&... arguments);
  // As above, each entry of `arguments` sent as a named argument whose value
  // is the text.
  template <class T = Empty>
  MaybeType<Failure, T> Call(RequestMethod method, std::string_view url,
                             const NamedTextArguments& arguments);
  // The untyped core of Call: sends the request, checks the response and,
  // when `read_value`, gives its value or streamed body (empty otherwise).
  // Failure messages are those of Call; the response record and any stream
  // are always released.
  MaybeType<Failure, BindingProperty> SendRemoteRequest(RequestMethod method, std::string_view url,
                                                        const RemoteArguments& arguments,
                                                        bool read_value);

  // --- Resource observation (resource_observer.h) ---

  using ResourceObserver = std::function<void(const PluginResourceEvent&)>;
  // Registers `observer` for an exact path, or for a pattern when `key`
  // holds "*" (one or more characters up to the next "/"), replacing an
  // earlier one for the same key; subscribes to the key's event name and
  // hands the observer the current value of GET `key` as a Create event
  // when that call succeeds.
  void Observe(std::string_view key, ResourceObserver observer);
  // Typed form: events arrive converted to T (a Delete with a default T);
  // an event whose data does not convert is dropped.
  template <class T>
  void Observe(std::string_view key, std::function<void(const RemotingTypedResult<T>&)> observer);
  // DispatchResourceEvent (declared above) hands an event to the exact
  // observer of its uri (a leading "/" added when missing), then to every
  // pattern observer whose pattern matches it.

  // --- LCDS (lcds_call.h) ---

  // Tags T's values sent in LCDS calls with "__class": `class_name`, and
  // expects that class in answers converted to T. T must be registered.
  template <class T>
  void RegisterLcdsClass(std::string_view class_name);
  // Invokes `destination`.`method` through the login plugin with
  // `arguments` (in order) and gives the answer converted to T; an empty
  // answer gives a default T. The future is fulfilled when this returns.
  template <class T, class... Args>
  std::future<MaybeType<Failure, T>> LcdsCall(std::string_view destination, std::string_view method,
                                              const Args&... arguments);

  // --- Service proxy (service_proxy.h) ---

  using ServiceProxyHandler = std::function<void(const PluginServiceProxyResponse&)>;
  // Starts a service-proxy request with `payload` (any registered type)
  // written as JSON: uuid-based when `callback_method` is empty, otherwise
  // method-based. `handler` runs, with the request mutex held, when the
  // answer arrives; it must not start another service-proxy request.
  // Gives "" when the request was started, otherwise the reason it was not
  // ("Finalizing", "Request already in flight", a conversion or call
  // failure).
  template <class P>
  std::string InvokeServiceProxy(std::string_view service, std::string_view method,
                                 const P& payload, std::string_view callback_method,
                                 ServiceProxyHandler handler);
  // A uuid-based request whose answer is awaited and converted to T (Empty:
  // only the error text is looked at).
  template <class T, class P>
  MaybeType<Failure, T> CallServiceProxy(std::string_view service, std::string_view method,
                                         const P& payload);
  // InvokeServiceProxy after the payload was written as JSON text.
  std::string InvokeServiceProxyJson(std::string_view service, std::string_view method,
                                     std::string payload_json, std::string_view callback_method,
                                     ServiceProxyHandler handler);
  // The handler for OnServiceProxyAsyncEvent answers of `service`.`method`,
  // replacing an earlier one.
  void SetServiceProxyAsyncHandler(std::string_view service, std::string_view method,
                                   ServiceProxyHandler handler);
  // HandleServiceProxyUuidEvent and HandleServiceProxyMethodEvent (declared
  // above) keep the answer under its uuid, or under "service.method", and
  // run a fulfilment pass; HandleServiceProxyAsyncEvent hands the answer to
  // the asynchronous handler of its "service.method", or logs that there is
  // none.

  // --- Outgoing events and telemetry (resource_events.h) ---

  // Sends `event` under the event name of its uri and, when `base_name`
  // differs from that name, again under `base_name` with the same payload.
  MaybeType<Failure, Empty> SendResourceEvent(std::string_view base_name,
                                              const PluginResourceEvent& event);
  // Sends a resource event of `type` for `path` with `value` as its data
  // under its own name and "OnJsonApiEvent". A value that does not convert
  // sends nothing.
  template <class T>
  void PublishResource(std::string_view path, const T& value,
                       PluginResourceEventType type = PluginResourceEventType::Update);
  // POSTs one telemetry event to "/telemetry/v1/events/" + `table`, each
  // field as a named text argument. The future is fulfilled when this
  // returns; callers may drop it.
  std::future<MaybeType<Failure, Empty>> PostTelemetry(
      std::string_view table, const std::map<std::string, std::string>& event);

 private:
  // Reads a streamed body (4096 bytes at a time, yielding while the stream
  // has nothing ready) and parses it as JSON. Releases the stream. Gives ""
  // or the reason the body could not be read.
  std::string ReadResponseStream(ResponseRecord& response, BindingProperty& body);
  // Adds "__class" to every structure in `value` (described by `type_id`)
  // whose registered name has an LCDS class name.
  void TagLcdsClasses(BindingProperty& value, const BindingTypeId& type_id) const;
  void TagLcdsContainers(BindingProperty& value, const BindingTypeDescriptor& type,
                         uint64_t containers) const;
  void TagLcdsStructure(BindingProperty& value, const BindingTypeDescriptor& type) const;
  // POSTs the LCDS invocation and checks the answer's class against the one
  // registered for the TypeKey number `expected_key`.
  MaybeType<Failure, BindingProperty> InvokeLcds(std::string_view destination,
                                                 std::string_view method,
                                                 const BindingProperty& arguments,
                                                 uint32_t expected_key);
  // Hands the first arrived response that has a waiting request to that
  // request's handler, under the request mutex.
  void RunServiceProxyFulfilment();

 protected:
  // The core's operation table, null before Initialize.
  CoreInterface* core() const { return init_args_ != nullptr ? init_args_->core : nullptr; }

 private:
  friend class PluginHost;  // the load sequence and entry points (plugin_host.cpp)

  // Resource observers: by exact path and by pattern with "*".
  TextMap<std::function<void(const PluginResourceEvent&)>> exact_observers_;
  TextMap<std::function<void(const PluginResourceEvent&)>> pattern_observers_;

  HostContext host_context_ = 0;
  std::string short_name_;
  std::string user_agent_;

  // LCDS class names: by registered type name, and expected in answers by
  // TypeKey number.
  TextMap<std::string> lcds_class_by_type_name_;
  std::unordered_map<uint32_t, std::string> lcds_class_by_key_;

  TextMap<std::shared_ptr<EventHandler>> event_handlers_;
  TextMap<uint32_t> subscription_counts_;

  // Service proxy, guarded by request_mutex_: waiting requests by request
  // key, asynchronous handlers by service key, arrived responses by request
  // key.
  std::mutex request_mutex_;
  TextMap<std::function<void(const PluginServiceProxyResponse&)>> waiting_requests_;
  TextMap<std::function<void(const PluginServiceProxyResponse&)>> async_handlers_;
  TextMap<PluginServiceProxyResponse> arrived_responses_;

  bool shutting_down_ = false;

  PluginApiVersion core_version_;
  PluginIdentity identity_;
  std::unique_ptr<PluginLogTarget> log_target_;
  std::string api_namespace_;
  std::vector<std::string> log_groups_;
  BindingTypeRegistry registry_;
  PluginInitArgs* init_args_ = nullptr;
  PluginEntryTable entry_table_{};
  PluginApiDescription api_description_{};
  // Behind api_description_: the packed tables and the function records.
  std::unique_ptr<ApiDescriptionTables> api_tables_;
  std::vector<FunctionRecord> function_records_;
  // Behind each record's argument_locations.
  std::vector<std::vector<uint8_t>> argument_locations_;
};

}  // namespace tav

#include "plugin/app_module_inl.h"

#endif  // TAV_PLUGIN_APP_MODULE_H_
