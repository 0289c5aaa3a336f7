#include "plugin/failure.h"

namespace tav {

Failure::Failure(std::string message_text, uint32_t status_code)
    : message(std::move(message_text)) {
  if (status_code != 0) SetStatus(status_code);
}

Failure Failure::NotFound(std::string_view message) {
  return Failure(message.empty() ? std::string("Not found") : std::string(message), 404);
}

Failure Failure::InternalServerError(std::string_view message) {
  return Failure(message.empty() ? std::string("Internal server error") : std::string(message),
                 500);
}

Failure Failure::Format(
    std::string_view message_template,
    std::initializer_list<std::pair<std::string_view, std::string_view>> arguments,
    uint32_t status_code) {
  Failure failure;
  for (const auto& [name, text] : arguments) failure.fields[std::string(name)] = std::string(text);
  // One pass over the template, so that a replacement text holding
  // "{something}" is never expanded again.
  std::string& out = failure.message;
  out.reserve(message_template.size() + 64);
  size_t position = 0;
  while (position < message_template.size()) {
    const size_t open = message_template.find('{', position);
    if (open == std::string_view::npos) break;
    const size_t close = message_template.find('}', open + 1);
    if (close == std::string_view::npos) break;
    const std::string_view name = message_template.substr(open + 1, close - open - 1);
    const auto found = failure.fields.find(std::string(name));
    out.append(message_template.substr(position, open - position));
    if (found != failure.fields.end()) {
      out.append(found->second);
    } else {
      out.append(message_template.substr(open, close - open + 1));
    }
    position = close + 1;
  }
  out.append(message_template.substr(position));
  if (status_code != 0) failure.SetStatus(status_code);
  return failure;
}

void Failure::SetStatus(uint32_t status_code) {
  status = status_code;
  fields["errorCode_int"] = std::to_string(status_code);
}

}  // namespace tav
