// Converting 2000 perk-page shaped structures to a BindingProperty tree and
// back: the registry's generic conversion against hand-written code that
// sets and reads every field directly (the least a conversion can cost).
#include <cstdint>
#include <string>
#include <vector>

#include "binding/binding_property.h"
#include "binding/binding_result.h"
#include "binding/binding_type_registry.h"
#include "binding/native_conversion.h"
#include "binding/type_registration.h"
#include "ratio_reporter.h"

namespace {

using tav::BindingProperty;
using tav::BindingResult;

struct Page {
  bool current = false;
  int32_t id = 0;
  bool isActive = false;
  bool isValid = false;
  bool isEditable = false;
  bool isDeletable = false;
  std::string name;
  int32_t order = 0;
  int32_t primaryStyleId = 0;
  std::vector<int32_t> selectedPerkIds;
  int32_t subStyleId = 0;
  std::vector<uint32_t> autoModifiedSelections;
};

constexpr int kPages = 2000;
const char* const kNames[] = {"Thunder Path", "Quiet Harbor", "Ember Wake", "Iron Bloom"};

std::vector<Page> MakePages() {
  std::vector<Page> pages(kPages);
  for (int i = 0; i < kPages; ++i) {
    Page& page = pages[i];
    page.current = i == 0;
    page.id = i + 1;
    page.isValid = page.isEditable = page.isDeletable = true;
    page.name = kNames[i % 4];
    page.order = i;
    page.primaryStyleId = 8000 + (i % 5) * 100;
    for (int p = 0; p < 6; ++p) page.selectedPerkIds.push_back(8000 + p * 11 + i % 7);
    page.subStyleId = 8100 + (i % 4) * 100;
  }
  return pages;
}

const tav::BindingTypeRegistry& Registry() {
  static tav::BindingTypeRegistry* registry = [] {
    auto* r = new tav::BindingTypeRegistry;
    tav::RegisterStruct<Page>(*r, "Page")
        .Field("current", &Page::current)
        .Field("id", &Page::id)
        .Field("isActive", &Page::isActive)
        .Field("isValid", &Page::isValid)
        .Field("isEditable", &Page::isEditable)
        .Field("isDeletable", &Page::isDeletable)
        .Field("name", &Page::name)
        .Field("order", &Page::order)
        .Field("primaryStyleId", &Page::primaryStyleId)
        .Field("selectedPerkIds", &Page::selectedPerkIds)
        .Field("subStyleId", &Page::subStyleId)
        .Field("autoModifiedSelections", &Page::autoModifiedSelections)
        .Commit();
    return r;
  }();
  return *registry;
}

void WriteByHand(BindingProperty& out, const std::vector<Page>& pages) {
  out.MakeCollection();
  out.Reserve(pages.size());
  for (const Page& page : pages) {
    BindingProperty& cell = out.Append();
    cell.MutableField("current").SetBool(page.current);
    cell.MutableField("id").SetInt64(page.id);
    cell.MutableField("isActive").SetBool(page.isActive);
    cell.MutableField("isValid").SetBool(page.isValid);
    cell.MutableField("isEditable").SetBool(page.isEditable);
    cell.MutableField("isDeletable").SetBool(page.isDeletable);
    cell.MutableField("name").SetString(page.name);
    cell.MutableField("order").SetInt64(page.order);
    cell.MutableField("primaryStyleId").SetInt64(page.primaryStyleId);
    BindingProperty& perks = cell.MutableField("selectedPerkIds");
    perks.MakeCollection();
    perks.Reserve(page.selectedPerkIds.size());
    for (int32_t perk : page.selectedPerkIds) perks.Append().SetInt64(perk);
    cell.MutableField("subStyleId").SetInt64(page.subStyleId);
    BindingProperty& modified = cell.MutableField("autoModifiedSelections");
    modified.MakeCollection();
    for (uint32_t position : page.autoModifiedSelections) modified.Append().SetUint64(position);
  }
}

void ReadByHand(std::vector<Page>& pages, const BindingProperty& input) {
  pages.clear();
  pages.resize(input.size());
  size_t i = 0;
  for (const BindingProperty& cell : input.Elements()) {
    Page& page = pages[i++];
    page.current = cell["current"].GetBool(false);
    page.id = static_cast<int32_t>(cell["id"].GetInt64(0));
    page.isActive = cell["isActive"].GetBool(false);
    page.isValid = cell["isValid"].GetBool(false);
    page.isEditable = cell["isEditable"].GetBool(false);
    page.isDeletable = cell["isDeletable"].GetBool(false);
    page.name.assign(cell["name"].GetString());
    page.order = static_cast<int32_t>(cell["order"].GetInt64(0));
    page.primaryStyleId = static_cast<int32_t>(cell["primaryStyleId"].GetInt64(0));
    const BindingProperty& perks = cell["selectedPerkIds"];
    page.selectedPerkIds.clear();
    for (const BindingProperty& perk : perks.Elements()) {
      page.selectedPerkIds.push_back(static_cast<int32_t>(perk.GetInt64(0)));
    }
    page.subStyleId = static_cast<int32_t>(cell["subStyleId"].GetInt64(0));
    page.autoModifiedSelections.clear();
    for (const BindingProperty& position : cell["autoModifiedSelections"].Elements()) {
      page.autoModifiedSelections.push_back(static_cast<uint32_t>(position.GetUint64(0)));
    }
  }
}

void ToBindingRegistry(benchmark::State& state) {
  const std::vector<Page> pages = MakePages();
  for (auto _ : state) {
    BindingResult result;
    tav::ToBinding(result, pages, Registry());
    benchmark::DoNotOptimize(result);
  }
}

void ToBindingByHand(benchmark::State& state) {
  const std::vector<Page> pages = MakePages();
  for (auto _ : state) {
    BindingResult result;
    WriteByHand(result.value(), pages);
    benchmark::DoNotOptimize(result);
  }
}

void FromBindingRegistry(benchmark::State& state) {
  BindingResult tree;
  tav::ToBinding(tree, MakePages(), Registry());
  for (auto _ : state) {
    std::vector<Page> pages;
    BindingResult result;
    tav::FromBinding(result, pages, tree.value(), "pages", Registry());
    benchmark::DoNotOptimize(pages);
  }
}

void FromBindingByHand(benchmark::State& state) {
  BindingResult tree;
  tav::ToBinding(tree, MakePages(), Registry());
  for (auto _ : state) {
    std::vector<Page> pages;
    ReadByHand(pages, tree.value());
    benchmark::DoNotOptimize(pages);
  }
}

BENCHMARK(ToBindingRegistry)->Name("to-binding/registry")->Unit(benchmark::kMicrosecond);
BENCHMARK(ToBindingByHand)->Name("to-binding/by-hand")->Unit(benchmark::kMicrosecond);
BENCHMARK(FromBindingRegistry)->Name("from-binding/registry")->Unit(benchmark::kMicrosecond);
BENCHMARK(FromBindingByHand)->Name("from-binding/by-hand")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return tav_bench::RunWithRatios(argc, argv, "by-hand"); }
