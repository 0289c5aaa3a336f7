// The lines tav-core writes on standard error about the requests it serves,
// and which of the plugin's log lines it echoes.
//
//   std::fputs(RequestLogLine("GET", "/tav-perks/v1/pages", 200, 3).c_str(), stderr);
//   // tav-core: GET /tav-perks/v1/pages 200 3 ms
//   if (hide_debug && HasDebugCategory(line.text)) return;   // a plugin line
#ifndef TAV_HOST_MAIN_SERVER_LOG_H_
#define TAV_HOST_MAIN_SERVER_LOG_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tav::host {

// "tav-core: <method> <target> <status> <milliseconds> ms" and a line feed.
// Bytes of the method or target that would disturb a terminal or split the
// line (controls, spaces, non-ASCII) are written as %XX; an empty method or
// target as "-".
std::string RequestLogLine(std::string_view method, std::string_view target, int status, int64_t milliseconds);

// Whether a plugin log line, "<time>| <level>| <categories>| <message>",
// names the debug category "DBG" among its categories (names joined by
// ";"). A line not of that form has no category, and so is not a debug line.
bool HasDebugCategory(std::string_view plugin_line);

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_SERVER_LOG_H_
