// InPlaceTreeBuilder: builds a BindingProperty tree from the events of a
// reader by writing each value straight into its cell, with the mutators of
// BindingProperty. A repeated key reuses its field: a later scalar replaces
// the earlier value, objects merge, and a later array either appends to the
// earlier one or, for MessagePack, overwrites it from its first element.
// Slower than StackTreeBuilder, whose interface it shares, but it takes
// every text; the readers use it for what the stack builder refuses.
//
//   InPlaceTreeBuilder builder(result.value(), RepeatedArrays::kAppend);
//   builder.BeginObject();
//   builder.Key("id");
//   builder.Unsigned(7);
//   builder.EndObject();
#ifndef TAV_BINDING_IN_PLACE_TREE_BUILDER_H_
#define TAV_BINDING_IN_PLACE_TREE_BUILDER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "binding/field_name_cache.h"

namespace tav {

// What a second array under a repeated key does to the first.
enum class RepeatedArrays { kAppend, kOverwrite };

class InPlaceTreeBuilder {
 public:
  InPlaceTreeBuilder(BindingProperty& root, RepeatedArrays repeated_arrays);

  // As StackTreeBuilder's. `size_hint`, the number of items announced, is
  // reserved up front.
  bool BeginArray(size_t size_hint = 0);
  bool BeginObject(size_t size_hint = 0);
  void Key(std::string_view name);
  void EndArray();
  bool EndObject();

  void Null() { Target(); }
  void Bool(bool value) { Target().SetBool(value); }
  void Signed(int64_t value) { Target().SetInt64(value); }
  void Unsigned(uint64_t value) { Target().SetUint64(value); }
  void Float(double value) { Target().SetDouble(value); }
  void String(std::string_view text) { Target().SetString(text); }
  void Blob(const void* data, size_t size) { Target().SetBlob(data, size); }

  size_t depth() const { return open_.size(); }
  bool in_object() const { return !open_.empty() && open_.back().is_object; }

 private:
  struct Open {
    BindingProperty* cell;
    uint32_t next;  // the element an overwriting array writes next
    bool is_object;
  };

  // The cell the next value goes to. Only the innermost container ever
  // grows, so the cells of the outer ones stay where they are.
  BindingProperty& Target();
  bool Begin(bool is_object, size_t size_hint);

  BindingProperty& root_;
  const RepeatedArrays repeated_arrays_;
  std::vector<Open> open_;
  BindingProperty* pending_field_ = nullptr;
  FieldNameCache names_;
};

}  // namespace tav

#endif  // TAV_BINDING_IN_PLACE_TREE_BUILDER_H_
