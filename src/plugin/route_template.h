// RouteTemplate: a path template such as "/tav-perks/v1/pages/{id}",
// compiled once and matched against request paths without recursion, so a
// path of any length is safe.
//
// Placeholders: "{name}" takes the characters up to the next "/" (possibly
// none), "{+name}" takes any characters, "{#name}" matches "#" and then any
// characters. Everything else must appear literally. When a placeholder
// could take more or fewer characters, the earlier placeholder takes as
// many as still let the whole path match. A template without placeholders
// is compared byte for byte.
//
//   RouteTemplate route("/tav-perks/v1/pages/{id}");
//   std::vector<std::string_view> captures;
//   route.Match("/tav-perks/v1/pages/12", &captures);    // true, captures {"12"}
//   route.Match("/tav-perks/v1/pages/12/x", &captures);  // false
#ifndef TAV_PLUGIN_ROUTE_TEMPLATE_H_
#define TAV_PLUGIN_ROUTE_TEMPLATE_H_

#include <string>
#include <string_view>
#include <vector>

namespace tav {

class RouteTemplate {
 public:
  explicit RouteTemplate(std::string_view path_template);

  const std::string& text() const { return text_; }
  bool is_literal() const { return placeholders_.empty(); }
  // Placeholder names in order of appearance.
  std::vector<std::string> PlaceholderNames() const;

  // True when the whole of `path` matches. On a match, `captures` (when not
  // null) receives one view into `path` per placeholder, undecoded.
  bool Match(std::string_view path, std::vector<std::string_view>* captures) const;

 private:
  struct Placeholder {
    std::string name;
    bool crosses_slashes = false;  // "{+name}" and "{#name}"
  };

  std::string text_;
  // literals_[i] precedes placeholders_[i]; literals_.back() ends the
  // template, so there is one more literal than placeholders.
  std::vector<std::string> literals_;
  std::vector<Placeholder> placeholders_;
};

// Decodes %XX escapes; with `plus_as_space`, "+" becomes a space. A "%" not
// followed by two hex digits is kept as it is.
std::string PercentDecode(std::string_view text, bool plus_as_space);

}  // namespace tav

#endif  // TAV_PLUGIN_ROUTE_TEMPLATE_H_
