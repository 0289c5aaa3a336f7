#include "binding/static_type.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace tav {

namespace {

// Template arguments that only restate a default.
constexpr std::string_view kDefaultArguments[] = {
    "std::allocator<", "std::char_traits<", "std::less<",
    "std::hash<",      "std::equal_to<",    "std::default_delete<",
};

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  size_t position = 0;
  while ((position = text.find(from, position)) != std::string::npos) {
    text.replace(position, from.size(), to);
    position += to.size();
  }
}

// The index just past the '>' that closes the '<' at `open`, or npos when
// the brackets do not balance.
size_t PastClosingBracket(const std::string& text, size_t open) {
  int depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    if (text[i] == '<') ++depth;
    if (text[i] == '>' && --depth == 0) return i + 1;
  }
  return std::string::npos;
}

// Removes every ", X<...>" whose X is a default argument. Such arguments
// never come first, so each one follows a comma.
void DropDefaultArguments(std::string& text) {
  for (std::string_view argument : kDefaultArguments) {
    std::string pattern = ", " + std::string(argument);
    size_t position = 0;
    while ((position = text.find(pattern, position)) != std::string::npos) {
      size_t end = PastClosingBracket(text, position + pattern.size() - 1);
      if (end == std::string::npos) return;  // unbalanced: leave the rest alone
      text.erase(position, end - position);
    }
  }
}

}  // namespace

std::string StaticType::ReadableName(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  if (status != 0 || demangled == nullptr) return mangled;
  return Simplify(demangled.get());
}

std::string StaticType::Simplify(std::string_view demangled) {
  std::string text(demangled);
  ReplaceAll(text, "std::__cxx11::", "std::");
  DropDefaultArguments(text);
  ReplaceAll(text, " >", ">");
  ReplaceAll(text, "std::basic_string<char>", "std::string");
  return text;
}

}  // namespace tav
