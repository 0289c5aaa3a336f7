#include "plugin/endpoint_function.h"

#include "plugin/live_objects.h"

namespace tav {

EndpointFunction::EndpointFunction(AppModule& module, std::string name)
    : module_(module), name_(std::move(name)) {
  LiveEndpointFunctions().Add(this);
}

EndpointFunction::~EndpointFunction() { LiveEndpointFunctions().Remove(this); }

EndpointFunction* EndpointFunction::FromDispatchContext(const void* context) {
  if (!LiveEndpointFunctions().Contains(context)) return nullptr;
  return static_cast<EndpointFunction*>(const_cast<void*>(context));
}

}  // namespace tav
