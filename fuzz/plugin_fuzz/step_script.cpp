#include "plugin_fuzz/step_script.h"

#include <array>

namespace tav::fuzzing {

namespace {

struct VerbSpec {
  std::string_view word;
  StepVerb verb;
  size_t fields;
};

constexpr std::array<VerbSpec, 17> kVerbs = {{
    {"start", StepVerb::kStart, 0},
    {"req", StepVerb::kRequest, 5},
    {"fn", StepVerb::kFunction, 6},
    {"set", StepVerb::kSet, 1},
    {"quiet", StepVerb::kQuiet, 1},
    {"del", StepVerb::kRemove, 1},
    {"res", StepVerb::kResourceEvent, 2},
    {"event", StepVerb::kEvent, 1},
    {"fail", StepVerb::kFail, 3},
    {"stream", StepVerb::kStream, 3},
    {"heal", StepVerb::kHeal, 0},
    {"proxy", StepVerb::kProxy, 3},
    {"proxyfail", StepVerb::kProxyFail, 1},
    {"proxyok", StepVerb::kProxyOk, 0},
    {"delay", StepVerb::kDelay, 1},
    {"echo", StepVerb::kEcho, 1},
    {"idle", StepVerb::kIdle, 0},
}};

// The next space-separated word of `line`, which loses it and its space.
std::string_view TakeWord(std::string_view& line) {
  const size_t space = line.find(' ');
  const std::string_view word = line.substr(0, space);
  line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
  return word;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool ParseStep(std::string_view line, Step* step) {
  std::string_view verb = TakeWord(line);
  if (verb == "defer") {
    step->deferred = true;
    verb = TakeWord(line);
  }
  for (const VerbSpec& spec : kVerbs) {
    if (spec.word != verb) continue;
    step->verb = spec.verb;
    for (size_t i = 0; i < spec.fields; ++i) {
      const std::string_view field = TakeWord(line);
      step->fields.emplace_back(field == "-" ? std::string_view() : field);
    }
    step->rest = std::string(line);
    return true;
  }
  return false;
}

}  // namespace

std::vector<Step> ParseScript(std::string_view text) {
  std::vector<Step> steps;
  while (!text.empty() && steps.size() < kMaxSteps) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    Step step;
    if (ParseStep(line, &step)) steps.push_back(std::move(step));
  }
  return steps;
}

std::vector<std::pair<std::string, std::string>> ParsePairs(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  while (!text.empty()) {
    const size_t amp = text.find('&');
    const std::string_view pair = text.substr(0, amp);
    text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
    const size_t equals = pair.find('=');
    pairs.emplace_back(PercentDecode(pair.substr(0, equals)),
                       equals == std::string_view::npos ? std::string()
                                                        : PercentDecode(pair.substr(equals + 1)));
  }
  return pairs;
}

std::optional<uint32_t> MethodCode(std::string_view word) {
  static constexpr std::array<std::string_view, 8> kNames = {"",      "DELETE", "GET",  "HEAD",
                                                             "OPTIONS", "PATCH", "POST", "PUT"};
  for (uint32_t code = 1; code < kNames.size(); ++code) {
    if (kNames[code] == word) return code;
  }
  if (word.empty() || word.size() > 10) return std::nullopt;
  uint64_t code = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    code = code * 10 + static_cast<uint64_t>(c - '0');
  }
  return code > UINT32_MAX ? std::nullopt : std::optional<uint32_t>(static_cast<uint32_t>(code));
}

}  // namespace tav::fuzzing
