#include "binding/json_reader.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include "binding/in_place_tree_builder.h"
#include "binding/json_fast_reader.h"
#include "binding/json_internal.h"
#include "binding/nesting_depth.h"

namespace tav {
namespace {

using JsonReader =
    rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, json_internal::HeapJsonAllocator>;

// RapidJSON's vector scans read whole aligned 16-byte blocks, which may
// reach past the terminating NUL; the padding keeps them inside the copy.
constexpr size_t kScanPadding = 16;

bool IsBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

size_t SkipBlanks(std::string_view text, size_t offset) {
  while (offset < text.size() && IsBlank(text[offset])) ++offset;
  return offset;
}

// The SAX handler: builds the tree in place as the reader reports values.
class TreeBuilder {
 public:
  explicit TreeBuilder(BindingProperty& root) : builder_(root, RepeatedArrays::kAppend) {}

  bool depth_exceeded() const { return depth_exceeded_; }
  bool number_too_big() const { return number_too_big_; }

  bool Null() {
    // Nothing is stored, but inside an array the element still exists.
    builder_.Null();
    return true;
  }
  bool Bool(bool value) {
    builder_.Bool(value);
    return true;
  }
  bool Int(int value) { return Int64(value); }
  bool Uint(unsigned value) { return Uint64(value); }
  bool Int64(int64_t value) {
    builder_.Signed(value);
    return true;
  }
  bool Uint64(uint64_t value) {
    builder_.Unsigned(value);
    return true;
  }
  bool Double(double value) {
    // The reader's exponent check lets some long mantissas through to an
    // infinity (22222222222.652e299). No JSON text can carry an infinity
    // back, so it is refused like every other number past the double range.
    if (!std::isfinite(value)) {
      number_too_big_ = true;
      return false;
    }
    builder_.Float(value);
    return true;
  }
  bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }  // not requested
  bool String(const char* text, rapidjson::SizeType length, bool /*copy*/) {
    builder_.String(std::string_view(text, length));
    return true;
  }
  bool StartObject() { return Open(builder_.BeginObject()); }
  bool Key(const char* text, rapidjson::SizeType length, bool /*copy*/) {
    // Reuses the field of a repeated key, so a later object merges into an
    // earlier one and a later array appends to it.
    builder_.Key(std::string_view(text, length));
    return true;
  }
  bool EndObject(rapidjson::SizeType) { return builder_.EndObject(); }
  bool StartArray() { return Open(builder_.BeginArray()); }
  bool EndArray(rapidjson::SizeType) {
    builder_.EndArray();
    return true;
  }

 private:
  bool Open(bool opened) {
    depth_exceeded_ = !opened;
    return opened;
  }

  InPlaceTreeBuilder builder_;
  bool depth_exceeded_ = false;
  bool number_too_big_ = false;
};

// A NUL-terminated stream like rapidjson::StringStream, of a type that
// RapidJSON has no vector-scan overloads for (see HasVectorScanBlindSpot).
struct PlainTextStream {
  typedef char Ch;
  explicit PlainTextStream(const char* text) : src_(text), head_(text) {}
  Ch Peek() const { return *src_; }
  Ch Take() { return *src_++; }
  size_t Tell() const { return static_cast<size_t>(src_ - head_); }
  Ch* PutBegin() { return nullptr; }
  void Put(Ch) {}
  void Flush() {}
  size_t PutEnd(Ch*) { return 0; }

  const Ch* src_;
  const Ch* head_;
};

void FailAt(BindingResult& result, const char* reason, size_t offset) {
  char message[256];
  std::snprintf(message, sizeof message, "Error: %s at offset %zu.", reason, offset);
  result.Fail(message);
}

template <typename Stream>
void ParseText(Stream& stream, std::string_view text, BindingResult& result) {
  TreeBuilder builder(result.value());
  JsonReader reader;
  const rapidjson::ParseResult parsed = reader.Parse(stream, builder);
  if (parsed.IsError()) {
    if (builder.depth_exceeded()) {
      // The reader stops just past the bracket that went one level too deep.
      char reason[96];
      std::snprintf(reason, sizeof reason, "The document is nested deeper than %zu levels.",
                    kMaxNestingDepth);
      FailAt(result, reason, parsed.Offset() - 1);
    } else if (builder.number_too_big()) {
      // A refusing handler is reported at the start of the number.
      FailAt(result, rapidjson::GetParseError_En(rapidjson::kParseErrorNumberTooBig),
             parsed.Offset());
    } else {
      FailAt(result, rapidjson::GetParseError_En(parsed.Code()), parsed.Offset());
    }
    return;
  }
  const size_t end = SkipBlanks(text, stream.Tell());
  if (end != text.size()) {
    FailAt(result, rapidjson::GetParseError_En(rapidjson::kParseErrorDocumentRootNotSingular), end);
  }
}

}  // namespace

BindingResult ParseJson(std::string_view text) {
  BindingResult result;
  if (SkipBlanks(text, 0) == text.size()) return result;
  if (ReadJsonFast(text, result.value())) return result;
  return json_internal::ParseJsonWithRapidJson(text);
}

BindingResult json_internal::ParseJsonWithRapidJson(std::string_view text) {
  BindingResult result;
  if (SkipBlanks(text, 0) == text.size()) return result;

  // The reader wants a NUL-terminated text; a NUL inside the text stops it
  // early, and the check after parsing reports what is left.
  std::unique_ptr<char[]> copy(new char[text.size() + kScanPadding]);
  std::memcpy(copy.get(), text.data(), text.size());
  std::memset(copy.get() + text.size(), 0, kScanPadding);

  if (json_internal::HasVectorScanBlindSpot(text)) {
    PlainTextStream stream(copy.get());
    ParseText(stream, text, result);
  } else {
    rapidjson::StringStream stream(copy.get());
    ParseText(stream, text, result);
  }
  return result;
}

}  // namespace tav
