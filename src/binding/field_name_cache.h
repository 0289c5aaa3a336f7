// FieldNameCache: remembers the shape of the previous object and array at
// each depth of a tree being built, as the elements of an array usually
// repeat it. The i-th name of an object is first compared with the i-th name
// of the previous object at its depth; only a mismatch interns it. A new
// object or array reserves the room its predecessor at that depth needed.
//
//   FieldNameCache names;
//   names.BeginObject(object, depth);              // on "{"
//   BindingProperty& field = names.Field(object, depth, key);
//   names.BeginArray(array, depth);                // on "["
//   names.EndArray(array, depth);                  // on "]"
//
// The cache holds references to the names it remembers and to their
// allocator, so it stays valid whatever the builder replaces meanwhile.
#ifndef TAV_BINDING_FIELD_NAME_CACHE_H_
#define TAV_BINDING_FIELD_NAME_CACHE_H_

#include <cstddef>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"

namespace tav {

class FieldNameCache {
 public:
  FieldNameCache() = default;
  ~FieldNameCache();
  FieldNameCache(const FieldNameCache&) = delete;
  FieldNameCache& operator=(const FieldNameCache&) = delete;

  // A new object starts at `depth`: its names are matched from the first.
  void BeginObject(BindingProperty& object, size_t depth);
  void BeginArray(BindingProperty& array, size_t depth);
  void EndArray(const BindingProperty& array, size_t depth);

  // object.MutableField(name), with the name matched against the cache.
  BindingProperty& Field(BindingProperty& object, size_t depth, std::string_view name);

 private:
  struct Level {
    std::vector<const InternedString*> names;
    size_t next = 0;
    size_t array_size = 0;  // of the previous array at this depth
  };
  Level& LevelAt(size_t depth);

  std::vector<Level> levels_;
  BindingAllocator* allocator_ = nullptr;
};

}  // namespace tav

#endif  // TAV_BINDING_FIELD_NAME_CACHE_H_
