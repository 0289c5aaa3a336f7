// The positional formatter: fills numbered placeholders such as
// "%1 is not a valid %2 enumeration value for '%3'.".
//
// A placeholder is "%N" (argument N, printed with its type's default
// conversion), "%N$directive" (argument N with a printf directive such as
// "05d"), or a plain printf directive that takes the next argument in
// sequence. Each argument is printed by its own type, so a text is always
// printed as a text. Output is cut to fit the buffer; FormatMessage uses 4096
// bytes, so a message holds at most 4095.
//
//   FormatMessage("%1.%2.%3", 18u, 0u, 0u);          // "18.0.0"
//   FormatMessage("%2 before %1", "a", "b");         // "b before a"
//   FormatMessage("%1$05d", 42);                     // "00042"
#ifndef TAV_LOG_POSITIONAL_FORMAT_H_
#define TAV_LOG_POSITIONAL_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace tav {

// One typed argument. Texts are borrowed and must outlive the call.
class FormatArg {
 public:
  enum class Type : uint8_t { kText, kInt32, kUint32, kInt64, kUint64, kChar, kDouble };

  FormatArg(const char* text) : type_(Type::kText), text_(text ? text : "") {}
  FormatArg(std::string_view text) : type_(Type::kText), text_(text) {}
  FormatArg(const std::string& text) : type_(Type::kText), text_(text) {}
  FormatArg(char c) : type_(Type::kChar) { value_.i64 = c; }
  FormatArg(double d) : type_(Type::kDouble) { value_.f64 = d; }
  FormatArg(float f) : type_(Type::kDouble) { value_.f64 = f; }
  FormatArg(long double d) : type_(Type::kDouble) { value_.f64 = static_cast<double>(d); }
  FormatArg(bool b) : type_(Type::kInt32) { value_.i64 = b ? 1 : 0; }
  template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, char> &&
                                             !std::is_same_v<T, bool>,
                                         int> = 0>
  FormatArg(T v) {
    if constexpr (std::is_signed_v<T>) {
      type_ = sizeof(T) <= 4 ? Type::kInt32 : Type::kInt64;
      value_.i64 = static_cast<int64_t>(v);
    } else {
      type_ = sizeof(T) <= 4 ? Type::kUint32 : Type::kUint64;
      value_.u64 = static_cast<uint64_t>(v);
    }
  }

  Type type() const { return type_; }
  std::string_view text() const { return text_; }
  int64_t i64() const { return value_.i64; }
  uint64_t u64() const { return value_.u64; }
  double f64() const { return value_.f64; }

 private:
  Type type_ = Type::kText;
  std::string_view text_;
  union {
    int64_t i64;
    uint64_t u64;
    double f64;
  } value_{};
};

// Formats into `out` (of `size` bytes, NUL always written when size > 0) and
// returns the number of bytes before the NUL. Formatting stops, keeping what
// was written, at a placeholder that names a missing argument, takes a width
// or precision from a text or double, has a directive of 60 characters or
// more, or is cut off by the end of the format. A 64-bit value is printed
// whole under any directive; other length modifiers than "h" and "hh" are
// ignored, since the argument's own type decides how it is passed.
size_t FormatPositional(char* out, size_t size, std::string_view format, const FormatArg* args,
                        size_t arg_count);

// The message builder every user-facing message goes through (4096-byte
// buffer).
std::string FormatMessageArgs(std::string_view format, const FormatArg* args, size_t arg_count);

template <typename... Args>
std::string FormatMessage(std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return FormatMessageArgs(format, nullptr, 0);
  } else {
    const FormatArg list[] = {FormatArg(args)...};
    return FormatMessageArgs(format, list, sizeof...(Args));
  }
}

}  // namespace tav

#endif  // TAV_LOG_POSITIONAL_FORMAT_H_
