// Placeholders for the AppModule members that resource observation and the
// service proxy define. They drop what they are given. Delete this file
// when resource_observer.cpp and service_proxy.cpp define these members.
#include "plugin/app_module.h"

namespace tav {

void AppModule::DispatchResourceEvent(const PluginResourceEvent&) {}
void AppModule::HandleServiceProxyUuidEvent(const PluginServiceProxyResponse&) {}
void AppModule::HandleServiceProxyMethodEvent(const PluginServiceProxyResponse&) {}
void AppModule::HandleServiceProxyAsyncEvent(const PluginServiceProxyResponse&) {}

}  // namespace tav
