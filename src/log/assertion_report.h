// The assertion report: the text logged when an invariant breaks, and the
// fatal error report, an assertion report for a broken invariant that ends
// the process.
//
//   LogAssertionReport(__FILE__, __LINE__, __func__, "count <= 6", "too many perks");
//   FatalErrorReport("ALE-6D828C10", FormatMessage("Caught ... (%1) %2", 3, what));
#ifndef TAV_LOG_ASSERTION_REPORT_H_
#define TAV_LOG_ASSERTION_REPORT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

// "Assertion failed!\n\n", then each part that is given (a non-empty text,
// a line other than 0): "File: <file>\n", "Line: <line>\n\n",
// "Function: <function>\n\n", "Expression: <expression>", and
// "\n\nDescription: <description>".
std::string BuildAssertionReport(std::string_view file, int32_t line, std::string_view function,
                                 std::string_view expression, std::string_view description);

// Logs the report at level 2 with category bit 0.
void LogAssertionReport(std::string_view file, int32_t line, std::string_view function,
                        std::string_view expression, std::string_view description);

// Logs the report whose expression is `code` ("ALE-" and eight hexadecimal
// digits) and whose description is `description`, flushes the targets, and
// aborts the process. Never returns.
[[noreturn]] void FatalErrorReport(std::string_view code, std::string_view description);

}  // namespace tav

#endif  // TAV_LOG_ASSERTION_REPORT_H_
