// PluginLogTarget: the log target through which the plugin's lines reach
// the core's log. Each entry is formatted with the target's template
// ("#D| #L| #G| #M" once installed) and handed, with its level, to the
// core's Log operation.
//
//   auto target = std::make_unique<PluginLogTarget>(args->core);
//   ConfigureLogTarget(target.get(), kLogLevelOkay, 0, 0, kPluginLogTemplate);
#ifndef TAV_PLUGIN_PLUGIN_LOG_TARGET_H_
#define TAV_PLUGIN_PLUGIN_LOG_TARGET_H_

#include "log/log_target.h"
#include "tav/plugin_abi.h"

namespace tav {

inline constexpr char kPluginLogTargetName[] = "PluginLogTarget";
inline constexpr char kPluginLogTemplate[] = "#D| #L| #G| #M";

class PluginLogTarget : public LogTarget {
 public:
  // `core` must stay valid while the target is registered.
  explicit PluginLogTarget(CoreInterface* core) : core_(core) {}
  ~PluginLogTarget() override;

  const char* GetName() const override { return kPluginLogTargetName; }

  // The formatted line goes to the core without its closing line feed: the
  // core writes each call as one line of its own.
  bool Write(const LogEntry& entry) override;

 private:
  CoreInterface* core_;
};

}  // namespace tav

#endif  // TAV_PLUGIN_PLUGIN_LOG_TARGET_H_
