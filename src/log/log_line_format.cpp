#include "log/log_line_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "log/log_category.h"
#include "log/log_level.h"
#include "log/log_process_info.h"

namespace tav {
namespace {

// Length snprintf reports, turned into what actually landed in the buffer.
size_t Printed(int printed, size_t size) {
  if (printed < 0 || size == 0) return 0;
  return std::min(static_cast<size_t>(printed), size - 1);
}

// The line being built. Copying stops when only two bytes are left, which
// keeps room for the closing "\n" and the NUL.
class LineWriter {
 public:
  LineWriter(char* out, size_t size) : out_(out), limit_(size - 2) {}

  bool Full() const { return pos_ >= limit_; }

  void Put(char c) {
    if (!Full()) out_[pos_++] = c;
  }

  void Append(std::string_view text) {
    const size_t length = std::min(text.size(), limit_ - pos_);
    std::memcpy(out_ + pos_, text.data(), length);
    pos_ += length;
  }

  size_t Finish() {
    if (pos_ == 0 || out_[pos_ - 1] != '\n') out_[pos_++] = '\n';
    out_[pos_] = '\0';
    return pos_;
  }

 private:
  char* out_;
  size_t limit_;
  size_t pos_ = 0;
};

void AppendCategories(uint64_t categories, LineWriter& line) {
  bool first = true;
  for (unsigned bit = 0; bit < 64; ++bit) {
    if ((categories & (uint64_t{1} << bit)) == 0) continue;
    if (!first) line.Put(';');
    line.Append(LogCategoryName(bit));
    first = false;
  }
}

void AppendElapsed(LineWriter& line) {
  const ElapsedTime elapsed = MonotonicSinceFirstUse();
  char text[48];
  const int printed = std::snprintf(text, sizeof text, "%06lld.%03d",
                                    static_cast<long long>(elapsed.seconds), elapsed.milliseconds);
  line.Append(std::string_view(text, Printed(printed, sizeof text)));
}

void AppendThread(LineWriter& line) {
  char text[32];
  const int printed = std::snprintf(text, sizeof text, "%p", CurrentThreadWord());
  line.Append(std::string_view(text, Printed(printed, sizeof text)));
}

void AppendToken(char token, const LogEntry& entry, LineWriter& line) {
  switch (token) {
    case 'D': {
      char text[64];
      line.Append(std::string_view(text, FormatLogTimestamp(entry.time, text, sizeof text)));
      return;
    }
    case 'E':
      line.Append(ExecutableName());
      return;
    case 'G':
      AppendCategories(entry.categories, line);
      return;
    case 'H':
      AppendElapsed(line);
      return;
    case 'L':
      line.Append(LogLevelText(entry.level));
      return;
    case 'M':
      line.Append(entry.message);
      return;
    case 'T':
      AppendThread(line);
      return;
    default:
      line.Put(token);
      return;
  }
}

}  // namespace

size_t FormatLogLine(std::string_view line_template, const LogEntry& entry, char* out,
                     size_t size) {
  if (out == nullptr || size < 2) {
    if (out != nullptr && size == 1) out[0] = '\0';
    return 0;
  }
  LineWriter line(out, size);
  for (size_t i = 0; i < line_template.size() && !line.Full(); ++i) {
    const char c = line_template[i];
    if (c != '#') {
      line.Put(c);
      continue;
    }
    // A '#' that ends the template has nothing to name and prints nothing.
    if (i + 1 == line_template.size()) break;
    AppendToken(line_template[++i], entry, line);
  }
  return line.Finish();
}

size_t FormatLogTimestamp(const LogTime& time, char* out, size_t size) {
  if (out == nullptr || size == 0) return 0;
  const int printed =
      std::snprintf(out, size, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", time.year, time.month,
                    time.day, time.hour, time.minute, time.second, time.millisecond);
  return Printed(printed, size);
}

size_t FormatFileTimestamp(const LogTime& time, char* out, size_t size) {
  if (out == nullptr || size == 0) return 0;
  const int printed = std::snprintf(out, size, "%04d-%02d-%02dT%02d-%02d-%02d", time.year,
                                    time.month, time.day, time.hour, time.minute, time.second);
  return Printed(printed, size);
}

}  // namespace tav
