// MessagePack decoding against msgpack-cxx: DecodeMsgpack into a
// BindingProperty vs msgpack::unpack into its zone, on the benchmark
// documents (codec_bench_documents.h) encoded once with the test encoder.
// Without msgpack-cxx only our decoder runs. Ratios against "msgpack-cxx"
// are printed at the end.
#include <benchmark/benchmark.h>

#include <string>

#ifdef TAV_HAVE_MSGPACK
#include <msgpack.hpp>
#endif

#include "../tests/binding/msgpack_test_encoder.h"
#include "binding/json_reader.h"
#include "binding/msgpack_reader.h"
#include "codec_bench_documents.h"
#include "ratio_reporter.h"
#include "tree_bytes.h"

namespace {

const std::vector<std::pair<std::string, std::string>>& EncodedDocuments() {
  static const auto* encoded = [] {
    auto* list = new std::vector<std::pair<std::string, std::string>>();
    for (const auto& [name, text] : tav_bench::Documents()) {
      const tav::BindingResult parsed = tav::ParseJson(text);
      list->emplace_back(name, tav::testing::MsgpackTestEncoder::Encode(parsed.value()));
    }
    return list;
  }();
  return *encoded;
}

void DecodeTav(benchmark::State& state, const std::string& bytes) {
  state.counters["tree_bytes_per_input_byte"] =
      tav_bench::TreeBytes([&] { return tav::DecodeMsgpack(bytes.data(), bytes.size(), nullptr); }) /
      static_cast<double>(bytes.size());
  for (auto _ : state) {
    size_t consumed = 0;
    tav::BindingResult result = tav::DecodeMsgpack(bytes.data(), bytes.size(), &consumed);
    benchmark::DoNotOptimize(result.value().size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

#ifdef TAV_HAVE_MSGPACK
void DecodeMsgpackCxx(benchmark::State& state, const std::string& bytes) {
  for (auto _ : state) {
    msgpack::object_handle handle = msgpack::unpack(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(handle.get().type);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
#endif

void RegisterAll() {
  for (const auto& [name, bytes] : EncodedDocuments()) {
    const std::string* document = &bytes;
    const std::string prefix = "MsgpackDecode/" + name + "/";
    benchmark::RegisterBenchmark((prefix + "tav").c_str(), [document](benchmark::State& s) {
      DecodeTav(s, *document);
    })->Unit(benchmark::kMillisecond);
#ifdef TAV_HAVE_MSGPACK
    benchmark::RegisterBenchmark((prefix + "msgpack-cxx").c_str(),
                                 [document](benchmark::State& s) {
                                   DecodeMsgpackCxx(s, *document);
                                 })
        ->Unit(benchmark::kMillisecond);
#endif
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  return tav_bench::RunWithRatios(argc, argv, "msgpack-cxx");
}
