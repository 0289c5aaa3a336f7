// A URL path pattern with captures, used both to route the host's calls to
// the plugin's functions (by their route templates) and to route the
// plugin's requests to peers.
//
// Syntax: literal text; "{name}" captures any characters up to the next "/"
// (possibly none); "{+name}" captures the rest, slashes included; "{#name}"
// matches a "#" and captures the rest; "*" matches one or more characters up
// to the next "/" and captures them without a name. An unclosed brace is
// literal text.
//
//   PathPattern pattern("/tav-perks/v1/pages/{id}");
//   PathMatch match;
//   pattern.Match("/tav-perks/v1/pages/12", &match);   // true, id = "12"
//   pattern.Match("/tav-perks/v1/pages/12/x", &match); // false
#ifndef TAV_HOST_PATH_PATTERN_H_
#define TAV_HOST_PATH_PATTERN_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tav::host {

struct PathMatch {
  // In order of appearance; "*" captures have an empty name.
  std::vector<std::pair<std::string, std::string>> captures;
  // Total length of the captured texts: of two patterns that match one
  // path, the one with fewer captured characters is the more literal.
  size_t captured_chars = 0;

  // The capture of that name, or null.
  const std::string* Find(std::string_view name) const;
};

class PathPattern {
 public:
  explicit PathPattern(std::string_view pattern);

  // Whether the whole of `path` matches; fills `match` (when not null) on
  // success.
  bool Match(std::string_view path, PathMatch* match) const;

  const std::string& text() const { return text_; }
  bool is_literal() const { return tokens_.size() == 1 && tokens_[0].kind == TokenKind::kLiteral; }

 private:
  enum class TokenKind { kLiteral, kSegment, kRest, kFragment, kStar };
  struct Token {
    TokenKind kind;
    std::string text;  // literal text, or the capture name
  };

  bool MatchFrom(size_t token, std::string_view rest, PathMatch* match) const;

  std::string text_;
  std::vector<Token> tokens_;
};

}  // namespace tav::host

#endif  // TAV_HOST_PATH_PATTERN_H_
