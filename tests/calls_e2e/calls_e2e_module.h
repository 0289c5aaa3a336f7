// The module of the calls end-to-end test plugin: endpoints that observe
// resources and call the service proxy, so that the development core can
// answer them through the real C ABI.
#ifndef TAV_TESTS_CALLS_E2E_CALLS_E2E_MODULE_H_
#define TAV_TESTS_CALLS_E2E_CALLS_E2E_MODULE_H_

#include <cstdint>
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
  MaybeType<Failure, Purse> Weigh(Purse purse);
  MaybeType<Failure, std::vector<std::string>> WatchTwice(std::string payload);
  MaybeType<Failure, Empty> Watch(std::string path);
  MaybeType<Failure, WatchReport> Report();
  MaybeType<Failure, int32_t> Tick();
  MaybeType<Failure, Empty> ArmFinalizeProbe();

  WatchReport report_;
  std::vector<std::string> method_answers_;
  bool finalize_probe_ = false;
};

}  // namespace tav::calls_e2e

#endif  // TAV_TESTS_CALLS_E2E_CALLS_E2E_MODULE_H_
