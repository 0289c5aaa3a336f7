#include "binding/api_description_tables.h"

#include <string>

#include "binding/api_help.h"
#include "binding/binding_type_registry.h"

namespace tav {

namespace {

uint32_t Count(size_t size) { return static_cast<uint32_t>(size); }

constexpr uint32_t Code(BindingTypeCode code) { return static_cast<uint32_t>(code); }

// The records carry the binding layer's codes as they are: the two lists
// must agree.
static_assert(TAV_TYPE_NONE == Code(BindingTypeCode::kNone) && TAV_TYPE_BOOL == Code(BindingTypeCode::kBool) &&
              TAV_TYPE_INT8 == Code(BindingTypeCode::kInt8) && TAV_TYPE_UINT8 == Code(BindingTypeCode::kUint8) &&
              TAV_TYPE_INT16 == Code(BindingTypeCode::kInt16) && TAV_TYPE_UINT16 == Code(BindingTypeCode::kUint16) &&
              TAV_TYPE_INT32 == Code(BindingTypeCode::kInt32) && TAV_TYPE_UINT32 == Code(BindingTypeCode::kUint32) &&
              TAV_TYPE_INT64 == Code(BindingTypeCode::kInt64) && TAV_TYPE_UINT64 == Code(BindingTypeCode::kUint64) &&
              TAV_TYPE_FLOAT == Code(BindingTypeCode::kFloat) && TAV_TYPE_DOUBLE == Code(BindingTypeCode::kDouble) &&
              TAV_TYPE_STRING == Code(BindingTypeCode::kString) && TAV_TYPE_OBJECT == Code(BindingTypeCode::kObject) &&
              TAV_TYPE_BLOB == Code(BindingTypeCode::kBlob) && TAV_TYPE_VECTOR == Code(BindingTypeCode::kVector) &&
              TAV_TYPE_ENUM == Code(BindingTypeCode::kEnum) && TAV_TYPE_STRUCT == Code(BindingTypeCode::kStruct) &&
              TAV_TYPE_CALLBACK == Code(BindingTypeCode::kCallback) && TAV_TYPE_MAP == Code(BindingTypeCode::kMap));

// Links the records of `records` through their first word, 0 in the last.
template <class Record>
void LinkArray(Record* records, size_t count) {
  for (size_t i = 0; i + 1 < count; ++i) records[i].next = &records[i + 1];
  if (count != 0) records[count - 1].next = nullptr;
}

template <class T>
T* FirstOrNull(std::vector<T>& records) {
  return records.empty() ? nullptr : records.data();
}

void FillArgument(ArgumentRecord& record, const BindingArgumentDescriptor& argument) {
  record.name = argument.name.c_str();
  record.description = argument.description.c_str();
  record.type_code = Code(argument.type.code);
  record.element_type_code = Code(argument.type.element_code);
  record.type_name = RegisteredTypeName(argument.type);
  record.optional = argument.optional ? 1 : 0;
}

void FillField(FieldRecord& record, const BindingFieldDescriptor& field) {
  const BindingTypeId& type = field.described_type_id();
  record.name = field.name.c_str();
  record.description = field.description.c_str();
  record.offset = field.offset;
  record.type_code = Code(type.code);
  record.element_type_code = Code(type.element_code);
  record.type_name = RegisteredTypeName(type);
  record.optional = field.optional_value ? 1 : 0;
}

}  // namespace

ApiDescriptionTables::ApiDescriptionTables(const BindingTypeRegistry& registry) {
  const auto functions = registry.SnapshotFunctions();
  const auto types = registry.SnapshotTypes();
  const auto events = registry.SnapshotEvents();

  // Every array gets its final size before any record is filled, so the
  // addresses handed out below never move.
  size_t argument_total = 0;
  size_t tag_total = 0;
  for (const BindingFunctionDescriptor* function : functions) {
    argument_total += function->arguments.size();
    tag_total += function->tags.size();
  }
  size_t field_total = 0;
  size_t value_total = 0;
  for (const BindingTypeDescriptor* type : types) {
    field_total += type->fields.size();
    if (type->fields.empty()) value_total += type->values.size();
    tag_total += type->tags.size();
  }
  for (const BindingEventDescriptor* event : events) tag_total += event->tags.size();
  functions_.resize(functions.size());
  types_.resize(types.size());
  events_.resize(events.size());
  arguments_.resize(argument_total);
  fields_.resize(field_total);
  enum_values_.resize(value_total);
  tags_.resize(tag_total);

  for (size_t i = 0; i < functions.size(); ++i) {
    const BindingFunctionDescriptor& function = *functions[i];
    FunctionDescription& record = functions_[i].description;
    record.name = function.name.c_str();
    record.name_space = function.name_space.c_str();
    ArgumentRecord* arguments = Take(arguments_, arguments_used_, function.arguments.size());
    for (size_t a = 0; a < function.arguments.size(); ++a) {
      FillArgument(arguments[a], function.arguments[a]);
    }
    LinkArray(arguments, function.arguments.size());
    record.arguments = arguments;
    record.argument_count = Count(function.arguments.size());
    record.return_type_code = Code(function.returns.code);
    record.return_element_type_code = Code(function.returns.element_code);
    record.return_type_name = RegisteredTypeName(function.returns);
    record.description = function.description.c_str();
    record.help = function.help.c_str();
    record.thread_safe = function.thread_safe ? 1 : 0;
    record.async_type_name = AsyncTypeName(function);
    record.tags = TakeTags(function.tags);
    record.tag_count = Count(function.tags.size());
    function_index_.emplace(function.name, i);
  }
  LinkFunctionRecords(FirstOrNull(functions_), functions_.size());

  for (size_t i = 0; i < types.size(); ++i) {
    const BindingTypeDescriptor& type = *types[i];
    TypeRecord& record = types_[i];
    record.name = type.name.c_str();
    record.name_space = type.name_space.c_str();
    record.native_size = type.native_size;
    record.description = type.description.c_str();
    record.tags = TakeTags(type.tags);
    record.tag_count = Count(type.tags.size());
    if (!type.fields.empty()) {
      FieldRecord* fields = Take(fields_, fields_used_, type.fields.size());
      for (size_t f = 0; f < type.fields.size(); ++f) FillField(fields[f], type.fields[f]);
      LinkArray(fields, type.fields.size());
      record.fields = fields;
      record.count = Count(type.fields.size());
      continue;
    }
    EnumValueRecord* values = Take(enum_values_, enum_values_used_, type.values.size());
    size_t v = 0;
    for (const auto& [name, value] : type.values) {  // byte order of the names
      values[v].name = name.c_str();
      values[v].description = value.description.c_str();
      values[v].value = value.number;
      ++v;
    }
    LinkArray(values, type.values.size());
    record.enum_values = values;
    record.count = Count(type.values.size());
  }
  LinkArray(FirstOrNull(types_), types_.size());

  for (size_t i = 0; i < events.size(); ++i) {
    const BindingEventDescriptor& event = *events[i];
    EventRecord& record = events_[i];
    record.name = event.name.c_str();
    record.name_space = event.name_space.c_str();
    record.payload_type_name = RegisteredTypeName(event.payload);
    record.description = event.description.c_str();
    record.tags = TakeTags(event.tags);
    record.tag_count = Count(event.tags.size());
  }
  LinkArray(FirstOrNull(events_), events_.size());
}

PluginApiDescription ApiDescriptionTables::Words() const {
  PluginApiDescription words{};
  words.functions = functions_.empty() ? nullptr : functions_.data();
  words.function_count = Count(functions_.size());
  words.types = types_.empty() ? nullptr : types_.data();
  words.type_count = Count(types_.size());
  words.events = events_.empty() ? nullptr : events_.data();
  words.event_count = Count(events_.size());
  return words;
}

const FunctionDescription* ApiDescriptionTables::FindFunction(std::string_view name) const {
  auto found = function_index_.find(name);
  if (found == function_index_.end()) return nullptr;
  return &functions_[found->second].description;
}

bool ApiDescriptionTables::CopyFunctionDescription(std::string_view name,
                                                   FunctionRecord& record) const {
  const FunctionDescription* source = FindFunction(name);
  if (source == nullptr) return false;
  // The builder's next link points into the builder's own array, and the
  // dispatch context is the frame's: neither may leak into `record`.
  const FunctionRecord* next = record.description.next;
  const void* dispatch_context = record.description.dispatch_context;
  record.description = *source;
  record.description.next = next;
  record.description.dispatch_context = dispatch_context;
  return true;
}

template <class T>
T* ApiDescriptionTables::Take(std::vector<T>& pool, size_t& cursor, size_t count) {
  if (count == 0) return nullptr;
  T* first = pool.data() + cursor;
  cursor += count;
  return first;
}

const char* const* ApiDescriptionTables::TakeTags(const std::vector<std::string>& tags) {
  const char** first = Take(tags_, tags_used_, tags.size());
  for (size_t i = 0; i < tags.size(); ++i) first[i] = tags[i].c_str();
  return first;
}

void LinkFunctionRecords(FunctionRecord* records, size_t count) {
  for (size_t i = 0; i + 1 < count; ++i) records[i].description.next = &records[i + 1];
  if (count != 0) records[count - 1].description.next = nullptr;
}

}  // namespace tav
