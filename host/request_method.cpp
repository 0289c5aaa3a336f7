#include "request_method.h"

#include <cctype>

#include "tav/plugin_abi.h"

namespace tav::host {

namespace {

constexpr const char* kNames[] = {"", "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT"};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

const char* RequestMethodName(uint32_t method) {
  if (method >= TAV_METHOD_DELETE && method <= TAV_METHOD_PUT) return kNames[method];
  return "";
}

uint32_t RequestMethodFromName(std::string_view name) {
  for (uint32_t method = TAV_METHOD_DELETE; method <= TAV_METHOD_PUT; ++method) {
    if (EqualsIgnoringCase(name, kNames[method])) return method;
  }
  return 0;
}

}  // namespace tav::host
