// Reading a JSON text that another service handed over inside a value (a
// message payload, a service's result, an older stored document) as a
// native value of a supported type. Every failure, of the text or of the
// conversion, gives no value.
//
//   std::optional<std::vector<int32_t>> ids = ReadJsonTextAs<std::vector<int32_t>>("[7101]", registry);
//   std::optional<api::PerkSettings> settings = ReadJsonTextAs<api::PerkSettings>(text, registry);
#ifndef TAV_PERKS_JSON_TEXT_VALUE_H_
#define TAV_PERKS_JSON_TEXT_VALUE_H_

#include <optional>
#include <string_view>

#include "binding/binding_result.h"
#include "binding/binding_type_registry.h"
#include "binding/json_reader.h"
#include "binding/native_conversion.h"

namespace tav::perks {

template <class T>
[[nodiscard]] std::optional<T> ReadJsonTextAs(std::string_view text,
                                              const BindingTypeRegistry& registry) {
  const BindingResult parsed = ParseJson(text);
  if (!parsed.ok()) return std::nullopt;
  T value{};
  BindingResult converted;
  FromBinding(converted, value, parsed.value(), "<value>", registry);
  if (!converted.ok()) return std::nullopt;
  return value;
}

}  // namespace tav::perks

#endif  // TAV_PERKS_JSON_TEXT_VALUE_H_
