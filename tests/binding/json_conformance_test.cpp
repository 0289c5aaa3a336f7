// The JSON parsing suite in tests/testdata/json: y_ files must parse, n_
// files must fail with the reader's message, i_ files may go either way but
// the way each goes is pinned here so that a change shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include "binding/json_reader.h"
#include "binding/json_writer.h"
#include "codec_test_support.h"

namespace tav {
namespace {

const std::string kSuiteDir = std::string(TAV_TESTDATA_DIR) + "/json/";

std::vector<std::string> SuiteFiles(const std::string& prefix) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kSuiteDir)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Where this reader deliberately differs from a plain strict parser.
// A blank text is an empty value, not an error.
const std::vector<std::string> kBlankTextsAccepted = {
    "n_single_space.json",
    "n_structure_no_data.json",
};
// Nesting deeper than 512 levels fails with the depth message, at the
// bracket that opens level 513, instead of running the recursive parser out
// of stack.
const std::map<std::string, const char*> kTooDeep = {
    {"n_structure_100000_opening_arrays.json",
     "Error: The document is nested deeper than 512 levels. at offset 512."},
    {"n_structure_open_array_object.json",  // "[{\"\":" repeated: two levels in 5 bytes
     "Error: The document is nested deeper than 512 levels. at offset 1280."},
};
// A signed number that is not negative is written without a minus sign and
// reads back unsigned (-0 becomes 0), so round trips compare such numbers
// by value. Floats are read by the parser's fast number path, which is
// not correctly rounded for long mantissas: a written float may read back a
// unit or two in the last place away.
const testing::CompareOptions kRoundTrip = {4, true};

// The message RapidJSON's own document parser gives for the same bytes.
// It stops at the first NUL as our reader does, but does not look past it.
std::string ReferenceMessage(const std::string& bytes) {
  rapidjson::Document document;
  document.Parse(bytes.c_str());
  size_t offset = document.GetErrorOffset();
  const char* reason = rapidjson::GetParseError_En(document.GetParseError());
  if (!document.HasParseError()) {
    offset = bytes.find('\0');
    reason = rapidjson::GetParseError_En(rapidjson::kParseErrorDocumentRootNotSingular);
  }
  char message[256];
  std::snprintf(message, sizeof message, "Error: %s at offset %zu.", reason, offset);
  return message;
}

void ExpectRoundTrip(const BindingProperty& value) {
  for (const char* newline : {"", "\n", "\r\n"}) {
    SCOPED_TRACE(std::string("newline of ") + std::to_string(std::string(newline).size()));
    BindingResult again = ParseJson(WriteJson(value, nullptr, newline));
    ASSERT_TRUE(again.ok()) << again.error();
    EXPECT_EQ(testing::Difference(value, again.value(), kRoundTrip), "");
  }
}

TEST(JsonConformance, AcceptedFilesParseAndSurviveAWriteRoundTrip) {
  const std::vector<std::string> files = SuiteFiles("y_");
  ASSERT_EQ(files.size(), 95u);
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    BindingResult result = ParseJson(testing::ReadBytes(kSuiteDir + name));
    ASSERT_TRUE(result.ok()) << result.error();
    ExpectRoundTrip(result.value());
  }
}

TEST(JsonConformance, RejectedFilesFailWithTheParserMessage) {
  const std::vector<std::string> files = SuiteFiles("n_");
  ASSERT_EQ(files.size(), 188u);
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    const std::string bytes = testing::ReadBytes(kSuiteDir + name);
    BindingResult result = ParseJson(bytes);
    if (std::count(kBlankTextsAccepted.begin(), kBlankTextsAccepted.end(), name) != 0) {
      EXPECT_TRUE(result.ok());
      EXPECT_TRUE(result.value().isEmpty());
      continue;
    }
    ASSERT_FALSE(result.ok());
    if (const auto deep = kTooDeep.find(name); deep != kTooDeep.end()) {
      EXPECT_EQ(result.error(), deep->second);
      continue;
    }
    EXPECT_EQ(result.error(), ReferenceMessage(bytes));
  }
}

