#include "plugin/value_decoding.h"

#include <string>

#include "binding/json_reader.h"
#include "binding/msgpack_reader.h"
#include "binding/yaml_reader.h"
#include "log/positional_format.h"

namespace tav {

namespace {

enum class Codec { kMsgpack, kJson, kYaml };

const char* CodecName(Codec codec) {
  switch (codec) {
    case Codec::kMsgpack:
      return "MessagePack";
    case Codec::kJson:
      return "JSON";
    case Codec::kYaml:
      return "YAML";
  }
  return "";
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view SkipLeadingSpaces(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  return text.substr(start);
}

// Decodes with `codec`; a codec error becomes the parameter's message.
// `consumed` (MessagePack only) receives where the value ended.
BindingResult DecodeWith(Codec codec, std::string_view bytes, std::string_view parameter,
                         std::string_view function, size_t* consumed) {
  BindingResult decoded;
  switch (codec) {
    case Codec::kMsgpack:
      decoded = DecodeMsgpack(bytes.data(), bytes.size(), consumed);
      break;
    case Codec::kJson:
      decoded = ParseJson(bytes);
      break;
    case Codec::kYaml:
      decoded = ParseYaml(bytes);
      break;
  }
  if (decoded.ok()) return decoded;
  const std::string codec_error(decoded.error());
  BindingResult failed;
  failed.Fail(FormatMessage("Couldn't deserialize %1 value for parameter '%2' of '%3': %4",
                            CodecName(codec), parameter, function, codec_error));
  return failed;
}

BindingResult TextValue(std::string_view text) {
  BindingResult result;
  result.value().SetString(text);
  return result;
}

}  // namespace

bool ContentTypeStartsWith(std::string_view content_type, std::string_view prefix) {
  if (content_type.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(content_type[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

ValueSniff SniffValueText(std::string_view text) {
  if (!text.empty()) {
    const auto first = static_cast<unsigned char>(text[0]);
    if ((first >= 0x80 && first <= 0x9F) || (first >= 0xDC && first <= 0xDF)) {
      return ValueSniff::kMsgpack;
    }
  }
  const std::string_view rest = SkipLeadingSpaces(text);
  if (!rest.empty() && (rest[0] == '{' || rest[0] == '[')) return ValueSniff::kJson;
  if (rest.substr(0, 3) == "---") return ValueSniff::kYaml;
  return ValueSniff::kText;
}

BindingResult DecodeValueText(std::string_view text, std::string_view content_type,
                              bool structured, std::string_view parameter,
                              std::string_view function) {
  if (!content_type.empty()) {
    if (ContentTypeStartsWith(content_type, "application/x-msgpack")) {
      return DecodeWith(Codec::kMsgpack, text, parameter, function, nullptr);
    }
    if (ContentTypeStartsWith(content_type, "application/json")) {
      return DecodeWith(Codec::kJson, text, parameter, function, nullptr);
    }
    if (ContentTypeStartsWith(content_type, "text/x-yaml")) {
      return DecodeWith(Codec::kYaml, text, parameter, function, nullptr);
    }
    if (ContentTypeStartsWith(content_type, "application/octet-stream")) {
      BindingResult blob;
      blob.value().SetBlob(text.data(), text.size());
      return blob;
    }
    return TextValue(text);
  }
  if (!structured) return TextValue(text);
  switch (SniffValueText(text)) {
    case ValueSniff::kMsgpack:
      return DecodeWith(Codec::kMsgpack, text, parameter, function, nullptr);
    case ValueSniff::kJson:
      return DecodeWith(Codec::kJson, text, parameter, function, nullptr);
    case ValueSniff::kYaml:
      return DecodeWith(Codec::kYaml, text, parameter, function, nullptr);
    case ValueSniff::kText:
      break;
  }
  return TextValue(text);
}

BindingResult DecodeBody(const void* body, size_t size, std::string_view content_type,
                         std::string_view parameter, std::string_view function) {
  const std::string_view bytes(static_cast<const char*>(body), size);
  if (ContentTypeStartsWith(content_type, "application/x-msgpack")) {
    size_t consumed = 0;
    BindingResult decoded = DecodeWith(Codec::kMsgpack, bytes, parameter, function, &consumed);
    if (decoded.ok() && consumed < size) {
      BindingResult failed;
      failed.Fail("Extra MessgePack data found in body");
      return failed;
    }
    return decoded;
  }
  if (ContentTypeStartsWith(content_type, "application/json") ||
      ContentTypeStartsWith(content_type, "application/vnd.api+json")) {
    return DecodeWith(Codec::kJson, bytes, parameter, function, nullptr);
  }
  if (ContentTypeStartsWith(content_type, "application/x-yaml")) {
    return DecodeWith(Codec::kYaml, bytes, parameter, function, nullptr);
  }
  BindingResult failed;
  failed.Fail("Unsupported body content type");
  return failed;
}

}  // namespace tav
