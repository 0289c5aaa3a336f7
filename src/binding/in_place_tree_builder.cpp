#include "binding/in_place_tree_builder.h"

#include "binding/nesting_depth.h"

namespace tav {

InPlaceTreeBuilder::InPlaceTreeBuilder(BindingProperty& root, RepeatedArrays repeated_arrays)
    : root_(root), repeated_arrays_(repeated_arrays) {
  open_.reserve(32);
}

BindingProperty& InPlaceTreeBuilder::Target() {
  if (open_.empty()) return root_;
  Open& top = open_.back();
  if (top.is_object) return *pending_field_;
  if (repeated_arrays_ == RepeatedArrays::kAppend) return top.cell->Append();
  return top.cell->MutableElement(top.next++);
}

bool InPlaceTreeBuilder::Begin(bool is_object, size_t size_hint) {
  if (open_.size() >= kMaxNestingDepth) return false;
  BindingProperty& cell = Target();
  if (is_object) {
    cell.MakeStructure();
    cell.ReserveFields(size_hint);
  } else {
    cell.MakeCollection();
    cell.Reserve(size_hint);
  }
  open_.push_back(Open{&cell, 0, is_object});
  if (is_object) {
    names_.BeginObject(cell, open_.size());
  } else {
    names_.BeginArray(cell, open_.size());
  }
  return true;
}

bool InPlaceTreeBuilder::BeginArray(size_t size_hint) { return Begin(false, size_hint); }
bool InPlaceTreeBuilder::BeginObject(size_t size_hint) { return Begin(true, size_hint); }

void InPlaceTreeBuilder::Key(std::string_view name) {
  pending_field_ = &names_.Field(*open_.back().cell, open_.size(), name);
}

void InPlaceTreeBuilder::EndArray() {
  names_.EndArray(*open_.back().cell, open_.size());
  open_.pop_back();
}

bool InPlaceTreeBuilder::EndObject() {
  open_.pop_back();
  return true;
}

}  // namespace tav
