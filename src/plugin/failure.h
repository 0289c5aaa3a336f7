// Failure: why a call, a handler or a wait did not give a value. It carries
// the status to answer with, the message, and the named fields its message
// was made from ("errorCode_int" holds the status when one is set).
//
//   Failure failure = Failure::Format("Error response for {method} {url}: {error}",
//                                     {{"method", "GET"}, {"url", "/x"}, {"error", "Not found"}},
//                                     404);
//   failure.message;  // "Error response for GET /x: Not found"
#ifndef TAV_PLUGIN_FAILURE_H_
#define TAV_PLUGIN_FAILURE_H_

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "plugin/response_stream.h"

namespace tav {

struct Failure {
  Failure() = default;
  explicit Failure(std::string message_text, uint32_t status_code = 0);

  // 404 with `message`, or "Not found" when it is empty.
  static Failure NotFound(std::string_view message = {});
  // 500 with `message`, or "Internal server error" when it is empty.
  static Failure InternalServerError(std::string_view message = {});

  // A failure whose message is `message_template` with every "{name}" whose
  // name is one of `arguments` replaced by that argument's text; each
  // argument is also kept in `fields`.
  static Failure Format(std::string_view message_template,
                        std::initializer_list<std::pair<std::string_view, std::string_view>> arguments,
                        uint32_t status_code = 0);

  // Sets the status and the "errorCode_int" field.
  void SetStatus(uint32_t status_code);

  uint32_t status = 0;  // 0 when not set
  std::string message;
  std::map<std::string, std::string> fields;
  std::string additional_text;
  std::map<std::string, std::string> headers;
  std::shared_ptr<ResponseStream> stream;  // optional streamed body
};

}  // namespace tav

#endif  // TAV_PLUGIN_FAILURE_H_
