// ArgumentBinder: fills the parameter values of one endpoint call from the
// parts of the request, in the order the dispatcher calls it: headers,
// path captures, query, request arguments, body. Each step stops at its
// first error; a later value for the same parameter replaces an earlier one.
//
//   ArgumentBinder binder("GetTavPerksV1PagesById", route.parameters, url.size());
//   MaybeType<Failure, Empty> bound = binder.BindNamedValue("id", "12", ParameterLocation::kPath);
//   if (!bound.ok()) return bound.failure();
//   invoker.Invoke(module, context, binder.values());
//
// Named values may address a place inside a parameter with a chain of keys
// after the name: "ids.0=5&ids.1=7" builds [5, 7]; "filter.name=x" sets a
// member. A key starting with a digit is an element index. The elements and
// members that key chains create are counted against a budget that grows
// with the size of the request, as each index may ask for thousands of
// them.
#ifndef TAV_PLUGIN_ARGUMENT_BINDING_H_
#define TAV_PLUGIN_ARGUMENT_BINDING_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_property.h"
#include "plugin/endpoint_function.h"
#include "plugin/failure.h"
#include "plugin/maybe_type.h"
#include "tav/plugin_abi.h"

namespace tav {

// Element indexes in key chains must stay below this. It keeps a short
// query from asking for billions of empty elements.
inline constexpr uint32_t kMaxKeyChainIndex = 65536;

// Key chains may create at most max(kMinKeyChainCells,
// kKeyChainCellsPerRequestByte * request size) cells in one request: a
// short request may still reach the highest index twice, while a few
// kilobytes of chains can no longer ask for gigabytes.
inline constexpr size_t kMinKeyChainCells = 2 * size_t{kMaxKeyChainIndex};
inline constexpr size_t kKeyChainCellsPerRequestByte = 16;

class ArgumentBinder {
 public:
  // Every parameter starts empty, except that a bool that is not optional
  // starts false. `request_size` is the byte count of the URL and headers
  // the named values come from; it sets the key chains' budget.
  ArgumentBinder(std::string_view function_name, const std::vector<EndpointParameter>& parameters,
                 size_t request_size);

  // Binds `text` to the parameter named by the part of `name` before its
  // first ".", at the place the rest of `name` selects. Fails for an
  // unknown name, an argument sent where its parameter may not come from,
  // a missing value, an index that is not a number or out of range, a
  // chain that needs more cells than the budget has left, or a value that
  // does not decode.
  MaybeType<Failure, Empty> BindNamedValue(std::string_view name, std::string_view text,
                                           ParameterLocation from);

  // Splits a query ("a=1&b=x+y") at "&" and each pair at its first "=",
  // percent-decodes names and values with "+" read as a space, and binds
  // them as query values. Empty pairs are skipped.
  MaybeType<Failure, Empty> BindQuery(std::string_view query);

  // A request argument: a named one binds to the parameter of that name, an
  // unnamed one to the parameter at `position`.
  MaybeType<Failure, Empty> BindArgument(const CoreArgument& argument, size_t position);

  // The body, into the first parameter with the body location; nothing
  // when there is none.
  MaybeType<Failure, Empty> BindBody(const void* body, size_t size, std::string_view content_type);

  const std::vector<BindingProperty>& values() const { return values_; }

 private:
  // Index of the parameter called `name`, or -1.
  int FindParameter(std::string_view name) const;
  Failure UnknownArgument(std::string_view name) const;
  MaybeType<Failure, Empty> BindWhole(size_t index, std::string_view text);
  MaybeType<Failure, Empty> BindAtKeys(size_t index, std::string_view keys, std::string_view text);
  // Takes `cells` from the budget, or fails naming `parameter` when fewer
  // are left.
  MaybeType<Failure, Empty> SpendCells(const EndpointParameter& parameter, size_t cells);

  std::string function_name_;
  const std::vector<EndpointParameter>& parameters_;
  std::vector<BindingProperty> values_;
  const size_t cell_budget_;
  size_t cells_left_;
};

}  // namespace tav

#endif  // TAV_PLUGIN_ARGUMENT_BINDING_H_
