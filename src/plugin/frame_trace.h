// FrameTrace: the frame's debug-only trace lines ("%s: Sending event: %s"
// and the like). They go to the logger at level 0 in the XTR category, which
// the logger drops by default on both counts, so they are never written out
// unless a developer lowers the level and clears the exclusion.
//
//   FrameTrace("%s: Sending event: %s", short_name_.c_str(), name.c_str());
#ifndef TAV_PLUGIN_FRAME_TRACE_H_
#define TAV_PLUGIN_FRAME_TRACE_H_

#include <utility>

#include "log/log_category.h"
#include "log/log_level.h"
#include "log/logger.h"

namespace tav {

template <class... Args>
void FrameTrace(const char* format, Args... arguments) {
#ifdef NDEBUG
  (void)format;
  ((void)arguments, ...);
#else
  Log(kLogLevelOkay, kLogCategoryExtra, format, arguments...);
#endif
}

}  // namespace tav

#endif  // TAV_PLUGIN_FRAME_TRACE_H_
