#include "binding/binding_result.h"

namespace tav {

void BindingResult::Fail(std::string_view message) {
  if (!ok_) return;
  // Build the error apart: `message` may point into the current value.
  BindingProperty error;
  error.MutableField("error").SetString(message);
  value_ = std::move(error);
  ok_ = false;
}

std::string_view BindingResult::error() const {
  if (ok_) return std::string_view();
  return value_["error"].GetString(std::string_view());
}

void BindingResult::Reset() {
  value_.Clear();
  ok_ = true;
}

}  // namespace tav
