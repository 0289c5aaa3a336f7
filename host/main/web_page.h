// The workbench: the page tav-core serves at "/" for people who build the
// perks screens, and the files it loads from "/tav-core/web/". Every file
// is answered with a Content-Security-Policy that lets the page load only
// its own scripts and styles and talk only to this tav-core.
//
//   if (std::optional<HttpAnswer> page = WebPageAnswer(request.path)) return Write(*page);
#ifndef TAV_HOST_MAIN_WEB_PAGE_H_
#define TAV_HOST_MAIN_WEB_PAGE_H_

#include <optional>
#include <string_view>

#include "main/http_exchange.h"

namespace tav::host {

inline constexpr std::string_view kWebRoot = "/tav-core/web/";

inline constexpr const char* kWebContentSecurityPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// The answer for a GET of `path` (without its query): "/" is the page
// itself, kWebRoot + name one of its files, an unknown name below kWebRoot
// 404 {"error":"Not found"}. nullopt for any other path.
std::optional<HttpAnswer> WebPageAnswer(std::string_view path);

// "text/javascript; charset=utf-8" for "app.js", and so on by extension;
// "application/octet-stream" for an extension the page does not use.
std::string_view WebContentType(std::string_view name);

}  // namespace tav::host

#endif  // TAV_HOST_MAIN_WEB_PAGE_H_
