// A destination for log lines. The logger keeps a list of registered
// targets and hands each entry that passes a target's level and category
// masks to its Write. A target formats the entry with its own line template.
//
//   class FileLogTarget : public LogTarget {
//    public:
//     const char* GetName() const override { return "FileLogTarget"; }
//     bool Write(const LogEntry& entry) override {
//       char line[kLogLineSize];
//       const size_t length = FormatEntry(entry, line, sizeof line);
//       std::lock_guard<std::mutex> lock(mutex());
//       return std::fwrite(line, 1, length, file_) == length;
//     }
//   };
#ifndef TAV_LOG_LOG_TARGET_H_
#define TAV_LOG_LOG_TARGET_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "log/log_entry.h"

namespace tav {

class LogTarget;

// The plain table of entry points through which the logger drives a target.
// Each takes the target first and forwards to its member of the same name.
struct LogTargetEntryPoints {
  void (*set_level)(LogTarget* target, int32_t level);
  int32_t (*get_level)(const LogTarget* target);
  void (*set_masks)(LogTarget* target, uint64_t included, uint64_t excluded);
  uint64_t (*get_included_mask)(const LogTarget* target);
  uint64_t (*get_excluded_mask)(const LogTarget* target);
  const char* (*get_name)(const LogTarget* target);
  std::string_view (*get_template)(const LogTarget* target);
  void (*set_template)(LogTarget* target, std::string_view line_template);
  void (*reset)(LogTarget* target);
  bool (*is_registered)(const LogTarget* target);
  void (*set_registered)(LogTarget* target, bool registered);
  bool (*write)(LogTarget* target, const LogEntry& entry);
  void (*flush)(LogTarget* target);
};

class LogTarget {
 public:
  LogTarget();
  LogTarget(const LogTarget&) = delete;
  LogTarget& operator=(const LogTarget&) = delete;
  // A target destroyed while registered takes itself out of the logger's
  // list. Unregister it before destroying the derived part when other
  // threads may still be logging.
  virtual ~LogTarget();

  // Back to minimum level 1, no masks and the default template. Takes the
  // target's lock; an override must call this one.
  virtual void Reset();

  // The name FindLogTarget matches exactly.
  virtual const char* GetName() const;

  // The line template. The view stays valid until the template is next
  // changed; FormatEntry reads it under the target's lock.
  virtual std::string_view GetTemplate() const;

  // Writes one entry. Called by the logger under its lock, never for an
  // entry the target's level or masks reject. Returns whether the line was
  // handed to the output. A log call made from here is dropped; adding,
  // removing or configuring targets (this one included) is allowed.
  virtual bool Write(const LogEntry& entry) = 0;

  // Pushes buffered output out. Does nothing unless overridden.
  virtual void Flush();

  // Entries below `level` are skipped.
  void SetLevel(int32_t level);
  int32_t GetLevel() const;

  // When an entry has categories: it is skipped if it shares a bit with the
  // excluded mask, or if the included mask is not 0 and shares none. The
  // included mask is stored without the excluded bits.
  void SetMasks(uint64_t included, uint64_t excluded);
  uint64_t GetIncludedMask() const;
  uint64_t GetExcludedMask() const;

  void SetTemplate(std::string_view line_template);

  // True while the target is in the logger's list. Kept by the logger.
  bool IsRegistered() const;
  void SetRegistered(bool registered);

  const LogTargetEntryPoints& entry_points() const { return *entry_points_; }

 protected:
  // Formats `entry` with this target's template into `line` (normally
  // kLogLineSize bytes); see FormatLogLine. Takes the target's lock.
  size_t FormatEntry(const LogEntry& entry, char* line, size_t size) const;

  // The target's lock: held while its settings change and while it writes.
  std::mutex& mutex() const { return mutex_; }

 private:
  static const LogTargetEntryPoints kEntryPoints;

  const LogTargetEntryPoints* entry_points_;
  mutable std::mutex mutex_;
  std::atomic<int32_t> level_;
  std::atomic<uint64_t> included_mask_{0};
  std::atomic<uint64_t> excluded_mask_{0};
  std::atomic<bool> registered_{false};
  std::string template_;  // guarded by mutex_
};

}  // namespace tav

#endif  // TAV_LOG_LOG_TARGET_H_
