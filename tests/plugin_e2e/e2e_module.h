// The module of the end-to-end test plugin: endpoints that exercise the
// frame's routing, binding, responses, subscriptions, waiting, logging and
// heap counting through the real C ABI.
#ifndef TAV_TESTS_PLUGIN_E2E_E2E_MODULE_H_
#define TAV_TESTS_PLUGIN_E2E_E2E_MODULE_H_

#include <cstdint>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "plugin/app_module.h"
#include "plugin/request_context.h"

namespace tav::e2e {

struct Crate {
  std::string name;
  int32_t count = 0;
  std::vector<std::string> tags;
};

struct EchoReport {
  int32_t id = 0;
  bool flag = false;
  std::vector<int32_t> ids;
  std::string label;
  std::string trace;
  int32_t limit = -1;
  Crate crate;
  std::string url;
  std::string method;
};

class E2eModule : public AppModule {
 public:
  void RegisterEndpoints() override;

 private:
  MaybeType<Failure, std::string> ShelfItem(std::string x);
  MaybeType<Failure, std::string> ShelfLiteral();
  MaybeType<Failure, std::string> File(std::string rest);
  MaybeType<Failure, std::string> DeleteBox(int32_t id);
  MaybeType<Failure, std::string> DeleteBoxMarks(int32_t id);
  MaybeType<Failure, EchoReport> Echo(const RequestContext& request, int32_t id, bool flag,
                                      std::vector<int32_t> ids, std::optional<std::string> label,
                                      std::optional<std::string> trace,
                                      std::optional<int32_t> limit, std::optional<Crate> crate);
  MaybeType<Failure, Crate> PreviewCrate(Crate crate);
  MaybeType<Failure, Crate> StoreCrate(Crate crate);
  MaybeType<Failure, Empty> AddSubscription(std::string path);
  MaybeType<Failure, Empty> RemoveSubscription(std::string path);
  MaybeType<Failure, int32_t> WaitForRelease();
  MaybeType<Failure, Empty> Release(int32_t value);
  MaybeType<Failure, std::vector<Crate>> MakeCrates(int32_t count);
  MaybeType<Failure, Empty> Refuse();

  std::promise<MaybeType<Failure, int32_t>> release_;
};

}  // namespace tav::e2e

#endif  // TAV_TESTS_PLUGIN_E2E_E2E_MODULE_H_
