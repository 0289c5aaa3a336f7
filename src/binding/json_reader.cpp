#include "binding/json_reader.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include "binding/field_name_cache.h"
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
  explicit TreeBuilder(BindingProperty& root) : root_(root) { open_.reserve(32); }

  bool depth_exceeded() const { return depth_exceeded_; }
  bool number_too_big() const { return number_too_big_; }

  bool Null() {
    // Nothing is stored, but inside an array the element still exists.
    Target();
    return true;
  }
  bool Bool(bool value) {
    Target().SetBool(value);
    return true;
  }
  bool Int(int value) {
    Target().SetInt64(value);
    return true;
  }
  bool Uint(unsigned value) {
    Target().SetUint64(value);
    return true;
  }
  bool Int64(int64_t value) {
    Target().SetInt64(value);
    return true;
  }
  bool Uint64(uint64_t value) {
    Target().SetUint64(value);
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
    Target().SetDouble(value);
    return true;
  }
  bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }  // not requested
  bool String(const char* text, rapidjson::SizeType length, bool /*copy*/) {
    Target().SetString(std::string_view(text, length));
    return true;
  }
  bool StartObject() { return Open(/*is_array=*/false); }
  bool Key(const char* text, rapidjson::SizeType length, bool /*copy*/) {
    // Reuses the field of a repeated key, so a later object merges into an
    // earlier one and a later array appends to it.
    pending_field_ = &names_.Field(*open_.back().cell, open_.size(), std::string_view(text, length));
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    open_.pop_back();
    return true;
  }
  bool StartArray() { return Open(/*is_array=*/true); }
  bool EndArray(rapidjson::SizeType) {
    names_.EndArray(*open_.back().cell, open_.size());
    open_.pop_back();
    return true;
  }

 private:
  struct OpenContainer {
    BindingProperty* cell;
    bool is_array;
  };

  // The cell the next value goes to. Only the innermost container ever
  // grows, so the cells of the outer ones stay where they are.
  BindingProperty& Target() {
    if (open_.empty()) return root_;
    const OpenContainer& top = open_.back();
    if (top.is_array) return top.cell->Append();
    return *pending_field_;
  }

  bool Open(bool is_array) {
    if (open_.size() >= kMaxNestingDepth) {
      depth_exceeded_ = true;
      return false;
    }
    BindingProperty& cell = Target();
    if (is_array) {
      cell.MakeCollection();
    } else {
      cell.MakeStructure();
    }
    open_.push_back({&cell, is_array});
    if (is_array) {
      names_.BeginArray(cell, open_.size());
    } else {
      names_.BeginObject(cell, open_.size());
    }
    return true;
  }

  BindingProperty& root_;
  std::vector<OpenContainer> open_;
  BindingProperty* pending_field_ = nullptr;
  FieldNameCache names_;
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
