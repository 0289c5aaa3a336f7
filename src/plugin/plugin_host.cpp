#include "plugin/plugin_host.h"

#include <cstring>
#include <exception>
#include <string>

#include "binding/api_description_tables.h"
#include "binding/builtin_types.h"
#include "binding/core_value.h"
#include "log/assertion_report.h"
#include "log/log_category.h"
#include "log/log_level.h"
#include "log/logger.h"
#include "log/positional_format.h"
#include "plugin/core_types.h"
#include "plugin/live_objects.h"
#include "plugin/plugin_api_version.h"
#include "plugin/plugin_identity.h"
#include "plugin/plugin_log_target.h"
#include "plugin/request_dispatch.h"
#include "plugin/to_identifier.h"
#include "runtime/heap.h"

namespace tav {

namespace {

constexpr const char kPluginType[] = "backend";

void DestroyModule(AppModule* module) {
  module->~AppModule();
  HeapFree(module);
}

}  // namespace

// --- Load ----------------------------------------------------------------------

void PluginHost::Load(PluginHostInfo* info, std::string_view short_name, size_t module_size,
                      ModuleFactory factory) {
  if (info == nullptr) return;
  const PluginApiVersion core(info->major, info->minor, info->patch);
  if (!IsCoreCompatible(core, kPluginApiVersion)) {
    FatalErrorReport(
        "ALE-EECF0606",
        FormatMessage("%1 which supports plugin API %2 is not compatible with core's plugin API %3",
                      short_name, kPluginApiVersion.ToText(), core.ToText()));
  }

  void* memory = HeapAllocate(module_size);
  if (memory == nullptr) {
    LogError("%.*s: no memory for the module", static_cast<int>(short_name.size()),
             short_name.data());
    return;
  }
  std::memset(memory, 0, module_size);
  AppModule* module = nullptr;
  try {
    module = factory(memory);
    module->core_version_ = core;
    RunLoadSequence(*module, short_name);
  } catch (const std::exception& exception) {
    LogError("%.*s: loading failed: %s", static_cast<int>(short_name.size()), short_name.data(),
             exception.what());
    if (module != nullptr) DestroyModule(module); else HeapFree(memory);
    return;
  } catch (...) {
    LogError("%.*s: loading failed", static_cast<int>(short_name.size()), short_name.data());
    if (module != nullptr) DestroyModule(module); else HeapFree(memory);
    return;
  }

  info->major = kPluginApiVersion.major;
  info->minor = kPluginApiVersion.minor;
  info->patch = kPluginApiVersion.patch;
  info->entry_table = &module->entry_table_;
  info->module = module;
  info->short_name = module->short_name_.c_str();
  info->api_description = &module->api_description_;
}

void PluginHost::RunLoadSequence(AppModule& module, std::string_view short_name) {
  module.identity_ = MakePluginIdentity(short_name, kPluginType);
  module.short_name_ = std::string(short_name);
  module.log_groups_ = {"Plugins", "Plugin " + std::string(short_name)};
  module.api_namespace_ = ToIdentifier(short_name);
  RegisterBuiltinTypes(module.registry_);
  RegisterCoreTypes(module.registry_);
  module.RegisterEndpoints();
  BuildApiDescription(module);
  module.entry_table_ = PluginEntryTable{&PluginHost::Initialize, &PluginHost::Shutdown,
                                         &PluginHost::GetMemoryStatistics};
}

void PluginHost::BuildApiDescription(AppModule& module) {
  module.api_tables_ = std::make_unique<ApiDescriptionTables>(module.registry_);
  const std::vector<const BindingFunctionDescriptor*> functions =
      module.registry_.SnapshotFunctions();
  std::vector<FunctionRecord>& records = module.function_records_;
  records.assign(functions.size(), FunctionRecord{});
  module.argument_locations_.assign(functions.size(), {});
  for (size_t i = 0; i < functions.size(); ++i) {
    FunctionRecord& record = records[i];
    auto* endpoint = dynamic_cast<EndpointFunction*>(functions[i]->extension.get());
    record.description.dispatch_context = endpoint;
    module.api_tables_->CopyFunctionDescription(functions[i]->name, record);
    record.dispatch = &DispatchRequest;
    // A function with several routes announces its first one.
    if (endpoint != nullptr && !endpoint->routes().empty()) {
      const EndpointRoute& route = *endpoint->routes().front();
      record.route_method = static_cast<uint32_t>(route.method);
      record.route_template = route.route.text().c_str();
      // The description's arguments are this route's parameters, in order.
      std::vector<uint8_t>& locations = module.argument_locations_[i];
      for (const EndpointParameter& parameter : route.parameters) {
        locations.push_back(static_cast<uint8_t>(parameter.location));
      }
      if (!locations.empty()) record.argument_locations = locations.data();
    }
  }
  LinkFunctionRecords(records.data(), records.size());

  PluginApiDescription words = module.api_tables_->Words();
  words.functions = records.empty() ? nullptr : records.data();
  words.function_count = static_cast<uint32_t>(records.size());
  module.api_description_ = words;
}

// --- Entry points ------------------------------------------------------------------

uint8_t PluginHost::Initialize(void* module_word, PluginInitArgs* args) {
  if (!LiveModules().Contains(module_word) || args == nullptr || args->core == nullptr) return 0;
  AppModule& module = *static_cast<AppModule*>(module_word);
  try {
    module.init_args_ = args;
    if (FindLogTarget(kPluginLogTargetName) == nullptr) InstallLogTarget(module, args->core);
    module.user_agent_ =
        FormatMessage("VexaClient/%1 (%2)", module.core_version_.ToText(), module.short_name_);
    module.host_context_ = args->host_context;
    AppModule* self = &module;
    module.RegisterTypedEventHandler<PluginServiceProxyResponse>(
        "OnServiceProxyUuidEvent",
        [self](const PluginServiceProxyResponse& response) {
          self->HandleServiceProxyUuidEvent(response);
        },
        1);
    module.RegisterTypedEventHandler<PluginServiceProxyResponse>(
        "OnServiceProxyMethodEvent",
        [self](const PluginServiceProxyResponse& response) {
          self->HandleServiceProxyMethodEvent(response);
        },
        1);
    module.RegisterTypedEventHandler<PluginServiceProxyResponse>(
        "OnServiceProxyAsyncEvent",
        [self](const PluginServiceProxyResponse& response) {
          self->HandleServiceProxyAsyncEvent(response);
        },
        1);
    return module.OnInitialize() ? 1 : 0;
  } catch (const std::exception& exception) {
    LogError("%s: initialization failed: %s", module.short_name_.c_str(), exception.what());
  } catch (...) {
    LogError("%s: initialization failed", module.short_name_.c_str());
  }
  return 0;
}

// The core's log takes over from the standard-error target: a host that
// writes its log to the console would otherwise show every line twice. The
// debugger-console target stays (it writes only under a debugger), and the
// standard-output target stays off as it was.
void PluginHost::InstallLogTarget(AppModule& module, CoreInterface* core) {
  module.log_target_ = std::make_unique<PluginLogTarget>(core);
  RemoveLogTarget(GetStdErrLogTarget());
  ConfigureLogTarget(module.log_target_.get(), kLogLevelOkay, 0, 0, kPluginLogTemplate);
}

void PluginHost::Shutdown(void* module_word) {
  // A second Shutdown, or a word that was never a module, finds nothing.
  if (!LiveModules().Contains(module_word)) return;
  AppModule* module = static_cast<AppModule*>(module_word);
  try {
    module->shutting_down_ = true;
    module->Finalize();
  } catch (...) {
    LogError("%s: finalizing failed", module->short_name_.c_str());
  }
  try {
    DestroyModule(module);
  } catch (...) {
  }
}

void PluginHost::GetMemoryStatistics(void*, MemoryStatistics* statistics) {
  if (statistics == nullptr) return;
  const HeapCounters counters = ReadHeapCounters();
  statistics->peak_bytes = counters.peak_bytes;
  statistics->allocations_at_peak = counters.allocations_at_peak;
  statistics->total_bytes_allocated = counters.total_bytes_allocated;
  statistics->allocation_count = counters.allocation_count;
  statistics->total_bytes_freed = counters.total_bytes_freed;
  statistics->free_count = counters.free_count;
  statistics->reserved0 = 0;
  statistics->reserved1 = 0;
}

// --- Events -------------------------------------------------------------------------

void PluginHost::EventCallback(const CoreEvent* event) {
  if (event == nullptr || event->name == nullptr || !LiveModules().Contains(event->context)) {
    return;
  }
  AppModule& module = *static_cast<AppModule*>(event->context);
  try {
    const auto found = module.event_handlers_.find(std::string(event->name));
    if (found == module.event_handlers_.end()) return;
    // The copy keeps the handler alive even if it unregisters itself.
    const std::shared_ptr<EventHandler> handler = found->second;
    ResponseRecord error_record{};
    BindingProperty payload;
    if (!FromCoreValue(event->payload, "<result>", &error_record, &payload)) {
      if (error_record.error_owned != 0) HeapFree(const_cast<char*>(error_record.error));
      return;
    }
    handler->Handle(module, event->name, payload);
  } catch (const std::exception& exception) {
    LogError("%s: exception while handling event %s: %s", module.short_name_.c_str(),
             event->name, exception.what());
  } catch (...) {
    LogError("%s: exception while handling event %s", module.short_name_.c_str(), event->name);
  }
}

}  // namespace tav
