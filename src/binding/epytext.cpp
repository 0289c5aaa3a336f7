#include "binding/epytext.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "binding/binding_type_id.h"

namespace tav {

namespace {

constexpr char kLineEnd[] = "\r\n";

void AppendLine(std::string& out, std::string_view line) {
  out.append(line);
  out.append(kLineEnd);
}

// The escaped text followed by a blank line.
void AppendParagraph(std::string& out, std::string_view text) {
  out.append(EscapeEpytext(text));
  out.append(kLineEnd);
  out.append(kLineEnd);
}

void AppendTags(std::string& out, const std::vector<std::string>& tags) {
  if (tags.empty()) return;
  out.append("@tags: ");
  for (size_t i = 0; i < tags.size(); ++i) {
    if (i != 0) out.push_back(',');
    out.append(tags[i]);
  }
  out.append(kLineEnd);
}

void AppendArgument(std::string& out, const BindingArgumentDescriptor& argument) {
  if (!argument.description.empty()) {
    out.append("@param ").append(argument.name).append(": ");
    if (argument.optional) out.append("(optional) ");
    AppendLine(out, EscapeEpytext(argument.description));
  }
  out.append("@type ").append(argument.name).append(": ");
  AppendLine(out, EpytextTypeName(argument.type));
}

std::string StructEpytext(const BindingTypeDescriptor& type) {
  std::string out;
  if (!type.description.empty()) AppendParagraph(out, type.description);
  for (const BindingFieldDescriptor& field : type.fields) {
    // Field descriptions are written as they are.
    out.append("@ivar ").append(field.name).append(": ");
    AppendLine(out, field.description);
    out.append("@type ").append(field.name).append(": ");
    AppendLine(out, EpytextTypeName(field.described_type_id()));
  }
  AppendTags(out, type.tags);
  return out;
}

std::string EnumEpytext(const BindingTypeDescriptor& type) {
  std::string out;
  if (!type.description.empty()) AppendParagraph(out, type.description);
  // The values are kept in name order; a stable sort by number keeps that
  // order among names that share a number.
  std::vector<std::pair<const std::string*, const BindingEnumValueDescriptor*>> values;
  values.reserve(type.values.size());
  for (const auto& [name, value] : type.values) values.emplace_back(&name, &value);
  std::stable_sort(values.begin(), values.end(), [](const auto& a, const auto& b) {
    return a.second->number < b.second->number;
  });
  for (const auto& [name, value] : values) {
    out.append("@cvar ").append(*name).append(": (").append(std::to_string(value->number));
    out.push_back(')');
    if (!value->description.empty()) out.append(" ").append(value->description);
    out.append(kLineEnd);
  }
  AppendTags(out, type.tags);
  AppendLine(out, "@size: " + std::to_string(type.native_size));
  return out;
}

}  // namespace

std::string EscapeEpytext(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '-' && i == 0) {
      out.append("E{-}");
    } else if (c == '{') {
      out.append("E{lb}");
    } else if (c == '}') {
      out.append("E{rb}");
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string EpytextOf(const BindingFunctionDescriptor& function) {
  std::string out;
  if (!function.description.empty()) AppendParagraph(out, function.description);
  if (!function.help.empty()) AppendParagraph(out, function.help);
  for (const BindingArgumentDescriptor& argument : function.arguments) {
    AppendArgument(out, argument);
  }
  const bool returns_value = function.returns.code != BindingTypeCode::kNone;
  if (returns_value) AppendLine(out, "@rtype: " + EpytextTypeName(function.returns));
  AppendTags(out, function.tags);
  if (function.thread_safe) AppendLine(out, "@threadsafe: true");
  if (function.async) AppendLine(out, "@async: " + EpytextTypeName(function.returns));
  return out;
}

std::string EpytextOf(const BindingTypeDescriptor& type) {
  return type.is_enum ? EnumEpytext(type) : StructEpytext(type);
}

std::string EpytextOf(const BindingEventDescriptor& event) {
  std::string out;
  AppendParagraph(out, event.description);
  AppendTags(out, event.tags);
  return out;
}

}  // namespace tav
