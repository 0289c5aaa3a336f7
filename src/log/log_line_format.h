// Turns a log entry into one line of text by a target's template, and
// prints the two timestamp forms.
//
// Template tokens: #D local time of the entry, #E executable name, #G names
// of the entry's categories joined by ';', #H seconds since the monotonic
// clock's first use, #L level text, #M message, #T calling thread. '#' and
// any other character prints that character, so "##" prints "#".
//
//   char line[kLogLineSize];
//   FormatLogLine("#D| #L| #G| #M", entry, line, sizeof line);
//   // "2031-04-09T17:03:55.120|  ERROR| DBG;NET| page store unreachable\n"
#ifndef TAV_LOG_LOG_LINE_FORMAT_H_
#define TAV_LOG_LOG_LINE_FORMAT_H_

#include <cstddef>
#include <string_view>

#include "log/log_entry.h"

namespace tav {

// The size of the buffer a line is formatted into.
constexpr size_t kLogLineSize = 4096;

// The template a target starts with.
constexpr std::string_view kDefaultLogTemplate = "#D| #L| #G| #M";

// Writes the line into `out` (`size` bytes) and returns its length. The line
// always ends with exactly one "\n" and a NUL: the text before them is cut
// at size - 2 bytes, and a text that already ends with "\n" gets no second
// one. Writes nothing and returns 0 when size < 2.
size_t FormatLogLine(std::string_view line_template, const LogEntry& entry, char* out,
                     size_t size);

// "YYYY-MM-DDThh:mm:ss.mmm", as #D prints it. Returns the length written
// (cut to fit, NUL-terminated).
size_t FormatLogTimestamp(const LogTime& time, char* out, size_t size);

// "YYYY-MM-DDThh-mm-ss", the same time made fit for a file name.
size_t FormatFileTimestamp(const LogTime& time, char* out, size_t size);

}  // namespace tav

#endif  // TAV_LOG_LOG_LINE_FORMAT_H_
