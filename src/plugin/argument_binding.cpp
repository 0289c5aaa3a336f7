#include "plugin/argument_binding.h"

#include <algorithm>

#include "binding/binding_type_code.h"
#include "binding/core_value.h"
#include "binding/nesting_depth.h"
#include "log/positional_format.h"
#include "plugin/route_template.h"
#include "plugin/value_decoding.h"
#include "runtime/heap.h"

namespace tav {

namespace {

bool IsStructured(const EndpointParameter& parameter) {
  switch (parameter.type.code) {
    case BindingTypeCode::kObject:
    case BindingTypeCode::kVector:
    case BindingTypeCode::kStruct:
    case BindingTypeCode::kMap:
      return true;
    default:
      return false;
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

Failure BindingFailure(std::string message) { return Failure(std::move(message)); }

// The element index a key names, or a failure. `key` starts with a digit.
MaybeType<Failure, uint32_t> ParseIndex(std::string_view key) {
  uint64_t index = 0;
  for (char c : key) {
    if (!IsDigit(c)) return BindingFailure(FormatMessage("Index %1 is in an incorrect format", key));
  }
  for (char c : key) {
    index = index * 10 + static_cast<uint64_t>(c - '0');
    if (index >= kMaxKeyChainIndex) {
      return BindingFailure(FormatMessage("Index %1 is out of range", key));
    }
  }
  return static_cast<uint32_t>(index);
}

// The cells that reaching element `index` of `place` adds.
size_t NewElementCells(const BindingProperty& place, size_t index) {
  const size_t count = place.kind() == BindingPropertyKind::kCollection ? place.size() : 0;
  return index < count ? 0 : index + 1 - count;
}

// The cells that reaching member `name` of `place` adds.
size_t NewFieldCells(const BindingProperty& place, std::string_view name) {
  const bool present =
      place.kind() == BindingPropertyKind::kStructure && place.FindField(name) != nullptr;
  return present ? 0 : 1;
}

}  // namespace

ArgumentBinder::ArgumentBinder(std::string_view function_name,
                               const std::vector<EndpointParameter>& parameters,
                               size_t request_size)
    : function_name_(function_name),
      parameters_(parameters),
      values_(parameters.size()),
      cell_budget_(std::max(kMinKeyChainCells, kKeyChainCellsPerRequestByte * request_size)),
      cells_left_(cell_budget_) {
  for (size_t i = 0; i < parameters_.size(); ++i) {
    if (parameters_[i].type.code == BindingTypeCode::kBool && !parameters_[i].optional) {
      values_[i].SetBool(false);
    }
  }
}

int ArgumentBinder::FindParameter(std::string_view name) const {
  for (size_t i = 0; i < parameters_.size(); ++i) {
    if (parameters_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

Failure ArgumentBinder::UnknownArgument(std::string_view name) const {
  return BindingFailure(FormatMessage("Unknown argument '%1' for '%2'.", name, function_name_));
}

MaybeType<Failure, Empty> ArgumentBinder::BindNamedValue(std::string_view name,
                                                         std::string_view text,
                                                         ParameterLocation from) {
  const size_t dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const int index = FindParameter(base);
  if (index < 0) return UnknownArgument(base);
  const EndpointParameter& parameter = parameters_[static_cast<size_t>(index)];
  if (parameter.location != ParameterLocation::kAny && parameter.location != from) {
    return BindingFailure(
        FormatMessage("Argument '%1' for '%2' was specified in an invalid location.", base,
                      function_name_));
  }
  if (dot == std::string_view::npos) return BindWhole(static_cast<size_t>(index), text);
  return BindAtKeys(static_cast<size_t>(index), name.substr(dot + 1), text);
}

MaybeType<Failure, Empty> ArgumentBinder::BindWhole(size_t index, std::string_view text) {
  const EndpointParameter& parameter = parameters_[index];
  BindingProperty& value = values_[index];
  if (text.empty()) {
    switch (parameter.type.code) {
      case BindingTypeCode::kBool:
        value.SetBool(true);
        return Empty{};
      case BindingTypeCode::kObject:
      case BindingTypeCode::kStruct:
      case BindingTypeCode::kMap:
        value.Clear();
        value.MakeStructure();
        return Empty{};
      case BindingTypeCode::kVector:
        value.Clear();
        value.MakeCollection();
        return Empty{};
      default:
        return BindingFailure(FormatMessage("Expected value for argument '%1'.", parameter.name));
    }
  }
  BindingResult decoded =
      DecodeValueText(text, {}, IsStructured(parameter), parameter.name, function_name_);
  if (!decoded.ok()) return BindingFailure(std::string(decoded.error()));
  value = std::move(decoded.value());
  return Empty{};
}

MaybeType<Failure, Empty> ArgumentBinder::BindAtKeys(size_t index, std::string_view keys,
                                                     std::string_view text) {
  const EndpointParameter& parameter = parameters_[index];
  BindingProperty* place = &values_[index];
  size_t depth = 0;
  for (;;) {
    const size_t dot = keys.find('.');
    const std::string_view key = keys.substr(0, dot);
    // Trees are converted recursively: a chain of thousands of keys would
    // build a tree too deep to convert safely.
    if (++depth >= kMaxNestingDepth) {
      return BindingFailure(FormatMessage("Argument '%1' for '%2' is nested too deeply.",
                                          parameter.name, function_name_));
    }
    if (!key.empty() && IsDigit(key[0])) {
      MaybeType<Failure, uint32_t> element = ParseIndex(key);
      if (!element.ok()) return std::move(element).failure();
      MaybeType<Failure, Empty> spent =
          SpendCells(parameter, NewElementCells(*place, element.value()));
      if (!spent.ok()) return spent;
      place = &place->MutableElement(element.value());
    } else {
      MaybeType<Failure, Empty> spent = SpendCells(parameter, NewFieldCells(*place, key));
      if (!spent.ok()) return spent;
      place = &place->MutableField(key);
    }
    if (dot == std::string_view::npos) break;
    keys = keys.substr(dot + 1);
  }
  BindingResult decoded =
      DecodeValueText(text, {}, IsStructured(parameter), parameter.name, function_name_);
  if (!decoded.ok()) return BindingFailure(std::string(decoded.error()));
  place->Assign(decoded.value());
  return Empty{};
}

MaybeType<Failure, Empty> ArgumentBinder::SpendCells(const EndpointParameter& parameter,
                                                     size_t cells) {
  if (cells > cells_left_) {
    return BindingFailure(
        FormatMessage("Key chains of argument '%1' for '%2' create more than %3 values.",
                      parameter.name, function_name_, cell_budget_));
  }
  cells_left_ -= cells;
  return Empty{};
}

MaybeType<Failure, Empty> ArgumentBinder::BindQuery(std::string_view query) {
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (pair.empty()) continue;
    const size_t equals = pair.find('=');
    const std::string name = PercentDecode(pair.substr(0, equals), /*plus_as_space=*/true);
    const std::string text = equals == std::string_view::npos
                                 ? std::string()
                                 : PercentDecode(pair.substr(equals + 1), /*plus_as_space=*/true);
    MaybeType<Failure, Empty> bound = BindNamedValue(name, text, ParameterLocation::kQuery);
    if (!bound.ok()) return bound;
  }
  return Empty{};
}

MaybeType<Failure, Empty> ArgumentBinder::BindArgument(const CoreArgument& argument,
                                                       size_t position) {
  int index = -1;
  std::string name;
  if (argument.name != nullptr) {
    name = argument.name;
    index = FindParameter(name);
  } else {
    name = std::to_string(position);
    if (position < parameters_.size()) index = static_cast<int>(position);
  }
  if (index < 0) return UnknownArgument(name);
  const EndpointParameter& parameter = parameters_[static_cast<size_t>(index)];

  // The decoder reports into a response record; take its text from there.
  ResponseRecord error_record{};
  BindingProperty decoded;
  if (!FromCoreValue(argument.value, parameter.name, &error_record, &decoded)) {
    std::string message = error_record.error != nullptr ? error_record.error : "";
    if (error_record.error_owned != 0) HeapFree(const_cast<char*>(error_record.error));
    return BindingFailure(std::move(message));
  }
  values_[static_cast<size_t>(index)] = std::move(decoded);
  return Empty{};
}

MaybeType<Failure, Empty> ArgumentBinder::BindBody(const void* body, size_t size,
                                                   std::string_view content_type) {
  for (size_t i = 0; i < parameters_.size(); ++i) {
    if (parameters_[i].location != ParameterLocation::kBody) continue;
    BindingResult decoded = DecodeBody(body, size, content_type, parameters_[i].name,
                                       function_name_);
    if (!decoded.ok()) return BindingFailure(std::string(decoded.error()));
    values_[i] = std::move(decoded.value());
    return Empty{};
  }
  return Empty{};
}

}  // namespace tav
