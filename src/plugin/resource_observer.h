// Resource observation: handlers for a resource path, or for a pattern in
// which "*" stands for one or more characters of a single path segment, fed
// with the resource's current value at once and with every later change
// event of the subscribed event name.
//
//   Observe("/tav-settings/v2/ready", [this](const PluginResourceEvent& event) { ... });
//   Observe<LoginSession>("/tav-login/v1/session",
//                         [this](const RemotingTypedResult<LoginSession>& session) { ... });
//   MatchesResourcePattern("/tav-perks/v1/pages/*", "/tav-perks/v1/pages/7");  // true
#ifndef TAV_PLUGIN_RESOURCE_OBSERVER_H_
#define TAV_PLUGIN_RESOURCE_OBSERVER_H_

#include <functional>
#include <string_view>
#include <utility>

#include "binding/static_type.h"
#include "plugin/app_module.h"
#include "plugin/core_types.h"
#include "plugin/frame_trace.h"
#include "plugin/remoting_typed_result.h"

namespace tav {

// True when `uri` matches `pattern`: every pattern character other than "*"
// equals the uri's character at the same place, and each "*" takes one or
// more uri characters up to, not including, the next "/". Both texts must
// be used up.
bool MatchesResourcePattern(std::string_view pattern, std::string_view uri);

template <class T>
void AppModule::Observe(std::string_view key,
                        std::function<void(const RemotingTypedResult<T>&)> observer) {
  Observe(key, [this, observer = std::move(observer)](const PluginResourceEvent& event) {
    MaybeType<Failure, RemotingTypedResult<T>> typed =
        RemotingTypedResultFromEvent<T>(event, registry_);
    if (!typed.ok()) {
      FrameTrace("Couldn't convert resource %s to C++ while handling update for URL: %s",
                 StaticType::Name<T>().c_str(), event.uri.c_str());
      return;
    }
    observer(typed.value());
  });
}

}  // namespace tav

#endif  // TAV_PLUGIN_RESOURCE_OBSERVER_H_
