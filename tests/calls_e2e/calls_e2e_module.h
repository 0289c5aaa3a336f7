// The module of the calls end-to-end test plugin: endpoints that make the
// frame's outgoing calls (remote calls, observation, service proxy, LCDS,
// resource events and telemetry) so that the development core can answer
// them through the real C ABI.
#ifndef TAV_TESTS_CALLS_E2E_CALLS_E2E_MODULE_H_
#define TAV_TESTS_CALLS_E2E_CALLS_E2E_MODULE_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "binding/binding_property.h"
#include "plugin/app_module.h"

namespace tav::calls_e2e {

struct Coin {
  int32_t value = 0;
  std::string mint;
};

struct Purse {
  std::string owner;
  std::vector<Coin> coins;
};

struct Totem {
  int32_t level = 0;
  std::string label;
};

// What the observers have seen, in order.
struct WatchReport {
  std::vector<std::string> events;  // "<observer> <uri> <type> <level>"
  int32_t proxies_waiting = 0;
  int32_t counter = 0;
};

class CallsE2eModule : public AppModule {
 public:
  void RegisterEndpoints() override;
  void Finalize() override;

 private:
  MaybeType<Failure, BindingProperty> Fetch(std::string url);
  MaybeType<Failure, int32_t> FetchNumber(std::string url);
  MaybeType<Failure, Purse> Weigh(Purse purse);
  MaybeType<Failure, std::vector<std::string>> WatchTwice(std::string payload);
  MaybeType<Failure, Empty> Watch(std::string path);
  MaybeType<Failure, WatchReport> Report();
  MaybeType<Failure, int32_t> Tick();
  MaybeType<Failure, Empty> Publish(std::string path, Totem totem);
  MaybeType<Failure, Empty> Telemetry(std::string table, std::map<std::string, std::string> fields);
  MaybeType<Failure, Coin> Deposit(Purse purse);
  MaybeType<Failure, Empty> ArmFinalizeProbe();

  WatchReport report_;
  std::vector<std::string> method_answers_;
  bool finalize_probe_ = false;
};

}  // namespace tav::calls_e2e

#endif  // TAV_TESTS_CALLS_E2E_CALLS_E2E_MODULE_H_
