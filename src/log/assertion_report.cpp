#include "log/assertion_report.h"

#include <cstdio>
#include <cstdlib>

#include "log/log_category.h"
#include "log/log_level.h"
#include "log/logger.h"

namespace tav {

std::string BuildAssertionReport(std::string_view file, int32_t line, std::string_view function,
                                 std::string_view expression, std::string_view description) {
  std::string report = "Assertion failed!\n\n";
  if (!file.empty()) {
    report.append("File: ").append(file).append("\n");
  }
  if (line != 0) {
    report.append("Line: ").append(std::to_string(line)).append("\n\n");
  }
  if (!function.empty()) {
    report.append("Function: ").append(function).append("\n\n");
  }
  if (!expression.empty()) {
    report.append("Expression: ").append(expression);
  }
  if (!description.empty()) {
    report.append("\n\nDescription: ").append(description);
  }
  return report;
}

void LogAssertionReport(std::string_view file, int32_t line, std::string_view function,
                        std::string_view expression, std::string_view description) {
  const std::string report = BuildAssertionReport(file, line, function, expression, description);
  Log(kLogLevelError, kLogCategoryDebug, "%s", report.c_str());
}

void FatalErrorReport(std::string_view code, std::string_view description) {
  LogAssertionReport({}, 0, {}, code, description);
  FlushLogTargets();
  std::fflush(nullptr);
  std::abort();
}

}  // namespace tav
