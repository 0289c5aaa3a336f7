// BindingTypeRegistry: the per-module registry of native structures and
// enumerations, and of the module's API functions and events.
//
// Types are registered once at start-up (see type_registration.h) and then
// only read. Descriptors are never removed or moved: pointers to them, and
// to their texts, stay valid as long as the registry. One mutex guards every
// map; each look-up holds it for the map access only.
//
//   BindingTypeRegistry registry;
//   RegisterEnum<Color>(registry, "Color").Value("Red", Color::kRed).Commit();
//   registry.FindType("Color")->is_enum;          // true
//   registry.FindEnumValueName(TypeKeyOf<Color>().number(), 1);  // "Red"
#ifndef TAV_BINDING_BINDING_TYPE_REGISTRY_H_
#define TAV_BINDING_BINDING_TYPE_REGISTRY_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "binding/binding_event_descriptor.h"
#include "binding/binding_function_descriptor.h"
#include "binding/binding_type_builder.h"
#include "binding/binding_type_descriptor.h"
#include "binding/binding_type_id.h"
#include "binding/type_key.h"

namespace tav {

class BindingTypeRegistry {
 public:
  BindingTypeRegistry();
  ~BindingTypeRegistry();
  BindingTypeRegistry(const BindingTypeRegistry&) = delete;
  BindingTypeRegistry& operator=(const BindingTypeRegistry&) = delete;

  // --- Types ---

  // Begins the registration of a type. A new name gets a descriptor, entered
  // at once under its name and under `key` (a key already taken keeps its
  // first type). A name already registered gives an inert builder.
  // Registration must be finished before conversions run on other threads.
  BindingTypeBuilder BeginType(uint32_t native_size, std::string_view name, const TypeKey& key,
                               bool is_enum);

  // Null when not registered.
  const BindingTypeDescriptor* FindType(const TypeKey& key) const;
  const BindingTypeDescriptor* FindTypeByKeyNumber(uint32_t key_number) const;
  const BindingTypeDescriptor* FindType(std::string_view name) const;

  // {kEnum or kStruct, kNone, type} for a registered key; all zero otherwise.
  BindingTypeId TypeIdOf(const TypeKey& key) const;

  // The name of `value` in the enumeration whose TypeKey number is
  // `type_key`: the first name in byte order whose number equals the value.
  // Null when the enumeration is unknown or no name has that number. The
  // text lives as long as the registry.
  const char* FindEnumValueName(uint32_t type_key, int32_t value) const;

  // "Type.field" for every field that needs a registered enumeration or
  // structure but found none when it was added (its type was registered
  // later, or never). Such fields fail every conversion.
  std::vector<std::string> FindUnresolvedFields() const;

  // --- Functions and events ---

  // Adds `function` unless its name is taken. Returns the registry's
  // descriptor (the existing one when the name was taken) and whether it was
  // added. The descriptor stays at that address for the registry's life.
  std::pair<BindingFunctionDescriptor*, bool> AddFunction(BindingFunctionDescriptor function);
  const BindingFunctionDescriptor* FindFunction(std::string_view name) const;

  // As AddFunction, for events.
  std::pair<BindingEventDescriptor*, bool> AddEvent(BindingEventDescriptor event);
  const BindingEventDescriptor* FindEvent(std::string_view name) const;

  // --- Snapshots, taken under the mutex, in registration order ---
  // The lists are copies; the descriptors they point to belong to the
  // registry and live as long as it does.

  std::vector<const BindingTypeDescriptor*> SnapshotTypes() const;
  std::vector<const BindingFunctionDescriptor*> SnapshotFunctions() const;
  std::vector<const BindingEventDescriptor*> SnapshotEvents() const;

 private:
  // Hashes the four bytes of a key number with FNV-1a.
  struct KeyNumberHash {
    size_t operator()(uint32_t number) const;
  };

  const BindingTypeDescriptor* FindTypeByKeyNumberLocked(uint32_t key_number) const;

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<BindingTypeDescriptor>> types_;
  std::unordered_map<std::string_view, BindingTypeDescriptor*> types_by_name_;
  std::unordered_map<uint32_t, BindingTypeDescriptor*, KeyNumberHash> types_by_key_;
  std::vector<std::unique_ptr<BindingFunctionDescriptor>> functions_;
  std::unordered_map<std::string_view, BindingFunctionDescriptor*> functions_by_name_;
  std::vector<std::unique_ptr<BindingEventDescriptor>> events_;
  std::unordered_map<std::string_view, BindingEventDescriptor*> events_by_name_;
};

}  // namespace tav

#endif  // TAV_BINDING_BINDING_TYPE_REGISTRY_H_
