#include "log/log_target.h"

#include "log/log_level.h"
#include "log/log_line_format.h"
#include "log/logger_internal.h"

namespace tav {

const LogTargetEntryPoints LogTarget::kEntryPoints = {
    [](LogTarget* target, int32_t level) { target->SetLevel(level); },
    [](const LogTarget* target) { return target->GetLevel(); },
    [](LogTarget* target, uint64_t included, uint64_t excluded) {
      target->SetMasks(included, excluded);
    },
    [](const LogTarget* target) { return target->GetIncludedMask(); },
    [](const LogTarget* target) { return target->GetExcludedMask(); },
    [](const LogTarget* target) { return target->GetName(); },
    [](const LogTarget* target) { return target->GetTemplate(); },
    [](LogTarget* target, std::string_view line_template) { target->SetTemplate(line_template); },
    [](LogTarget* target) { target->Reset(); },
    [](const LogTarget* target) { return target->IsRegistered(); },
    [](LogTarget* target, bool registered) { target->SetRegistered(registered); },
    [](LogTarget* target, const LogEntry& entry) { return target->Write(entry); },
    [](LogTarget* target) { target->Flush(); },
};

LogTarget::LogTarget()
    : entry_points_(&kEntryPoints), level_(kLogLevelWarning), template_(kDefaultLogTemplate) {}

LogTarget::~LogTarget() {
  if (IsRegistered()) ForgetLogTarget(this);
}

void LogTarget::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  level_.store(kLogLevelWarning, std::memory_order_relaxed);
  included_mask_.store(0, std::memory_order_relaxed);
  excluded_mask_.store(0, std::memory_order_relaxed);
  template_.assign(kDefaultLogTemplate);
}

const char* LogTarget::GetName() const { return "LogTarget"; }

std::string_view LogTarget::GetTemplate() const { return template_; }

void LogTarget::Flush() {}

void LogTarget::SetLevel(int32_t level) {
  std::lock_guard<std::mutex> lock(mutex_);
  level_.store(level, std::memory_order_relaxed);
}

int32_t LogTarget::GetLevel() const { return level_.load(std::memory_order_relaxed); }

void LogTarget::SetMasks(uint64_t included, uint64_t excluded) {
  std::lock_guard<std::mutex> lock(mutex_);
  included_mask_.store(included & ~excluded, std::memory_order_relaxed);
  excluded_mask_.store(excluded, std::memory_order_relaxed);
}

uint64_t LogTarget::GetIncludedMask() const {
  return included_mask_.load(std::memory_order_relaxed);
}

uint64_t LogTarget::GetExcludedMask() const {
  return excluded_mask_.load(std::memory_order_relaxed);
}

void LogTarget::SetTemplate(std::string_view line_template) {
  std::lock_guard<std::mutex> lock(mutex_);
  template_.assign(line_template);
}

bool LogTarget::IsRegistered() const { return registered_.load(std::memory_order_relaxed); }

void LogTarget::SetRegistered(bool registered) {
  registered_.store(registered, std::memory_order_relaxed);
}

size_t LogTarget::FormatEntry(const LogEntry& entry, char* line, size_t size) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return FormatLogLine(GetTemplate(), entry, line, size);
}

}  // namespace tav
