#include "plugin/plugin_log_target.h"

#include <mutex>

#include "log/log_line_format.h"
#include "log/logger.h"

namespace tav {

PluginLogTarget::~PluginLogTarget() {
  // Leave the logger's list before this part of the object is gone, so that
  // no entry reaches a half-destroyed target.
  if (IsRegistered()) RemoveLogTarget(this);
}

bool PluginLogTarget::Write(const LogEntry& entry) {
  if (core_ == nullptr || core_->Log == nullptr) return false;
  char line[kLogLineSize];
  size_t length = FormatEntry(entry, line, sizeof line);
  if (length > 0 && line[length - 1] == '\n') line[--length] = '\0';
  std::lock_guard<std::mutex> lock(mutex());
  core_->Log(core_, entry.level, line);
  return true;
}

}  // namespace tav
