#include "plugin/route_template.h"

#include <cstdint>

namespace tav {

RouteTemplate::RouteTemplate(std::string_view path_template) : text_(path_template) {
  std::string literal;
  size_t position = 0;
  while (position < path_template.size()) {
    const char c = path_template[position];
    if (c != '{') {
      literal += c;
      ++position;
      continue;
    }
    const size_t close = path_template.find('}', position + 1);
    // An unclosed brace contributes nothing, like a placeholder that never
    // ends.
    if (close == std::string_view::npos) break;
    std::string_view inside = path_template.substr(position + 1, close - position - 1);
    Placeholder placeholder;
    if (!inside.empty() && (inside.front() == '+' || inside.front() == '#')) {
      if (inside.front() == '#') literal += '#';
      placeholder.crosses_slashes = true;
      inside.remove_prefix(1);
    }
    placeholder.name = std::string(inside);
    literals_.push_back(std::move(literal));
    literal.clear();
    placeholders_.push_back(std::move(placeholder));
    position = close + 1;
  }
  literals_.push_back(std::move(literal));
}

std::vector<std::string> RouteTemplate::PlaceholderNames() const {
  std::vector<std::string> names;
  names.reserve(placeholders_.size());
  for (const Placeholder& placeholder : placeholders_) names.push_back(placeholder.name);
  return names;
}

bool RouteTemplate::Match(std::string_view path, std::vector<std::string_view>* captures) const {
  if (captures != nullptr) captures->clear();
  if (placeholders_.empty()) return path == literals_.front();

  const size_t length = path.size();
  const size_t count = placeholders_.size();
  auto literal_at = [&](size_t index, size_t at) {
    const std::string& literal = literals_[index];
    return at <= length && length - at >= literal.size() &&
           path.compare(at, literal.size(), literal) == 0;
  };

  // tail[i][p]: the path from p on matches placeholder i and everything
  // after it. Filled backwards, one row per placeholder.
  std::vector<std::vector<uint8_t>> tail(count, std::vector<uint8_t>(length + 2, 0));
  // After placeholder i comes literal i + 1, then placeholder i + 1 or the end.
  auto rest_matches = [&](size_t index, size_t at) {
    if (!literal_at(index + 1, at)) return false;
    const size_t next = at + literals_[index + 1].size();
    if (index + 1 == count) return next == length;
    return tail[index + 1][next] != 0;
  };
  for (size_t i = count; i-- > 0;) {
    std::vector<uint8_t>& row = tail[i];
    const bool crosses = placeholders_[i].crosses_slashes;
    for (size_t p = length + 1; p-- > 0;) {
      bool matches = rest_matches(i, p);
      if (!matches && p < length && (crosses || path[p] != '/')) matches = row[p + 1] != 0;
      row[p] = matches ? 1 : 0;
    }
  }

  if (!literal_at(0, 0) || tail[0][literals_[0].size()] == 0) return false;
  if (captures == nullptr) return true;

  // Each placeholder takes the longest stretch that still lets the rest match.
  size_t start = literals_[0].size();
  for (size_t i = 0; i < count; ++i) {
    size_t limit = length;
    if (!placeholders_[i].crosses_slashes) {
      const size_t slash = path.find('/', start);
      if (slash != std::string_view::npos) limit = slash;
    }
    size_t end = limit;
    while (!rest_matches(i, end)) --end;  // terminates: tail[i][start] holds
    captures->push_back(path.substr(start, end - start));
    start = end + literals_[i + 1].size();
  }
  return true;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PercentDecode(std::string_view text, bool plus_as_space) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    decoded += (plus_as_space && c == '+') ? ' ' : c;
  }
  return decoded;
}

}  // namespace tav
