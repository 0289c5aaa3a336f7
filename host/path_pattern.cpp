#include "path_pattern.h"

namespace tav::host {

const std::string* PathMatch::Find(std::string_view name) const {
  for (const auto& capture : captures) {
    if (capture.first == name) return &capture.second;
  }
  return nullptr;
}

PathPattern::PathPattern(std::string_view pattern) : text_(pattern) {
  std::string literal;
  auto flush = [&] {
    if (!literal.empty()) tokens_.push_back({TokenKind::kLiteral, std::move(literal)});
    literal.clear();
  };
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '*') {
      flush();
      tokens_.push_back({TokenKind::kStar, ""});
      continue;
    }
    size_t close = c == '{' ? pattern.find('}', i + 1) : std::string_view::npos;
    if (close == std::string_view::npos) {
      literal.push_back(c);
      continue;
    }
    flush();
    std::string_view inside = pattern.substr(i + 1, close - i - 1);
    if (!inside.empty() && inside[0] == '+') {
      tokens_.push_back({TokenKind::kRest, std::string(inside.substr(1))});
    } else if (!inside.empty() && inside[0] == '#') {
      tokens_.push_back({TokenKind::kFragment, std::string(inside.substr(1))});
    } else {
      tokens_.push_back({TokenKind::kSegment, std::string(inside)});
    }
    i = close;
  }
  flush();
  if (tokens_.empty()) tokens_.push_back({TokenKind::kLiteral, ""});
}

bool PathPattern::Match(std::string_view path, PathMatch* match) const {
  PathMatch scratch;
  if (!MatchFrom(0, path, &scratch)) return false;
  if (match != nullptr) *match = std::move(scratch);
  return true;
}

// Backtracking walk; patterns are short, so the cost stays small.
bool PathPattern::MatchFrom(size_t token, std::string_view rest, PathMatch* match) const {
  if (token == tokens_.size()) return rest.empty();
  const Token& t = tokens_[token];
  auto try_capture = [&](size_t length) {
    match->captures.emplace_back(t.text, std::string(rest.substr(0, length)));
    match->captured_chars += length;
    if (MatchFrom(token + 1, rest.substr(length), match)) return true;
    match->captured_chars -= length;
    match->captures.pop_back();
    return false;
  };
  switch (t.kind) {
    case TokenKind::kLiteral:
      if (rest.substr(0, t.text.size()) != t.text) return false;
      return MatchFrom(token + 1, rest.substr(t.text.size()), match);
    case TokenKind::kSegment:
    case TokenKind::kStar: {
      size_t limit = rest.find('/');
      if (limit == std::string_view::npos) limit = rest.size();
      size_t shortest = t.kind == TokenKind::kStar ? 1 : 0;
      for (size_t length = limit + 1; length-- > shortest;) {
        if (try_capture(length)) return true;
      }
      return false;
    }
    case TokenKind::kRest:
      for (size_t length = rest.size() + 1; length-- > 0;) {
        if (try_capture(length)) return true;
      }
      return false;
    case TokenKind::kFragment: {
      if (rest.empty() || rest[0] != '#') return false;
      rest.remove_prefix(1);
      return try_capture(rest.size());
    }
  }
  return false;
}

}  // namespace tav::host
