#include "main/web_page.h"

#include <algorithm>

#include "main/web_files.h"

namespace tav::host {

namespace {

constexpr const char* kIndexFile = "index.html";

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

const WebFile* FindFile(std::string_view name) {
  const WebFile* end = kWebFiles + kWebFileCount;
  const WebFile* found = std::lower_bound(kWebFiles, end, name, [](const WebFile& file, std::string_view wanted) {
    return std::string_view(file.name) < wanted;
  });
  return found != end && std::string_view(found->name) == name ? found : nullptr;
}

HttpAnswer FileAnswer(const WebFile& file) {
  HttpAnswer answer;
  answer.content_type = std::string(WebContentType(file.name));
  answer.body.assign(reinterpret_cast<const char*>(file.bytes), file.size);
  answer.headers = {
      {"Content-Security-Policy", kWebContentSecurityPolicy},
      {"X-Content-Type-Options", "nosniff"},
      {"Referrer-Policy", "no-referrer"},
      // The files change with the program: a restarted tav-core of another
      // build must not meet a page cached from the last one.
      {"Cache-Control", "no-cache"},
  };
  return answer;
}

}  // namespace

std::string_view WebContentType(std::string_view name) {
  struct Type {
    const char* extension;
    const char* content_type;
  };
  static constexpr Type kTypes[] = {
      {".html", "text/html; charset=utf-8"},     {".css", "text/css; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"}, {".svg", "image/svg+xml"},
      {".png", "image/png"},                     {".json", "application/json"},
  };
  for (const Type& type : kTypes) {
    if (EndsWith(name, type.extension)) return type.content_type;
  }
  return "application/octet-stream";
}

std::optional<HttpAnswer> WebPageAnswer(std::string_view path) {
  if (path == "/") {
    const WebFile* index = FindFile(kIndexFile);
    if (index != nullptr) return FileAnswer(*index);
    return ErrorAnswer(404, "Not found");
  }
  if (path.substr(0, kWebRoot.size()) != kWebRoot) return std::nullopt;
  const WebFile* file = FindFile(path.substr(kWebRoot.size()));
  if (file == nullptr) return ErrorAnswer(404, "Not found");
  return FileAnswer(*file);
}

}  // namespace tav::host