TEST(JsonConformance, UndecidedFilesGoTheRecordedWay) {
  // true: accepted; false: rejected with the parser's message.
  const std::map<std::string, bool> expected = {
      {"i_number_double_huge_neg_exp.json", true},
      {"i_number_huge_exp.json", false},  // Error: Number too big to be stored in double. at offset 1.
      {"i_number_neg_int_huge_exp.json", false},  // Error: Number too big to be stored in double. at offset 1.
      {"i_number_pos_double_huge_exp.json", false},  // Error: Number too big to be stored in double. at offset 1.
      {"i_number_real_neg_overflow.json", false},  // Error: Number too big to be stored in double. at offset 1.
      {"i_number_real_pos_overflow.json", false},  // Error: Number too big to be stored in double. at offset 1.
      {"i_number_real_underflow.json", true},
      {"i_number_too_big_neg_int.json", true},
      {"i_number_too_big_pos_int.json", true},
      {"i_number_very_big_negative_int.json", true},
      {"i_object_key_lone_2nd_surrogate.json", true},
      {"i_string_1st_surrogate_but_2nd_missing.json", false},  // Error: The surrogate pair in string is invalid. at offset 2.
      {"i_string_1st_valid_surrogate_2nd_invalid.json", false},  // Error: The surrogate pair in string is invalid. at offset 2.
      {"i_string_UTF-16LE_with_BOM.json", false},  // Error: Invalid value. at offset 0.
      {"i_string_UTF-8_invalid_sequence.json", true},
      {"i_string_UTF8_surrogate_U+D800.json", true},
      {"i_string_incomplete_surrogate_and_escape_valid.json", false},  // Error: The surrogate pair in string is invalid. at offset 2.
      {"i_string_incomplete_surrogate_pair.json", true},
      {"i_string_incomplete_surrogates_escape_valid.json", false},  // Error: The surrogate pair in string is invalid. at offset 2.
      {"i_string_invalid_lonely_surrogate.json", false},  // Error: The surrogate pair in string is invalid. at offset 2.
      {"i_string_invalid_surrogate.json", false},  // Error: The surrogate pair in string is invalid. at offset 2.
      {"i_string_invalid_utf-8.json", true},
      {"i_string_inverted_surrogates_U+1D11E.json", false},  // Error: The surrogate pair in string is invalid. at offset 8.
      {"i_string_iso_latin_1.json", true},
      {"i_string_lone_second_surrogate.json", true},
      {"i_string_lone_utf8_continuation_byte.json", true},
      {"i_string_not_in_unicode_range.json", true},
      {"i_string_overlong_sequence_2_bytes.json", true},
      {"i_string_overlong_sequence_6_bytes.json", true},
      {"i_string_overlong_sequence_6_bytes_null.json", true},
      {"i_string_truncated-utf-8.json", true},
      {"i_string_utf16BE_no_BOM.json", false},  // Error: The document is empty. at offset 0.
      {"i_string_utf16LE_no_BOM.json", false},  // Error: Invalid value. at offset 1.
      {"i_structure_500_nested_arrays.json", true},
      {"i_structure_UTF-8_BOM_empty_object.json", false},  // Error: Invalid value. at offset 0.
  };
  const std::vector<std::string> files = SuiteFiles("i_");
  ASSERT_EQ(files.size(), expected.size());
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    const auto it = expected.find(name);
    ASSERT_NE(it, expected.end());
    const std::string bytes = testing::ReadBytes(kSuiteDir + name);
    BindingResult result = ParseJson(bytes);
    ASSERT_EQ(result.ok(), it->second) << result.error();
    if (result.ok()) {
      ExpectRoundTrip(result.value());
    } else {
      EXPECT_EQ(result.error(), ReferenceMessage(bytes));
    }
  }
}

}  // namespace
}  // namespace tav
