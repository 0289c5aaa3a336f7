#include "plugin/app_module.h"

#include <cstring>

#include "binding/api_description_tables.h"
#include "log/logger.h"
#include "plugin/live_objects.h"
#include "plugin/plugin_host.h"
#include "plugin/plugin_log_target.h"
#include "plugin/resource_event_name.h"
#include "plugin/to_identifier.h"

namespace tav {

namespace {

// Every hash map of the module starts with 8 buckets and grows past one
// entry per bucket.
constexpr size_t kInitialBuckets = 8;

template <class Map>
void Shape(Map& map) {
  map.rehash(kInitialBuckets);
  map.max_load_factor(1.0f);
}

std::string TrimTrailingSlash(std::string_view path) {
  if (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}

}  // namespace

namespace app_module_internal {

void ReportAwaitFutureError(const std::future_error& error) {
  FatalErrorReport("ALE-6D828C10",
                   FormatMessage("Caught std::future_error in AppModule::Await: (%1) %2",
                                 error.code().value(), error.what()));
}

}  // namespace app_module_internal

AppModule::AppModule() {
  // The first module of the process starts the shared logger, the last one
  // stops it.
  AcquireLogger();
  Shape(exact_observers_);
  Shape(pattern_observers_);
  Shape(lcds_class_by_type_name_);
  Shape(lcds_class_by_key_);
  Shape(event_handlers_);
  Shape(subscription_counts_);
  Shape(waiting_requests_);
  Shape(async_handlers_);
  Shape(arrived_responses_);
  LiveModules().Add(this);
}

AppModule::~AppModule() {
  LiveModules().Remove(this);
  function_records_.clear();
  api_tables_.reset();
  if (log_target_ != nullptr) {
    log_target_.reset();
    // This module switched the standard-error target off for its core's
    // log; give it back to whoever logs next.
    StdErrLogTarget* std_err = GetStdErrLogTarget();
    if (!std_err->IsRegistered()) AddLogTarget(std_err);
  }
  ReleaseLogger();
}

// --- Subscriptions -----------------------------------------------------------

void AppModule::Subscribe(std::string_view path) {
  const std::string name = ResourceEventName(path);
  uint32_t& count = subscription_counts_[name];
  if (++count != 1) return;
  RegisterTypedEventHandler<PluginResourceEvent>(
      name, [this](const PluginResourceEvent& event) { DispatchResourceEvent(event); }, 0);
}

void AppModule::Unsubscribe(std::string_view path) {
  const std::string name = ResourceEventName(path);
  const auto found = subscription_counts_.find(name);
  // An Unsubscribe without a Subscribe must not wrap the count around.
  if (found == subscription_counts_.end() || found->second == 0) return;
  if (--found->second != 0) return;
  subscription_counts_.erase(found);
  UnregisterEventHandler(name.c_str(), host_context_);
  event_handlers_.erase(name);
}

void AppModule::Finalize() {
  // Unregistering may reach back into the module; work on a copy of the
  // names.
  std::vector<std::string> names;
  names.reserve(event_handlers_.size());
  for (const auto& [name, handler] : event_handlers_) names.push_back(name);
  for (const std::string& name : names) UnregisterEventHandler(name.c_str(), host_context_);
  event_handlers_.clear();
  {
    std::lock_guard<std::mutex> lock(request_mutex_);
    waiting_requests_.clear();
    async_handlers_.clear();
    arrived_responses_.clear();
  }
  exact_observers_.clear();
  pattern_observers_.clear();
}

// --- The core's operations -------------------------------------------------------

void AppModule::Request(ResponseRecord* response, const RequestRecord* request) {
  CoreInterface* table = core();
  if (table != nullptr && table->Request != nullptr) {
    table->Request(table, response, request);
    return;
  }
  // Before Initialize there is no core to ask; answer so that the caller
  // never reads an unfilled record.
  if (response == nullptr) return;
  std::memset(response, 0, sizeof(*response));
  response->error = "Core not available";
  response->status = 503;
}

void AppModule::Reserved1(uintptr_t a, uintptr_t b) {
  CoreInterface* table = core();
  if (table != nullptr && table->Reserved1 != nullptr) table->Reserved1(table, a, b);
}

void AppModule::SendEvent(const CoreEvent* event) {
  CoreInterface* table = core();
  if (table != nullptr && table->SendEvent != nullptr) table->SendEvent(table, event);
}

void AppModule::RegisterEventHandler(const char* name, HostContext host_context,
                                     EventCallbackFn callback, void* context, uint8_t flag) {
  CoreInterface* table = core();
  if (table != nullptr && table->RegisterEventHandler != nullptr) {
    table->RegisterEventHandler(table, name, host_context, callback, context, flag);
  }
}

void AppModule::UnregisterEventHandler(const char* name, HostContext host_context) {
  CoreInterface* table = core();
  if (table != nullptr && table->UnregisterEventHandler != nullptr) {
    table->UnregisterEventHandler(table, name, host_context);
  }
}

void AppModule::Reserved5(uintptr_t a, uintptr_t b, uintptr_t c, uint64_t d, uintptr_t e) {
  CoreInterface* table = core();
  if (table != nullptr && table->Reserved5 != nullptr) table->Reserved5(table, a, b, c, d, e);
}

void AppModule::Yield() {
  CoreInterface* table = core();
  if (table != nullptr && table->Yield != nullptr) table->Yield(table);
}

void AppModule::BeginWait(const char* label, uintptr_t word) {
  CoreInterface* table = core();
  if (table != nullptr && table->BeginWait != nullptr) table->BeginWait(table, label, word);
}

uint64_t AppModule::EndWait() {
  CoreInterface* table = core();
  if (table != nullptr && table->EndWait != nullptr) return table->EndWait(table);
  return 0;
}

void AppModule::RegisterEndpoints() {}

bool AppModule::OnInitialize() { return true; }

// --- Events and waiting ---------------------------------------------------------

void AppModule::RegisterEventHandler(const std::string& name,
                                     std::shared_ptr<EventHandler> handler, uint8_t flag) {
  event_handlers_[name] = std::move(handler);
  RegisterEventHandler(name.c_str(), host_context_, &PluginHost::EventCallback, this, flag);
}

uint64_t AppModule::YieldOnce() {
  BeginWait("Wait: yield", 0);
  Yield();
  return EndWait();
}

// --- Endpoints -----------------------------------------------------------------

void AppModule::AddEndpoint(RequestMethod method, std::string_view method_name,
                            std::string_view path, std::vector<EndpointParameter> parameters,
                            BindingTypeId returns, std::unique_ptr<EndpointInvoker> invoker) {
  const std::string path_template = TrimTrailingSlash(path);
  std::string given_name;
  if (method == RequestMethod::kNamed) given_name = std::string(method_name);
  const std::string prefix = method == RequestMethod::kNamed ? given_name
                                                               : RequestMethodName(method);
  const std::string name = ToIdentifierWithPrefix(prefix, path_template);

  auto route = std::make_unique<EndpointRoute>(method, given_name, path_template);
  route->parameters = std::move(parameters);
  route->invoker = std::move(invoker);
  for (const std::string& placeholder : route->placeholder_names) {
    bool named = false;
    for (const EndpointParameter& parameter : route->parameters) named |= parameter.name == placeholder;
    if (!named) {
      LogError("%s: the placeholder {%s} of %s names no parameter of %s", short_name_.c_str(),
               placeholder.c_str(), path_template.c_str(), name.c_str());
    }
  }

  if (const BindingFunctionDescriptor* existing = registry_.FindFunction(name)) {
    auto* function = dynamic_cast<EndpointFunction*>(existing->extension.get());
    if (function == nullptr) {
      LogError("%s: %s is already registered and is not an endpoint", short_name_.c_str(),
               name.c_str());
      return;
    }
    function->AddRoute(std::move(route));
    return;
  }

  BindingFunctionDescriptor descriptor;
  descriptor.name = name;
  descriptor.name_space = api_namespace_;
  for (const EndpointParameter& parameter : route->parameters) {
    BindingArgumentDescriptor argument;
    argument.name = parameter.name;
    argument.type = parameter.type;
    argument.optional = parameter.optional;
    descriptor.arguments.push_back(std::move(argument));
  }
  descriptor.returns = returns;
  auto function = std::make_shared<EndpointFunction>(*this, name);
  function->AddRoute(std::move(route));
  descriptor.extension = std::move(function);
  registry_.AddFunction(std::move(descriptor));
}

}  // namespace tav
