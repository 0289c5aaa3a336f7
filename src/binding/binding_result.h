// BindingResult: a BindingProperty plus an ok flag, the carrier in which
// every conversion and every decoder reports its outcome.
//
// A fresh result is ok and empty. Fail() replaces the value by a structure
// whose only field "error" holds the message; once failed, a result stays
// failed and keeps its first message, so the first error stands.
//
//   BindingResult result;
//   DecodeSomething(result, input);
//   if (!result.ok()) return Failure(result.error());
#ifndef TAV_BINDING_BINDING_RESULT_H_
#define TAV_BINDING_BINDING_RESULT_H_

#include <string_view>

#include "binding/binding_property.h"

namespace tav {

class [[nodiscard]] BindingResult {
 public:
  BindingResult() = default;
  BindingResult(BindingResult&&) noexcept = default;
  BindingResult& operator=(BindingResult&&) noexcept = default;

  bool ok() const { return ok_; }

  BindingProperty& value() { return value_; }
  const BindingProperty& value() const { return value_; }

  // Marks the result failed with `message`. Does nothing if it already failed.
  void Fail(std::string_view message);

  // The "error" field's text; "" when ok or when that field is not a string.
  std::string_view error() const;

  // Back to ok and empty.
  void Reset();

 private:
  BindingProperty value_;
  bool ok_ = true;
};

}  // namespace tav

#endif  // TAV_BINDING_BINDING_RESULT_H_
