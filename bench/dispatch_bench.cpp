// One GET endpoint that answers a list of 100 registered structures, called
// through the plugin's C ABI (the FunctionRecord's dispatch entry with a
// request record, then the record's release operation) against calling the
// handler directly and converting its result to the core's value form (the
// least any dispatch can cost). Both run in-process on the same module.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "binding/binding_result.h"
#include "binding/core_value.h"
#include "binding/native_conversion.h"
#include "binding/type_registration.h"
#include "plugin/app_module.h"
#include "plugin/plugin_host.h"
#include "ratio_reporter.h"

namespace {

using tav::Failure;
using tav::MaybeType;

struct Rune {
  int32_t id = 0;
  std::string name;
  std::string iconPath;
  std::vector<int32_t> slots;
  bool enabled = false;
};

constexpr int kRunes = 100;
const char* const kNames[] = {"Glacier Step", "Cinder Oath", "Moss Lantern", "Tide Ward"};

class BenchModule : public tav::AppModule {
 public:
  void RegisterEndpoints() override {
    tav::RegisterStruct<Rune>(registry(), api_namespace() + "Rune")
        .Field("id", &Rune::id)
        .Field("name", &Rune::name)
        .Field("iconPath", &Rune::iconPath)
        .Field("slots", &Rune::slots)
        .Field("enabled", &Rune::enabled)
        .Commit();
    Get("/bench/v1/runes", &BenchModule::ListRunes);
    runes_.resize(kRunes);
    for (int i = 0; i < kRunes; ++i) {
      Rune& rune = runes_[i];
      rune.id = 9000 + i;
      rune.name = kNames[i % 4];
      rune.iconPath = "/runes/icons/" + std::to_string(rune.id) + ".png";
      rune.slots = {i % 3, i % 5, i % 7};
      rune.enabled = i % 2 == 0;
    }
  }

  MaybeType<Failure, std::vector<Rune>> ListRunes() { return runes_; }

 private:
  std::vector<Rune> runes_;
};

struct LoadedBench {
  LoadedBench() {
    std::memset(&info, 0, sizeof(info));
    info.major = 18;
    tav::LoadPlugin<BenchModule>(&info, "tav-bench");
    record = &info.api_description->functions[0];
  }
  ~LoadedBench() { info.entry_table->Shutdown(info.module); }
  BenchModule& module() { return *static_cast<BenchModule*>(info.module); }

  PluginHostInfo info;
  const FunctionRecord* record = nullptr;
};

LoadedBench& Bench() {
  static LoadedBench* bench = new LoadedBench();
  return *bench;
}

void BM_ListRunes_Direct(benchmark::State& state) {
  BenchModule& module = Bench().module();
  for (auto _ : state) {
    MaybeType<Failure, std::vector<Rune>> result = module.ListRunes();
    tav::BindingResult tree;
    tav::ToBinding(tree, result.value(), module.registry());
    CoreValue value{};
    tav::ToCoreValue(tree.value(), &module.registry(), &value);
    benchmark::DoNotOptimize(value);
    tav::ReleaseCoreValue(&value);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ListRunes_Dispatch(benchmark::State& state) {
  const FunctionRecord& record = *Bench().record;
  RequestRecord request;
  std::memset(&request, 0, sizeof(request));
  request.method = TAV_METHOD_GET;
  request.url = "/bench/v1/runes";
  request.dispatch_context = record.description.dispatch_context;
  for (auto _ : state) {
    ResponseRecord response;
    record.dispatch(&response, &request);
    if (response.status != 200) state.SkipWithError("dispatch failed");
    benchmark::DoNotOptimize(response);
    response.record_release(&response);
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ListRunes_Direct)->Name("ListRunes/direct");
BENCHMARK(BM_ListRunes_Dispatch)->Name("ListRunes/dispatch");

}  // namespace

int main(int argc, char** argv) { return tav_bench::RunWithRatios(argc, argv, "direct"); }
