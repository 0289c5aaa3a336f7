// JSON codec against RapidJSON on the same texts (see codec_bench_documents.h):
//   read:  ParseJson into a BindingProperty vs rapidjson::Document::Parse,
//          and, once, a naive tree of std::map nodes built from RapidJSON's
//          SAX events;
//   write: WriteJson compact and pretty vs RapidJSON's Writer and
//          PrettyWriter over the parsed Document.
// Ratios against "rapidjson" are printed at the end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "binding/json_reader.h"
#include "binding/json_writer.h"
#include "codec_bench_documents.h"
#include "ratio_reporter.h"
#include "tree_bytes.h"

namespace {

// One heap node per value, fields in a std::map.
struct NaiveNode {
  enum class Kind { kNull, kBool, kSigned, kUnsigned, kFloat, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  union {
    bool boolean;
    int64_t i64;
    uint64_t u64;
    double f64;
  } number{};
  std::string text;
  std::vector<NaiveNode*> elements;
  std::map<std::string, NaiveNode*> fields;

  ~NaiveNode() {
    for (NaiveNode* element : elements) delete element;
    for (auto& field : fields) delete field.second;
  }
};

class NaiveBuilder {
 public:
  NaiveNode* root = nullptr;

  bool Null() { return Put(new NaiveNode); }
  bool Bool(bool b) { return Scalar(NaiveNode::Kind::kBool, [&](NaiveNode& n) { n.number.boolean = b; }); }
  bool Int(int i) { return Int64(i); }
  bool Uint(unsigned u) { return Uint64(u); }
  bool Int64(int64_t i) { return Scalar(NaiveNode::Kind::kSigned, [&](NaiveNode& n) { n.number.i64 = i; }); }
  bool Uint64(uint64_t u) { return Scalar(NaiveNode::Kind::kUnsigned, [&](NaiveNode& n) { n.number.u64 = u; }); }
  bool Double(double d) { return Scalar(NaiveNode::Kind::kFloat, [&](NaiveNode& n) { n.number.f64 = d; }); }
  bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
  bool String(const char* s, rapidjson::SizeType n, bool) {
    return Scalar(NaiveNode::Kind::kString, [&](NaiveNode& node) { node.text.assign(s, n); });
  }
  bool StartObject() { return Open(NaiveNode::Kind::kObject); }
  bool Key(const char* s, rapidjson::SizeType n, bool) {
    key_.assign(s, n);
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    open_.pop_back();
    return true;
  }
  bool StartArray() { return Open(NaiveNode::Kind::kArray); }
  bool EndArray(rapidjson::SizeType) {
    open_.pop_back();
    return true;
  }

 private:
  template <typename Fill>
  bool Scalar(NaiveNode::Kind kind, Fill fill) {
    auto* node = new NaiveNode;
    node->kind = kind;
    fill(*node);
    return Put(node);
  }
  bool Put(NaiveNode* node) {
    if (open_.empty()) {
      root = node;
    } else if (open_.back()->kind == NaiveNode::Kind::kArray) {
      open_.back()->elements.push_back(node);
    } else {
      NaiveNode*& slot = open_.back()->fields[key_];
      delete slot;
      slot = node;
    }
    return true;
  }
  bool Open(NaiveNode::Kind kind) {
    auto* node = new NaiveNode;
    node->kind = kind;
    Put(node);
    open_.push_back(node);
    return true;
  }
  std::vector<NaiveNode*> open_;
  std::string key_;
};

// NUL-terminated and padded for RapidJSON's 16-byte scans.
std::string Padded(const std::string& text) {
  std::string copy = text;
  copy.reserve(text.size() + 16);
  return copy;
}

void ReadTav(benchmark::State& state, const std::string& text) {
  state.counters["tree_bytes_per_input_byte"] =
      tav_bench::TreeBytes([&] { return tav::ParseJson(text); }) / static_cast<double>(text.size());
  for (auto _ : state) {
    tav::BindingResult result = tav::ParseJson(text);
    benchmark::DoNotOptimize(result.value().size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void ReadRapidJson(benchmark::State& state, const std::string& text) {
  const std::string padded = Padded(text);
  for (auto _ : state) {
    rapidjson::Document document;
    document.Parse(padded.c_str());
    benchmark::DoNotOptimize(document.IsObject());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void ReadNaive(benchmark::State& state, const std::string& text) {
  const std::string padded = Padded(text);
  for (auto _ : state) {
    NaiveBuilder builder;
    rapidjson::Reader reader;
    rapidjson::StringStream stream(padded.c_str());
    reader.Parse(stream, builder);
    benchmark::DoNotOptimize(builder.root);
    delete builder.root;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void WriteTav(benchmark::State& state, const std::string& text, const char* newline) {
  const tav::BindingResult parsed = tav::ParseJson(text);
  size_t size = 0;
  for (auto _ : state) {
    const std::string written = tav::WriteJson(parsed.value(), nullptr, newline);
    size = written.size();
    benchmark::DoNotOptimize(written.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

template <typename Writer>
void WriteRapidJson(benchmark::State& state, const std::string& text) {
  const std::string padded = Padded(text);
  rapidjson::Document document;
  document.Parse(padded.c_str());
  size_t size = 0;
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    document.Accept(writer);
    size = buffer.GetSize();
    benchmark::DoNotOptimize(buffer.GetString());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void RegisterAll() {
  for (const auto& [name, text] : tav_bench::Documents()) {
    const std::string* document = &text;
    const std::string read = "JsonRead/" + name + "/";
    benchmark::RegisterBenchmark((read + "tav").c_str(), [document](benchmark::State& s) {
      ReadTav(s, *document);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((read + "rapidjson").c_str(), [document](benchmark::State& s) {
      ReadRapidJson(s, *document);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((read + "naive-map-tree").c_str(),
                                 [document](benchmark::State& s) { ReadNaive(s, *document); })
        ->Unit(benchmark::kMillisecond);

    const std::string compact = "JsonWriteCompact/" + name + "/";
    benchmark::RegisterBenchmark((compact + "tav").c_str(), [document](benchmark::State& s) {
      WriteTav(s, *document, "");
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((compact + "rapidjson").c_str(), [document](benchmark::State& s) {
      WriteRapidJson<rapidjson::Writer<rapidjson::StringBuffer>>(s, *document);
    })->Unit(benchmark::kMillisecond);

    const std::string pretty = "JsonWritePretty/" + name + "/";
    benchmark::RegisterBenchmark((pretty + "tav").c_str(), [document](benchmark::State& s) {
      WriteTav(s, *document, "\n");
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((pretty + "rapidjson").c_str(), [document](benchmark::State& s) {
      WriteRapidJson<rapidjson::PrettyWriter<rapidjson::StringBuffer>>(s, *document);
    })->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  return tav_bench::RunWithRatios(argc, argv, "rapidjson");
}
