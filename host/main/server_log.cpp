#include "main/server_log.h"

namespace tav::host {

namespace {

void AppendPrintable(std::string_view text, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7f) {
      out->push_back(c);
      continue;
    }
    out->push_back('%');
    out->push_back(kHex[byte >> 4]);
    out->push_back(kHex[byte & 0xf]);
  }
}

}  // namespace

std::string RequestLogLine(std::string_view method, std::string_view target, int status, int64_t milliseconds) {
  std::string line = "tav-core: ";
  AppendPrintable(method.empty() ? "-" : method, &line);
  line += ' ';
  AppendPrintable(target.empty() ? "-" : target, &line);
  line += ' ' + std::to_string(status) + ' ' + std::to_string(milliseconds) + " ms\n";
  return line;
}

bool HasDebugCategory(std::string_view plugin_line) {
  constexpr std::string_view kSeparator = "| ";
  size_t start = 0;
  // Past the time and the level.
  for (int field = 0; field < 2; ++field) {
    const size_t end = plugin_line.find(kSeparator, start);
    if (end == std::string_view::npos) return false;
    start = end + kSeparator.size();
  }
  const size_t end = plugin_line.find(kSeparator, start);
  if (end == std::string_view::npos) return false;
  const std::string_view categories = plugin_line.substr(start, end - start);
  for (size_t from = 0; from <= categories.size();) {
    size_t semicolon = categories.find(';', from);
    if (semicolon == std::string_view::npos) semicolon = categories.size();
    if (categories.substr(from, semicolon - from) == "DBG") return true;
    from = semicolon + 1;
  }
  return false;
}

}  // namespace tav::host
