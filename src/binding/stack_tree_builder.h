// StackTreeBuilder: builds a BindingProperty tree from the events of a
// reader, bottom-up. The children of an open array or object wait on a
// stack; at its end the container takes them in one block of exactly the
// room it needs, its fields sorted by name. Nothing grows or moves while a
// container is open, and the common case of objects that repeat the names,
// in the same order, of the previous object at their depth costs neither
// interning nor comparing the names again: the names and the order they
// sort in are remembered per depth.
//
// The builder serves readers that hand anything unusual to a slower reader
// which builds in place: it refuses a repeated name (the slow reader merges
// such fields) and nesting past kMaxNestingDepth.
//
//   StackTreeBuilder builder;
//   builder.BeginObject();
//   builder.Key("id");
//   builder.Unsigned(7);
//   if (builder.EndObject()) builder.Finish(result.value());
#ifndef TAV_BINDING_STACK_TREE_BUILDER_H_
#define TAV_BINDING_STACK_TREE_BUILDER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "binding/binding_allocator.h"
#include "binding/binding_property.h"

namespace tav {

class StackTreeBuilder {
 public:
  StackTreeBuilder();
  ~StackTreeBuilder();
  StackTreeBuilder(const StackTreeBuilder&) = delete;
  StackTreeBuilder& operator=(const StackTreeBuilder&) = delete;

  // Containers open in the target of the next value (see below). False
  // when that would nest deeper than kMaxNestingDepth. The size hint is
  // there for the interface InPlaceTreeBuilder shares; no room is reserved
  // before the children are known.
  bool BeginArray(size_t size_hint = 0);
  bool BeginObject(size_t size_hint = 0);
  // The next value of the open object goes to the field `name`.
  void Key(std::string_view name);
  void EndArray();
  // False when two fields of the object share a name.
  bool EndObject();

  // Values go to the target: a new element of the open array, the field of
  // the last key of the open object, or the root.
  void Null() { Target(); }
  void Bool(bool value) { Scalar(BindingPropertyKind::kBool).payload_.boolean = value; }
  void Signed(int64_t value) { Scalar(BindingPropertyKind::kSigned).payload_.i64 = value; }
  void Unsigned(uint64_t value) { Scalar(BindingPropertyKind::kUnsigned).payload_.u64 = value; }
  void Float(double value) { Scalar(BindingPropertyKind::kFloat).payload_.f64 = value; }
  void String(std::string_view text);
  // A value of `kind` (empty, bool or a number kind) whose payload has the
  // bits `bits`, as BindingProperty keeps them: for readers that work out
  // kind and bits apart and would otherwise branch on the kind again.
  void ScalarBits(BindingPropertyKind kind, uint64_t bits) { Scalar(kind).payload_.u64 = bits; }
  void Blob(const void* data, size_t size) { Target().SetBlob(data, size); }

  // The cell the next value goes to (see above), for readers that fill it
  // with BindingProperty's setters.
  BindingProperty& Value() { return Target(); }
  // The root as built so far.
  const BindingProperty& root() const { return slots_[0].value; }

  // Containers still open, and whether the innermost is an object.
  size_t depth() const { return frames_.size(); }
  bool in_object() const { return !frames_.empty() && frames_.back().is_object; }

  // Moves the finished tree into `target`. Only once every container is
  // closed.
  void Finish(BindingProperty& target);

 private:
  struct Frame {
    uint32_t first = 0;  // slot of the first child
    uint32_t keys = 0;
    bool is_object = false;
    bool names_repeat = true;  // every key so far matched the remembered one
  };
  // The names of the last object closed at one depth and, when known, the
  // order they sort in (empty when already sorted).
  struct Shape {
    std::vector<const InternedString*> names;
    std::vector<uint32_t> order;
    bool order_known = false;
  };

  BindingProperty& Target();
  BindingProperty& Scalar(BindingPropertyKind kind) {
    BindingProperty& cell = Target();
    cell.kind_ = kind;
    return cell;
  }
  BindingStructEntry& PushSlot(const InternedString* name);
  bool Begin(bool is_object);
  inline const InternedString* NameAt(Shape& shape, Frame& frame, std::string_view name);
  bool SortOrder(Shape& shape, const BindingStructEntry* fields, uint32_t count);

  BindingAllocator* allocator_;
  BindingStructEntry* slots_ = nullptr;  // slot 0 is the root
  uint32_t size_ = 0;
  uint32_t capacity_ = 0;
  std::vector<Frame> frames_;
  std::vector<Shape> shapes_;  // by depth
};

}  // namespace tav

#endif  // TAV_BINDING_STACK_TREE_BUILDER_H_
