#include "binding/api_help.h"

#include <algorithm>
#include <string>
#include <vector>

#include "binding/binding_type_registry.h"
#include "binding/epytext.h"
#include "binding/native_conversion.h"
#include "log/positional_format.h"

namespace tav {

namespace {

bool IsKnownFormat(BindingHelpFormat format) {
  switch (format) {
    case BindingHelpFormat::Full:
    case BindingHelpFormat::Epytext:
      return true;
  }
  return false;
}

void FailUnknownFormat(BindingResult& result, BindingHelpFormat format) {
  result.Fail(FormatMessage("%1 is not a valid help format.", static_cast<int32_t>(format)));
}

// The registry's items in byte order of their names.
template <class T>
std::vector<const T*> SortedByName(std::vector<const T*> items) {
  std::sort(items.begin(), items.end(),
            [](const T* a, const T* b) { return a->name < b->name; });
  return items;
}

template <class T>
std::vector<decltype(FullHelpOf(std::declval<const T&>()))> FullHelpOfAll(
    const std::vector<const T*>& items) {
  std::vector<decltype(FullHelpOf(std::declval<const T&>()))> help;
  help.reserve(items.size());
  for (const T* item : items) help.push_back(FullHelpOf(*item));
  return help;
}

// A structure mapping each item's name to its docstring.
template <class T>
void WriteEpytextTable(BindingProperty& out, const std::vector<const T*>& items) {
  out.MakeStructure();
  for (const T* item : items) out.MutableField(item->name).SetString(EpytextOf(*item));
}

template <class T>
BindingResult ItemHelp(const BindingTypeRegistry& registry, const T& item,
                       BindingHelpFormat format) {
  BindingResult result;
  if (!IsKnownFormat(format)) {
    FailUnknownFormat(result, format);
    return result;
  }
  if (format == BindingHelpFormat::Epytext) {
    result.value().SetString(EpytextOf(item));
    return result;
  }
  ToBinding(result, FullHelpOf(item), registry);
  return result;
}

}  // namespace

BindingResult ApiHelp(const BindingTypeRegistry& registry, BindingHelpFormat format) {
  BindingResult result;
  if (!IsKnownFormat(format)) {
    FailUnknownFormat(result, format);
    return result;
  }
  const auto functions = SortedByName(registry.SnapshotFunctions());
  const auto types = SortedByName(registry.SnapshotTypes());
  const auto events = SortedByName(registry.SnapshotEvents());
  if (format == BindingHelpFormat::Epytext) {
    BindingProperty& out = result.value();
    out.MakeStructure();
    WriteEpytextTable(out.MutableField("functions"), functions);
    WriteEpytextTable(out.MutableField("types"), types);
    WriteEpytextTable(out.MutableField("events"), events);
    return result;
  }
  BindingFullApiHelp help;
  help.functions = FullHelpOfAll(functions);
  help.types = FullHelpOfAll(types);
  help.events = FullHelpOfAll(events);
  ToBinding(result, help, registry);
  return result;
}

BindingResult FunctionHelp(const BindingTypeRegistry& registry,
                           const BindingFunctionDescriptor& function, BindingHelpFormat format) {
  return ItemHelp(registry, function, format);
}

BindingResult TypeHelp(const BindingTypeRegistry& registry, const BindingTypeDescriptor& type,
                       BindingHelpFormat format) {
  return ItemHelp(registry, type, format);
}

BindingResult EventHelp(const BindingTypeRegistry& registry, const BindingEventDescriptor& event,
                        BindingHelpFormat format) {
  return ItemHelp(registry, event, format);
}

BindingFullFunctionHelp FullHelpOf(const BindingFunctionDescriptor& function) {
  BindingFullFunctionHelp help;
  help.name = function.name;
  help.nameSpace = function.name_space;
  help.arguments.reserve(function.arguments.size());
  for (const BindingArgumentDescriptor& argument : function.arguments) {
    BindingFullArgumentHelp& out = help.arguments.emplace_back();
    out.name = argument.name;
    out.description = argument.description;
    out.type = FullTypeIdentifierOf(argument.type);
    out.optional = argument.optional;
  }
  help.returns = FullTypeIdentifierOf(function.returns);
  help.description = function.description;
  help.help = function.help;
  help.threadSafe = function.thread_safe;
  help.async = AsyncTypeName(function);
  help.tags = function.tags;
  return help;
}

BindingFullTypeHelp FullHelpOf(const BindingTypeDescriptor& type) {
  BindingFullTypeHelp help;
  help.name = type.name;
  help.nameSpace = type.name_space;
  help.size = type.native_size;
  help.description = type.description;
  help.tags = type.tags;
  help.fields.reserve(type.fields.size());
  for (const BindingFieldDescriptor& field : type.fields) {
    BindingFullFieldHelp& out = help.fields.emplace_back();
    out.name = field.name;
    out.description = field.description;
    out.offset = field.offset;
    out.type = FullTypeIdentifierOf(field.described_type_id());
    out.optional = field.optional_value;
  }
  help.values.reserve(type.values.size());
  for (const auto& [name, value] : type.values) {
    BindingFullEnumValueHelp& out = help.values.emplace_back();
    out.name = name;
    out.description = value.description;
    out.value = value.number;
  }
  return help;
}

BindingFullEventHelp FullHelpOf(const BindingEventDescriptor& event) {
  BindingFullEventHelp help;
  help.name = event.name;
  help.nameSpace = event.name_space;
  help.type = FullTypeIdentifierOf(event.payload);
  help.description = event.description;
  help.tags = event.tags;
  return help;
}

BindingFullTypeIdentifier FullTypeIdentifierOf(const BindingTypeId& id) {
  const BindingTypeNames names = NativeTypeNames(id);
  return BindingFullTypeIdentifier{names.type, names.element_type};
}

const char* RegisteredTypeName(const BindingTypeId& id) {
  const bool names_registered_type =
      id.code == BindingTypeCode::kVector || id.code == BindingTypeCode::kEnum ||
      id.code == BindingTypeCode::kStruct || id.code == BindingTypeCode::kMap;
  if (!names_registered_type || id.type == nullptr) return "";
  return id.type->name.c_str();
}

const char* AsyncTypeName(const BindingFunctionDescriptor& function) {
  return function.async ? RegisteredTypeName(function.returns) : "";
}

}  // namespace tav
