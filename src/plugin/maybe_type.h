// MaybeType<Failure, T>: either a Failure or a value of T, the result of
// every call, handler and wait. A call that gives no value uses Empty.
//
//   MaybeType<Failure, PerkPageResource> page = GetPage(7);
//   if (!page.ok()) return page.failure();
//   Use(page.value());
#ifndef TAV_PLUGIN_MAYBE_TYPE_H_
#define TAV_PLUGIN_MAYBE_TYPE_H_

#include <cassert>
#include <type_traits>
#include <utility>
#include <variant>

#include "plugin/failure.h"

namespace tav {

// The value of a call that gives none.
struct Empty {};

template <class E, class T>
class [[nodiscard]] MaybeType {
 public:
  static_assert(!std::is_same_v<E, T>, "a failure type cannot also be the value type");
  using FailureType = E;
  using ValueType = T;

  // A default MaybeType holds a default value (an empty success for Empty).
  MaybeType() : state_(std::in_place_index<1>) {}
  MaybeType(T value) : state_(std::in_place_index<1>, std::move(value)) {}
  MaybeType(E failure) : state_(std::in_place_index<0>, std::move(failure)) {}

  bool ok() const { return state_.index() == 1; }

  T& value() & {
    assert(ok());
    return std::get<1>(state_);
  }
  const T& value() const& {
    assert(ok());
    return std::get<1>(state_);
  }
  T&& value() && {
    assert(ok());
    return std::get<1>(std::move(state_));
  }

  E& failure() & {
    assert(!ok());
    return std::get<0>(state_);
  }
  const E& failure() const& {
    assert(!ok());
    return std::get<0>(state_);
  }
  E&& failure() && {
    assert(!ok());
    return std::get<0>(std::move(state_));
  }

  // The value when ok, null otherwise.
  T* GetIfValue() { return ok() ? &std::get<1>(state_) : nullptr; }
  const T* GetIfValue() const { return ok() ? &std::get<1>(state_) : nullptr; }

 private:
  std::variant<E, T> state_;
};

}  // namespace tav

#endif  // TAV_PLUGIN_MAYBE_TYPE_H_
