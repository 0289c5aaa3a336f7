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
  // resource_events.*)

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
};

}  // namespace tav

#include "plugin/app_module_inl.h"

#endif  // TAV_PLUGIN_APP_MODULE_H_
