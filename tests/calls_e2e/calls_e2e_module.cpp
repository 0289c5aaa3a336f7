#include "calls_e2e_module.h"

#include <utility>

#include "binding/type_registration.h"
#include "log/logger.h"
#include "plugin/resource_observer.h"
#include "plugin/service_proxy.h"

namespace tav::calls_e2e {

namespace {

const char* TypeName(PluginResourceEventType type) {
  switch (type) {
    case PluginResourceEventType::Create:
      return "Create";
    case PluginResourceEventType::Update:
      return "Update";
    case PluginResourceEventType::Delete:
      return "Delete";
  }
  return "?";
}

}  // namespace

void CallsE2eModule::RegisterEndpoints() {
  BindingTypeRegistry& types = registry();
  RegisterStruct<Coin>(types, api_namespace() + "Coin")
      .Field("value", &Coin::value)
      .Field("mint", &Coin::mint)
      .Commit();
  RegisterStruct<Purse>(types, api_namespace() + "Purse")
      .Field("owner", &Purse::owner)
      .Field("coins", &Purse::coins)
      .Commit();
  RegisterStruct<Totem>(types, api_namespace() + "Totem")
      .Field("level", &Totem::level)
      .Field("label", &Totem::label)
      .Commit();
  RegisterStruct<WatchReport>(types, api_namespace() + "WatchReport")
      .Field("events", &WatchReport::events)
      .Field("proxiesWaiting", &WatchReport::proxies_waiting)
      .Field("counter", &WatchReport::counter)
      .Commit();

  Post("/calls-e2e/v1/weigh", &CallsE2eModule::Weigh, BodyArg("purse"));
  Post("/calls-e2e/v1/watch-twice", &CallsE2eModule::WatchTwice, QueryArg("payload"));
  Post("/calls-e2e/v1/watch", &CallsE2eModule::Watch, QueryArg("path"));
  Get("/calls-e2e/v1/report", &CallsE2eModule::Report);
  Post("/calls-e2e/v1/tick", &CallsE2eModule::Tick);
  Post("/calls-e2e/v1/finalize-probe", &CallsE2eModule::ArmFinalizeProbe);
}

void CallsE2eModule::Finalize() {
  if (finalize_probe_) {
    const std::string reason = InvokeServiceProxy(
        "vault", "weigh", Purse{}, "", [](const PluginServiceProxyResponse&) {});
    LogAlways("calls-e2e: a request while finalizing: %s", reason.c_str());
  }
  AppModule::Finalize();
}



MaybeType<Failure, Purse> CallsE2eModule::Weigh(Purse purse) {
  ++report_.proxies_waiting;
  MaybeType<Failure, Purse> weighed = CallServiceProxy<Purse>("vault", "weigh", purse);
  --report_.proxies_waiting;
  return weighed;
}

MaybeType<Failure, std::vector<std::string>> CallsE2eModule::WatchTwice(std::string payload) {
  auto handler = [this](const PluginServiceProxyResponse& response) {
    method_answers_.push_back(response.payload);
  };
  return std::vector<std::string>{
      InvokeServiceProxy("vault", "watch", payload, "onwatch", handler),
      InvokeServiceProxy("vault", "watch", payload, "onwatch", handler)};
}

MaybeType<Failure, Empty> CallsE2eModule::Watch(std::string path) {
  Observe<Totem>(path, [this, path](const RemotingTypedResult<Totem>& result) {
    report_.events.push_back(path + " " + result.uri + " " + TypeName(result.eventType) + " " +
                             std::to_string(result.value.level));
  });
  return Empty{};
}

MaybeType<Failure, WatchReport> CallsE2eModule::Report() { return report_; }

MaybeType<Failure, int32_t> CallsE2eModule::Tick() {
  report_.events.push_back("tick while " + std::to_string(report_.proxies_waiting) +
                           " proxy call(s) wait");
  return ++report_.counter;
}




MaybeType<Failure, Empty> CallsE2eModule::ArmFinalizeProbe() {
  finalize_probe_ = true;
  return Empty{};
}

}  // namespace tav::calls_e2e
