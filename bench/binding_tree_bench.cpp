// Building, deep-copying and destroying a perk-book shaped tree of about
// 10^5 cells: BindingProperty with its pooled, interning allocator against
// the same shape made of std::map/std::vector nodes allocated with new.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "binding/binding_property.h"
#include "binding/page_cache.h"
#include "ratio_reporter.h"
#include "tree_bytes.h"

using tav::BindingProperty;

namespace {

constexpr int kShards = 4;
constexpr int kPagesPerShard = 1300;  // ~19 cells a page: ~10^5 cells

const char* const kShardNames[kShards] = {"na2", "euw3", "kr1", "oc4"};
const char* const kPageNames[] = {"Thunder Path", "Quiet Harbor", "Ember Wake", "Iron Bloom"};

// The naive tree: one heap node per value, fields in a std::map.
struct NaiveNode {
  enum class Kind { kEmpty, kBool, kSigned, kString, kList, kObject } kind = Kind::kEmpty;
  int64_t number = 0;
  std::string text;
  std::vector<std::unique_ptr<NaiveNode>> elements;
  std::map<std::string, std::unique_ptr<NaiveNode>> fields;

  NaiveNode& Field(const std::string& name) {
    kind = Kind::kObject;
    auto& slot = fields[name];
    if (!slot) slot = std::make_unique<NaiveNode>();
    return *slot;
  }
  NaiveNode& Append() {
    kind = Kind::kList;
    elements.push_back(std::make_unique<NaiveNode>());
    return *elements.back();
  }
  std::unique_ptr<NaiveNode> Clone() const {
    auto copy = std::make_unique<NaiveNode>();
    copy->kind = kind;
    copy->number = number;
    copy->text = text;
    copy->elements.reserve(elements.size());
    for (const auto& element : elements) copy->elements.push_back(element->Clone());
    for (const auto& [name, value] : fields) copy->fields.emplace(name, value->Clone());
    return copy;
  }
};

void FillPage(BindingProperty& page, int shard, int index) {
  const int64_t id = shard * 100000 + index + 1;
  page.MutableField("current").SetBool(index == 0);
  page.MutableField("id").SetInt64(id);
  page.MutableField("isActive").SetBool(false);
  page.MutableField("isValid").SetBool(true);
  page.MutableField("isEditable").SetBool(true);
  page.MutableField("isDeletable").SetBool(true);
  page.MutableField("name").SetString(kPageNames[index % 4]);
  page.MutableField("order").SetInt64(index);
  page.MutableField("primaryStyleId").SetInt64(8000 + (index % 5) * 100);
  BindingProperty& perks = page.MutableField("selectedPerkIds");
  perks.Reserve(6);
  for (int i = 0; i < 6; ++i) perks.Append().SetInt64(8000 + i * 11 + index % 7);
  page.MutableField("subStyleId").SetInt64(8100 + (index % 4) * 100);
  page.MutableField("autoModifiedSelections").MakeCollection();
}

BindingProperty BuildBinding() {
  BindingProperty root;
  BindingProperty& books = root.MutableField("data").MutableField("perShardPerkBooks");
  for (int shard = 0; shard < kShards; ++shard) {
    BindingProperty& book = books.MutableField(kShardNames[shard]);
    book.MutableField("currentPageId").SetInt64(shard * 100000 + 1);
    BindingProperty& pages = book.MutableField("pages");
    pages.Reserve(kPagesPerShard);
    for (int i = 0; i < kPagesPerShard; ++i) FillPage(pages.Append(), shard, i);
  }
  root.MutableField("schemaVersion").SetUint64(5);
  return root;
}

void SetBool(NaiveNode& node, bool value) {
  node.kind = NaiveNode::Kind::kBool;
  node.number = value;
}
void SetInt(NaiveNode& node, int64_t value) {
  node.kind = NaiveNode::Kind::kSigned;
  node.number = value;
}
void SetText(NaiveNode& node, const char* value) {
  node.kind = NaiveNode::Kind::kString;
  node.text = value;
}

void FillPage(NaiveNode& page, int shard, int index) {
  const int64_t id = shard * 100000 + index + 1;
  SetBool(page.Field("current"), index == 0);
  SetInt(page.Field("id"), id);
  SetBool(page.Field("isActive"), false);
  SetBool(page.Field("isValid"), true);
  SetBool(page.Field("isEditable"), true);
  SetBool(page.Field("isDeletable"), true);
  SetText(page.Field("name"), kPageNames[index % 4]);
  SetInt(page.Field("order"), index);
  SetInt(page.Field("primaryStyleId"), 8000 + (index % 5) * 100);
  NaiveNode& perks = page.Field("selectedPerkIds");
  perks.kind = NaiveNode::Kind::kList;
  perks.elements.reserve(6);
  for (int i = 0; i < 6; ++i) SetInt(perks.Append(), 8000 + i * 11 + index % 7);
  SetInt(page.Field("subStyleId"), 8100 + (index % 4) * 100);
  page.Field("autoModifiedSelections").kind = NaiveNode::Kind::kList;
}

std::unique_ptr<NaiveNode> BuildNaive() {
  auto root = std::make_unique<NaiveNode>();
  NaiveNode& books = root->Field("data").Field("perShardPerkBooks");
  for (int shard = 0; shard < kShards; ++shard) {
    NaiveNode& book = books.Field(kShardNames[shard]);
    SetInt(book.Field("currentPageId"), shard * 100000 + 1);
    NaiveNode& pages = book.Field("pages");
    pages.kind = NaiveNode::Kind::kList;
    pages.elements.reserve(kPagesPerShard);
    for (int i = 0; i < kPagesPerShard; ++i) FillPage(pages.Append(), shard, i);
  }
  SetInt(root->Field("schemaVersion"), 5);
  return root;
}

void BuildAndDestroyBinding(benchmark::State& state) {
  state.counters["tree_bytes"] = tav_bench::TreeBytes(BuildBinding);
  for (auto _ : state) {
    BindingProperty tree = BuildBinding();
    benchmark::DoNotOptimize(tree);
  }
}

void BuildAndDestroyNaive(benchmark::State& state) {
  state.counters["tree_bytes"] = tav_bench::TreeBytes(BuildNaive);
  for (auto _ : state) {
    auto tree = BuildNaive();
    benchmark::DoNotOptimize(tree);
  }
}

void CopyAndDestroyBinding(benchmark::State& state) {
  const BindingProperty tree = BuildBinding();
  for (auto _ : state) {
    BindingProperty copy = tree.Clone();
    benchmark::DoNotOptimize(copy);
  }
}

void CopyAndDestroyNaive(benchmark::State& state) {
  const auto tree = BuildNaive();
  for (auto _ : state) {
    auto copy = tree->Clone();
    benchmark::DoNotOptimize(copy);
  }
}

void LifecycleBinding(benchmark::State& state) {
  for (auto _ : state) {
    BindingProperty tree = BuildBinding();
    BindingProperty copy = tree.Clone();
    benchmark::DoNotOptimize(copy);
  }
}

void LifecycleNaive(benchmark::State& state) {
  for (auto _ : state) {
    auto tree = BuildNaive();
    auto copy = tree->Clone();
    benchmark::DoNotOptimize(copy);
  }
}

BENCHMARK(BuildAndDestroyBinding)->Name("build+destroy/binding")->Unit(benchmark::kMillisecond);
BENCHMARK(BuildAndDestroyNaive)->Name("build+destroy/naive")->Unit(benchmark::kMillisecond);
BENCHMARK(CopyAndDestroyBinding)->Name("copy+destroy/binding")->Unit(benchmark::kMillisecond);
BENCHMARK(CopyAndDestroyNaive)->Name("copy+destroy/naive")->Unit(benchmark::kMillisecond);
BENCHMARK(LifecycleBinding)->Name("build+copy+destroy/binding")->Unit(benchmark::kMillisecond);
BENCHMARK(LifecycleNaive)->Name("build+copy+destroy/naive")->Unit(benchmark::kMillisecond);

}  // namespace


int main(int argc, char** argv) { return tav_bench::RunWithRatios(argc, argv, "naive"); }
