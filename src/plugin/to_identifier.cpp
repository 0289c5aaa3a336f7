#include "plugin/to_identifier.h"

namespace tav {

namespace {

bool IsSeparator(char c) {
  return c == '!' || c == '+' || c == '-' || c == '.' || c == '/' || c == '_';
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string ToIdentifier(std::string_view name) {
  std::string result;
  result.reserve(name.size() + 4);
  bool capitalise = true;
  for (char c : name) {
    if (IsSeparator(c)) {
      capitalise = true;
    } else if (c == '{') {
      result += "By";
      capitalise = true;
    } else if (c == '}') {
      // dropped
    } else if (capitalise) {
      result += AsciiUpper(c);
      capitalise = false;
    } else {
      result += c;
    }
  }
  return result;
}

std::string ToIdentifierWithPrefix(std::string_view prefix, std::string_view name) {
  if (prefix.empty()) return ToIdentifier(name);
  std::string text;
  text.reserve(prefix.size() + 1 + name.size());
  text += prefix.front();
  for (char c : prefix.substr(1)) text += AsciiLower(c);
  text += '/';
  text += name;
  return ToIdentifier(text);
}

}  // namespace tav
