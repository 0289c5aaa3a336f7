#include "binding/binding_type_registry.h"

#include "binding/binding_allocator.h"

namespace tav {

namespace {

bool NeedsRegisteredType(const BindingTypeId& id) {
  auto names_type = [](BindingTypeCode code) {
    return code == BindingTypeCode::kEnum || code == BindingTypeCode::kStruct;
  };
  return names_type(id.code) || names_type(id.element_code);
}

// Adds `item` to `items` and `by_name` unless its name is taken.
template <class T>
std::pair<T*, bool> AddNamed(std::vector<std::unique_ptr<T>>& items,
                             std::unordered_map<std::string_view, T*>& by_name, T item) {
  auto found = by_name.find(item.name);
  if (found != by_name.end()) return {found->second, false};
  items.push_back(std::make_unique<T>(std::move(item)));
  T* added = items.back().get();
  by_name.emplace(added->name, added);
  return {added, true};
}

template <class T>
std::vector<const T*> PointersTo(const std::vector<std::unique_ptr<T>>& items) {
  std::vector<const T*> pointers;
  pointers.reserve(items.size());
  for (const auto& item : items) pointers.push_back(item.get());
  return pointers;
}

}  // namespace

size_t BindingTypeRegistry::KeyNumberHash::operator()(uint32_t number) const {
  // The four bytes in memory order.
  return Fnv1a32(std::string_view(reinterpret_cast<const char*>(&number), sizeof(number)));
}

BindingTypeRegistry::BindingTypeRegistry() = default;
BindingTypeRegistry::~BindingTypeRegistry() = default;

BindingTypeBuilder BindingTypeRegistry::BeginType(uint32_t native_size, std::string_view name,
                                                  const TypeKey& key, bool is_enum) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (types_by_name_.count(name) != 0) return BindingTypeBuilder(nullptr);
  auto descriptor = std::make_unique<BindingTypeDescriptor>();
  descriptor->native_size = native_size;
  descriptor->is_enum = is_enum;
  descriptor->name = std::string(name);
  descriptor->key = &key;
  BindingTypeDescriptor* added = descriptor.get();
  types_.push_back(std::move(descriptor));
  types_by_name_.emplace(added->name, added);
  types_by_key_.emplace(key.number(), added);
  return BindingTypeBuilder(added);
}

const BindingTypeDescriptor* BindingTypeRegistry::FindType(const TypeKey& key) const {
  return FindTypeByKeyNumber(key.number());
}

const BindingTypeDescriptor* BindingTypeRegistry::FindTypeByKeyNumber(uint32_t key_number) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return FindTypeByKeyNumberLocked(key_number);
}

const BindingTypeDescriptor* BindingTypeRegistry::FindType(std::string_view name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = types_by_name_.find(name);
  return found == types_by_name_.end() ? nullptr : found->second;
}

BindingTypeId BindingTypeRegistry::TypeIdOf(const TypeKey& key) const {
  const BindingTypeDescriptor* type = FindType(key);
  if (type == nullptr) return {};
  return {type->is_enum ? BindingTypeCode::kEnum : BindingTypeCode::kStruct, BindingTypeCode::kNone,
          type};
}

const char* BindingTypeRegistry::FindEnumValueName(uint32_t type_key, int32_t value) const {
  const BindingTypeDescriptor* type = FindTypeByKeyNumber(type_key);
  if (type == nullptr || !type->is_enum) return nullptr;
  return type->FindEnumValueName(value);
}

std::vector<std::string> BindingTypeRegistry::FindUnresolvedFields() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> unresolved;
  for (const auto& type : types_) {
    for (const BindingFieldDescriptor& field : type->fields) {
      if (NeedsRegisteredType(field.type_id) && field.type_id.type == nullptr) {
        unresolved.push_back(type->name + "." + field.name);
      }
    }
  }
  return unresolved;
}

std::pair<BindingFunctionDescriptor*, bool> BindingTypeRegistry::AddFunction(
    BindingFunctionDescriptor function) {
  std::lock_guard<std::mutex> lock(mutex_);
  return AddNamed(functions_, functions_by_name_, std::move(function));
}

const BindingFunctionDescriptor* BindingTypeRegistry::FindFunction(std::string_view name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = functions_by_name_.find(name);
  return found == functions_by_name_.end() ? nullptr : found->second;
}

std::pair<BindingEventDescriptor*, bool> BindingTypeRegistry::AddEvent(
    BindingEventDescriptor event) {
  std::lock_guard<std::mutex> lock(mutex_);
  return AddNamed(events_, events_by_name_, std::move(event));
}

const BindingEventDescriptor* BindingTypeRegistry::FindEvent(std::string_view name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = events_by_name_.find(name);
  return found == events_by_name_.end() ? nullptr : found->second;
}

std::vector<const BindingTypeDescriptor*> BindingTypeRegistry::SnapshotTypes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return PointersTo(types_);
}

std::vector<const BindingFunctionDescriptor*> BindingTypeRegistry::SnapshotFunctions() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return PointersTo(functions_);
}

std::vector<const BindingEventDescriptor*> BindingTypeRegistry::SnapshotEvents() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return PointersTo(events_);
}

const BindingTypeDescriptor* BindingTypeRegistry::FindTypeByKeyNumberLocked(
    uint32_t key_number) const {
  auto found = types_by_key_.find(key_number);
  return found == types_by_key_.end() ? nullptr : found->second;
}

}  // namespace tav
