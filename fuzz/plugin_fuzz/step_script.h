// The plugin fuzzer's input: a script of steps, one per line, each a verb
// and a fixed number of space-separated fields, then the rest of the line
// (a body or payload, see body_encoding.h and json_shapes.h). Blank lines,
// "#" comments, unknown verbs and steps past kMaxSteps are skipped.
//
//   start                                    load and initialise the plugin
//   req METHOD URL TYPE HEADERS ARGS body    a call routed as the core routes
//   fn N METHOD URL TYPE HEADERS ARGS body   a call of the N-th function's
//                                            dispatch entry, whatever the URL
//   set PATH payload / quiet PATH payload    a peer's resource changes, with
//                                            or without its event
//   del PATH                                 ... goes away (a Delete event)
//   res PATH Create|Update|Delete payload    only the event, store untouched
//   event NAME payload                       any event, any payload
//   fail METHOD PATH STATUS text             the peer answers with an error
//   stream METHOD PATH CHUNKS body           ... with a streamed body
//   heal                                     the last fail or stream ends
//   proxy KEY STATUS ERROR payload           the game service's answer
//   proxyfail STATUS text / proxyok          service-proxy requests fail
//   delay N                                  service-proxy answers come late
//   echo on|off                              stored-settings writes reported
//   defer <step>                             run the step in the next pass
//   idle                                     nothing
//
// METHOD is a name (GET), a code (2) or, for req and fn, any other word (a
// method given by name); "*" matches every method for fail and stream. "-"
// stands for an empty field. HEADERS and ARGS are "name=value&..." with
// percent escapes; an argument's value is JSON, and the name "#" makes it
// positional.
#ifndef TAV_FUZZ_PLUGIN_FUZZ_STEP_SCRIPT_H_
#define TAV_FUZZ_PLUGIN_FUZZ_STEP_SCRIPT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tav::fuzzing {

inline constexpr size_t kMaxSteps = 64;

enum class StepVerb {
  kStart,
  kRequest,
  kFunction,
  kSet,
  kQuiet,
  kRemove,
  kResourceEvent,
  kEvent,
  kFail,
  kStream,
  kHeal,
  kProxy,
  kProxyFail,
  kProxyOk,
  kDelay,
  kEcho,
  kIdle,
};

struct Step {
  StepVerb verb = StepVerb::kIdle;
  bool deferred = false;
  std::vector<std::string> fields;  // always as many as the verb takes
  std::string rest;
};

std::vector<Step> ParseScript(std::string_view text);

// "a=1&b=%20x" as pairs, names and values percent-decoded ("+" stays).
std::vector<std::pair<std::string, std::string>> ParsePairs(std::string_view text);

// The code of GET, PUT, ... or of a decimal number (any value, known or
// not); nullopt for any other word.
std::optional<uint32_t> MethodCode(std::string_view word);

}  // namespace tav::fuzzing

#endif  // TAV_FUZZ_PLUGIN_FUZZ_STEP_SCRIPT_H_
