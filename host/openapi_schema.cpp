#include "openapi_schema.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "tav/plugin_abi.h"

namespace tav::host {

using namespace openapi_internal;

namespace {

struct IntegerRange {
  uint32_t code;
  const char* format;
  int64_t minimum;
  uint64_t maximum;
};

constexpr IntegerRange kIntegers[] = {
    {TAV_TYPE_INT8, "int8", std::numeric_limits<int8_t>::min(), std::numeric_limits<int8_t>::max()},
    {TAV_TYPE_UINT8, "uint8", 0, std::numeric_limits<uint8_t>::max()},
    {TAV_TYPE_INT16, "int16", std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()},
    {TAV_TYPE_UINT16, "uint16", 0, std::numeric_limits<uint16_t>::max()},
    {TAV_TYPE_INT32, "int32", std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()},
    {TAV_TYPE_UINT32, "uint32", 0, std::numeric_limits<uint32_t>::max()},
    {TAV_TYPE_INT64, "int64", std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()},
    {TAV_TYPE_UINT64, "uint64", 0, std::numeric_limits<uint64_t>::max()},
};

bool IsComponentCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

rapidjson::Value TypeOnly(const char* type, JsonAllocator& allocator) {
  rapidjson::Value schema = Object();
  Add(schema, "type", rapidjson::Value(rapidjson::StringRef(type)), allocator);
  return schema;
}

// A schema that accepts any value, saying what it stands for.
rapidjson::Value Open(std::string_view description, JsonAllocator& allocator) {
  rapidjson::Value schema = Object();
  Add(schema, "description", JsonString(description, allocator), allocator);
  return schema;
}

}  // namespace

std::string ComponentName(std::string_view name) {
  std::string out(name);
  std::replace_if(
      out.begin(), out.end(), [](char c) { return !IsComponentCharacter(c); }, '_');
  return out;
}

std::string ComponentReference(std::string_view name) { return "#/components/schemas/" + ComponentName(name); }

SchemaBuilder::SchemaBuilder(const ApiDescription& api, JsonAllocator& allocator) : allocator_(allocator) {
  for (const ApiType& type : api.types) registered_.insert(type.name);
}

bool SchemaBuilder::TakesJsonText(const ApiTypeRef& type) {
  return type.code == TAV_TYPE_OBJECT || type.code == TAV_TYPE_VECTOR || type.code == TAV_TYPE_STRUCT || type.code == TAV_TYPE_MAP;
}

rapidjson::Value SchemaBuilder::Reference(const ApiTypeRef& type) const {
  if (type.code != TAV_TYPE_VECTOR && type.code != TAV_TYPE_MAP) return Scalar(type.code, type.type_name);
  // The registered name, when there is one, names the element's type.
  rapidjson::Value element = Scalar(type.element_code, type.type_name);
  rapidjson::Value schema = TypeOnly(type.code == TAV_TYPE_VECTOR ? "array" : "object", allocator_);
  Add(schema, type.code == TAV_TYPE_VECTOR ? "items" : "additionalProperties", std::move(element), allocator_);
  return schema;
}

rapidjson::Value SchemaBuilder::Nullable(const ApiTypeRef& type) const {
  rapidjson::Value choices(rapidjson::kArrayType);
  choices.PushBack(Reference(type), allocator_);
  choices.PushBack(TypeOnly("null", allocator_), allocator_);
  rapidjson::Value schema = Object();
  Add(schema, "anyOf", std::move(choices), allocator_);
  return schema;
}

rapidjson::Value SchemaBuilder::Scalar(uint32_t code, const std::string& type_name) const {
  for (const IntegerRange& range : kIntegers) {
    if (range.code != code) continue;
    rapidjson::Value schema = TypeOnly("integer", allocator_);
    Add(schema, "format", rapidjson::Value(rapidjson::StringRef(range.format)), allocator_);
    Add(schema, "minimum", rapidjson::Value(range.minimum), allocator_);
    Add(schema, "maximum", rapidjson::Value(range.maximum), allocator_);
    return schema;
  }
  switch (code) {
    case TAV_TYPE_BOOL:
      return TypeOnly("boolean", allocator_);
    case TAV_TYPE_FLOAT:
    case TAV_TYPE_DOUBLE: {
      rapidjson::Value schema = TypeOnly("number", allocator_);
      Add(schema, "format", rapidjson::Value(rapidjson::StringRef(code == TAV_TYPE_FLOAT ? "float" : "double")), allocator_);
      return schema;
    }
    case TAV_TYPE_STRING:
      return TypeOnly("string", allocator_);
    case TAV_TYPE_OBJECT:
      return Open("Any value.", allocator_);
    case TAV_TYPE_BLOB: {
      // tav-core writes bytes as base64 text in an object of their own.
      rapidjson::Value text = TypeOnly("string", allocator_);
      Add(text, "contentEncoding", rapidjson::Value(rapidjson::StringRef("base64")), allocator_);
      rapidjson::Value properties = Object();
      Add(properties, "$blob", std::move(text), allocator_);
      rapidjson::Value required(rapidjson::kArrayType);
      required.PushBack(rapidjson::Value(rapidjson::StringRef("$blob")), allocator_);
      rapidjson::Value schema = TypeOnly("object", allocator_);
      Add(schema, "description", rapidjson::Value(rapidjson::StringRef("Bytes, as base64 text under \"$blob\".")),
          allocator_);
      Add(schema, "properties", std::move(properties), allocator_);
      Add(schema, "required", std::move(required), allocator_);
      Add(schema, "additionalProperties", rapidjson::Value(false), allocator_);
      return schema;
    }
    case TAV_TYPE_ENUM:
    case TAV_TYPE_STRUCT: {
      if (registered_.count(type_name) == 0) {
        return Open("A value of the type '" + type_name + "', which the plugin does not describe.", allocator_);
      }
      rapidjson::Value schema = Object();
      Add(schema, "$ref", JsonString(ComponentReference(type_name), allocator_), allocator_);
      return schema;
    }
    case TAV_TYPE_VECTOR:
      // The element of a nested list has no type in the records.
      return TypeOnly("array", allocator_);
    case TAV_TYPE_MAP:
      return TypeOnly("object", allocator_);
    case TAV_TYPE_CALLBACK:
      return Open("A callback.", allocator_);
    case TAV_TYPE_NONE:
      return Open("No value.", allocator_);
  }
  return Open("A value of the type code " + std::to_string(code) + ".", allocator_);
}

rapidjson::Value SchemaBuilder::Component(const ApiType& type) const {
  return type.is_enumeration ? Enumeration(type) : Structure(type);
}

rapidjson::Value SchemaBuilder::Structure(const ApiType& type) const {
  rapidjson::Value schema = TypeOnly("object", allocator_);
  if (!type.description.empty()) Add(schema, "description", JsonString(type.description, allocator_), allocator_);
  rapidjson::Value properties = Object();
  rapidjson::Value required(rapidjson::kArrayType);
  for (const ApiField& field : type.fields) {
    rapidjson::Value property = field.optional ? Nullable(field.type) : Reference(field.type);
    // Beside a reference, a description is allowed in OpenAPI 3.1. The
    // field's own description replaces a general one.
    if (!field.description.empty()) {
      property.RemoveMember("description");
      Add(property, "description", JsonString(field.description, allocator_), allocator_);
    }
    if (properties.HasMember(field.name.c_str())) continue;  // a repeated field name keeps its first type
    Add(properties, field.name, std::move(property), allocator_);
    if (!field.optional) required.PushBack(JsonString(field.name, allocator_), allocator_);
  }
  Add(schema, "properties", std::move(properties), allocator_);
  if (!required.Empty()) Add(schema, "required", std::move(required), allocator_);
  // The plugin writes exactly these fields; a field it does not know is
  // ignored on input.
  Add(schema, "additionalProperties", rapidjson::Value(false), allocator_);
  return schema;
}

rapidjson::Value SchemaBuilder::Enumeration(const ApiType& type) const {
  std::vector<ApiEnumValue> values = type.enum_values;
  std::stable_sort(values.begin(), values.end(),
                   [](const ApiEnumValue& a, const ApiEnumValue& b) { return a.value < b.value; });
  std::string description = type.description;
  if (!description.empty()) description += "\n\n";
  rapidjson::Value names(rapidjson::kArrayType);
  for (const ApiEnumValue& value : values) {
    names.PushBack(JsonString(value.name, allocator_), allocator_);
    description += "- `" + value.name + "` (" + std::to_string(value.value) + ")";
    if (!value.description.empty()) description += ": " + value.description;
    description += "\n";
  }
  description += "\nA value without a name of its own (such as a combination of flags) is its number.";

  rapidjson::Value named = TypeOnly("string", allocator_);
  Add(named, "enum", std::move(names), allocator_);
  rapidjson::Value number = TypeOnly("integer", allocator_);
  Add(number, "format", rapidjson::Value(rapidjson::StringRef("int32")), allocator_);
  Add(number, "minimum", rapidjson::Value(std::numeric_limits<int32_t>::min()), allocator_);
  Add(number, "maximum", rapidjson::Value(std::numeric_limits<int32_t>::max()), allocator_);
  if (values.empty()) {
    Add(number, "description", JsonString(description, allocator_), allocator_);
    return number;
  }
  rapidjson::Value choices(rapidjson::kArrayType);
  choices.PushBack(std::move(named), allocator_);
  choices.PushBack(std::move(number), allocator_);
  rapidjson::Value schema = Object();
  Add(schema, "description", JsonString(description, allocator_), allocator_);
  Add(schema, "anyOf", std::move(choices), allocator_);
  return schema;
}

}  // namespace tav::host
