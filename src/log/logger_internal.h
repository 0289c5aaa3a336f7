// What the logger offers the rest of src/log and nobody else.
#ifndef TAV_LOG_LOGGER_INTERNAL_H_
#define TAV_LOG_LOGGER_INTERNAL_H_

namespace tav {

class LogTarget;

// Takes every occurrence of `target` out of the logger's list, if a logger
// exists; never creates one. Called by a registered target's destructor so
// the list cannot keep a dangling pointer.
void ForgetLogTarget(LogTarget* target);

}  // namespace tav

#endif  // TAV_LOG_LOGGER_INTERNAL_H_
