// EndpointFunction: the frame's data for one registered API function, kept
// in the function's registry descriptor (BindingFunctionDescriptor
// ::extension). It holds the function's routes: a method, a compiled path
// template, the parameters and the typed handler behind a type-erased
// invoker. Its address is the dispatch context of the function's
// FunctionRecord.
//
//   EndpointFunction* function = EndpointFunction::FromDispatchContext(request->dispatch_context);
//   if (function == nullptr) ...  // not a live function of this library
#ifndef TAV_PLUGIN_ENDPOINT_FUNCTION_H_
#define TAV_PLUGIN_ENDPOINT_FUNCTION_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "binding/binding_function_descriptor.h"
#include "binding/binding_property.h"
#include "binding/binding_type_id.h"
#include "plugin/failure.h"
#include "plugin/maybe_type.h"
#include "plugin/parameter_location.h"
#include "plugin/request_context.h"
#include "plugin/request_method.h"
#include "plugin/route_template.h"

namespace tav {

class AppModule;

struct EndpointParameter {
  std::string name;
  ParameterLocation location = ParameterLocation::kAny;
  bool optional = false;
  BindingTypeId type;
};

// Converts the bound parameter values to the handler's native types, calls
// the handler and converts its result. A conversion failure of a parameter
// gives a Failure with status 0 and the handler is not called; a result
// value that cannot be converted gives a Failure with status 400. A handler
// without a value gives an empty BindingProperty.
class EndpointInvoker {
 public:
  virtual ~EndpointInvoker() = default;
  // `values` holds one value per parameter, in order.
  virtual MaybeType<Failure, BindingProperty> Invoke(AppModule& module,
                                                     const RequestContext& context,
                                                     const std::vector<BindingProperty>& values) = 0;
};

struct EndpointRoute {
  EndpointRoute(RequestMethod route_method, std::string route_method_name,
                std::string_view path_template)
      : method(route_method),
        method_name(std::move(route_method_name)),
        route(path_template),
        placeholder_names(route.PlaceholderNames()) {}

  RequestMethod method;     // kNone accepts any method
  std::string method_name;  // for kNamed; empty otherwise
  RouteTemplate route;      // compiled once, at registration
  std::vector<std::string> placeholder_names;  // of `route`, in order
  std::vector<EndpointParameter> parameters;
  std::unique_ptr<EndpointInvoker> invoker;
};

class EndpointFunction : public BindingFunctionExtension {
 public:
  EndpointFunction(AppModule& module, std::string name);
  ~EndpointFunction() override;
  EndpointFunction(const EndpointFunction&) = delete;
  EndpointFunction& operator=(const EndpointFunction&) = delete;

  // The live function whose dispatch context is `context`, or null when no
  // function of this library has it (a stale or foreign word).
  static EndpointFunction* FromDispatchContext(const void* context);

  AppModule& module() const { return module_; }
  const std::string& name() const { return name_; }

  // Routes in registration order. A function normally has one; a later
  // registration under the same name adds another.
  const std::vector<std::unique_ptr<EndpointRoute>>& routes() const { return routes_; }
  void AddRoute(std::unique_ptr<EndpointRoute> route) { routes_.push_back(std::move(route)); }

 private:
  AppModule& module_;
  std::string name_;
  std::vector<std::unique_ptr<EndpointRoute>> routes_;
};

}  // namespace tav

#endif  // TAV_PLUGIN_ENDPOINT_FUNCTION_H_
