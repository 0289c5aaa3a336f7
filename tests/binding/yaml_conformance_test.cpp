// The public YAML test suite run through ParseYaml (see
// tests/testdata/README.md for the layout of the data).
//
// Every case is parsed; none may crash. Error cases must fail, valid cases
// must give the tree the JSON reader gives for their expected JSON, numbers
// compared by value (1.0 is a float in JSON and an unsigned 1 in YAML).
// Streams of several documents are refused with the multi-document message,
// unless every document before the last is empty. The cases where this
// reader knowingly parts from the suite are listed below by id, each with its
// reason, and the lists are checked both ways: a listed case that starts to
// agree with the suite fails the test too, so the lists cannot go stale.
#include <gtest/gtest.h>
#include <yaml.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "binding/codec_test_support.h"
#include "binding/json_reader.h"
#include "binding/yaml_reader.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

struct YamlCase {
  std::string id;
  std::string yaml;
  bool error = false;
  bool has_json = false;
  std::vector<BindingProperty> json_documents;
};

// The expected JSON holds one text per YAML document, one after another:
// each ends where the JSON reader finds the root of the next.
std::vector<BindingProperty> JsonDocuments(std::string_view text) {
  const std::string_view kNextRoot =
      "Error: The document root must not be followed by other values. at offset ";
  std::vector<BindingProperty> documents;
  while (text.find_first_not_of(" \t\r\n") != std::string_view::npos) {
    BindingResult whole = ParseJson(text);
    size_t end = text.size();
    if (!whole.ok() && whole.error().substr(0, kNextRoot.size()) == kNextRoot) {
      end = std::stoul(std::string(whole.error().substr(kNextRoot.size())));
    }
    BindingResult parsed = ParseJson(text.substr(0, end));
    EXPECT_TRUE(parsed.ok()) << parsed.error();
    documents.push_back(std::move(parsed.value()));
    text.remove_prefix(end);
  }
  return documents;
}

const std::vector<YamlCase>& Cases() {
  static const std::vector<YamlCase> cases = [] {
    std::vector<YamlCase> loaded;
    for (const auto& entry : fs::directory_iterator(fs::path(TAV_TESTDATA_DIR) / "yaml")) {
      if (!entry.is_directory()) continue;
      YamlCase c;
      c.id = entry.path().filename().string();
      c.yaml = testing::ReadBytes(entry.path() / "in.yaml");
      c.error = fs::exists(entry.path() / "error");
      c.has_json = fs::exists(entry.path() / "in.json");
      if (c.has_json) {
        c.json_documents = JsonDocuments(testing::ReadBytes(entry.path() / "in.json"));
      }
      loaded.push_back(std::move(c));
    }
    std::sort(loaded.begin(), loaded.end(),
              [](const YamlCase& a, const YamlCase& b) { return a.id < b.id; });
    return loaded;
  }();
  return cases;
}

// Whether libyaml alone reads the whole stream without an error.
bool LibyamlAccepts(const std::string& text) {
  yaml_parser_t parser;
  if (!yaml_parser_initialize(&parser)) return false;
  yaml_parser_set_encoding(&parser, YAML_UTF8_ENCODING);
  yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.data()),
                               text.size());
  bool accepted = false;
  for (;;) {
    yaml_event_t event;
    if (!yaml_parser_parse(&parser, &event)) break;
    bool end = event.type == YAML_STREAM_END_EVENT;
    yaml_event_delete(&event);
    if (end) {
      accepted = true;
      break;
    }
  }
  yaml_parser_delete(&parser);
  return accepted;
}

// Error cases that libyaml itself reads without complaint. The reader adds
// no grammar checks of its own, so it accepts them too.
const std::map<std::string, std::string> kLibyamlLeniencies = {
    {"9C9N", "flow sequence continued on lines that are not indented"},
    {"9JBA", "comment with no space before it, after a flow sequence"},
    {"CVW2", "comment with no space before it, after a comma in a flow sequence"},
    {"DK95-01", "tab that indents a continuation line of a double-quoted scalar"},
    {"G5U8", "'-' taken as a plain scalar inside a flow sequence"},
    {"MUS6-00", "comment with no space before it, after a %YAML directive"},
    {"MUS6-01", "%YAML directive repeated for the next document"},
    {"QB6E", "continuation lines of a quoted scalar less indented than its key"},
    {"S98Z", "leading empty lines of a block scalar more indented than its text"},
    {"SU5Z", "comment with no space before it, after a quoted scalar"},
    {"X4QW", "comment with no space before it, after a block scalar indicator"},
    {"Y79Y-003", "tab that indents an entry of a flow sequence"},
    {"YJV2", "'-' taken as a plain scalar inside a flow sequence"},
};

// Valid cases whose outcome differs from the suite's expected data on
// purpose, with the reason.
//
// The reader's own rules: only string scalars are keys, only the tags
// !!str, !!int, !!float and !!bool are read, an anchor name is given once,
// and empty block scalars resolve like plain ones. The rest are places where
// libyaml reads YAML 1.1 and refuses (or reads otherwise) what YAML 1.2
// allows; the reader passes its verdict on as is.
enum class Origin { kOwnRule, kLibyamlRefuses, kLibyamlReadsOtherwise };

struct KnownDifference {
  Origin origin;
  const char* reason;
};

constexpr KnownDifference kCollectionKey = {Origin::kOwnRule, "a collection as a mapping key"};
constexpr KnownDifference kNullTaggedKey = {Origin::kOwnRule, "a mapping key tagged !!null"};
constexpr KnownDifference kLocalTag = {Origin::kOwnRule, "a local or application tag"};
constexpr KnownDifference kNonSpecificTag = {Origin::kOwnRule, "the non-specific tag '!'"};
constexpr KnownDifference kBinaryTag = {Origin::kOwnRule, "the tag !!binary"};
constexpr KnownDifference kRepeatedAnchor = {Origin::kOwnRule, "an anchor name given twice"};
constexpr KnownDifference kEmptyBlockScalar = {
    Origin::kOwnRule, "an empty block scalar resolves like an empty plain one: null"};
constexpr KnownDifference kEmptyImplicitKey = {
    Origin::kLibyamlRefuses, "libyaml refuses an empty implicit key (':' at the start)"};
constexpr KnownDifference kEmptyFlowKey = {Origin::kLibyamlRefuses,
                                           "libyaml refuses an empty key in a flow collection"};
constexpr KnownDifference kFlowEntryWithoutValue = {
    Origin::kLibyamlRefuses, "libyaml refuses a flow mapping entry with no ':'"};
constexpr KnownDifference kFlowColonOnNextLine = {
    Origin::kLibyamlRefuses, "libyaml refuses a flow key whose ':' is on a later line"};
constexpr KnownDifference kMultiLineFlowKey = {
    Origin::kLibyamlRefuses, "libyaml refuses an implicit flow key over two lines"};
constexpr KnownDifference kColonStartsFlowScalar = {
    Origin::kLibyamlRefuses, "libyaml refuses a plain scalar starting with ':' in a flow"};
constexpr KnownDifference kTabAsSeparator = {
    Origin::kLibyamlRefuses, "libyaml refuses a tab where YAML 1.2 allows separating white space"};
constexpr KnownDifference kUnknownDirective = {
    Origin::kLibyamlRefuses, "libyaml refuses an unknown directive instead of ignoring it"};
constexpr KnownDifference kNewerYamlVersion = {Origin::kLibyamlRefuses,
                                               "libyaml refuses %YAML 1.3"};
constexpr KnownDifference kAnchorCharacters = {
    Origin::kLibyamlRefuses, "libyaml allows only letters, digits, '-' and '_' in anchor names"};
constexpr KnownDifference kColumnZeroBlockText = {
    Origin::kLibyamlRefuses, "libyaml refuses top-level block scalar text at column 0"};
constexpr KnownDifference kPercentAtColumnZero = {Origin::kLibyamlRefuses,
                                                  "libyaml reads a '%' at column 0 as a directive"};
constexpr KnownDifference kBareDocumentAfterEnd = {
    Origin::kLibyamlRefuses, "libyaml refuses a document after '...' with no '---'"};
constexpr KnownDifference kLoneDocumentEnd = {Origin::kLibyamlRefuses,
                                              "libyaml refuses '...' with no document before it"};
constexpr KnownDifference kAnchorEndsAtColon = {
    Origin::kLibyamlReadsOtherwise,
    "libyaml ends an anchor name at ':', leaving ':chor value' as the text"};
constexpr KnownDifference kQuestionMarkInFlow = {
    Origin::kLibyamlReadsOtherwise,
    "libyaml takes '?' right before a flow key as the key indicator"};
constexpr KnownDifference kTrailingSpacesLine = {
    Origin::kLibyamlReadsOtherwise,
    "libyaml drops the line break of a last line of spaces in a literal scalar"};
constexpr KnownDifference kKeptEmptyBlock = {
    Origin::kLibyamlReadsOtherwise,
    "libyaml reads a kept block of spaces with no line break as empty text, which is null"};

// clang-format off
const std::map<std::string, KnownDifference> kDeliberateDifferences = {
    // Valid cases with no expected JSON that the reader refuses.
    {"4FJ6", kCollectionKey}, {"6BFJ", kCollectionKey}, {"6PBE", kCollectionKey},
    {"9MMW", kCollectionKey}, {"KK5P", kCollectionKey}, {"LX3P", kCollectionKey},
    {"M2N8-00", kCollectionKey}, {"M2N8-01", kCollectionKey}, {"M5DY", kCollectionKey},
    {"Q9WF", kCollectionKey}, {"RZP5", kCollectionKey}, {"SBG9", kCollectionKey},
    {"V9D5", kCollectionKey}, {"X38W", kCollectionKey}, {"XW4D", kCollectionKey},
    {"FH7J", kNullTaggedKey},
    {"UKK6-02", kNonSpecificTag},
    {"PW8X", kRepeatedAnchor},
    {"2JQS", kEmptyImplicitKey}, {"6M2F", kEmptyImplicitKey}, {"NHX8", kEmptyImplicitKey},
    {"NKF9", kEmptyImplicitKey}, {"S3PD", kEmptyImplicitKey}, {"SM9W-01", kEmptyImplicitKey},
    {"UKK6-00", kEmptyImplicitKey},
    {"CFD4", kEmptyFlowKey}, {"FRK4", kEmptyFlowKey},
    {"4ABK", kFlowEntryWithoutValue},

    // Cases with expected JSON.
    {"3GZX", kRepeatedAnchor},
    {"52DL", kNonSpecificTag}, {"8MK2", kNonSpecificTag}, {"S4JQ", kNonSpecificTag},
    {"565N", kBinaryTag},
    {"5TYM", kLocalTag}, {"6CK3", kLocalTag}, {"6WLZ", kLocalTag}, {"7FWL", kLocalTag},
    {"9WXW", kLocalTag}, {"CC74", kLocalTag}, {"CUP7", kLocalTag}, {"M5C3", kLocalTag},
    {"P76L", kLocalTag}, {"Z67P", kLocalTag}, {"Z9M4", kLocalTag},
    {"2G84-02", kEmptyBlockScalar}, {"2G84-03", kEmptyBlockScalar}, {"K858", kEmptyBlockScalar},
    {"4MUZ-00", kFlowColonOnNextLine}, {"4MUZ-01", kFlowColonOnNextLine},
    {"4MUZ-02", kFlowColonOnNextLine}, {"5MUD", kFlowColonOnNextLine},
    {"K3WX", kFlowColonOnNextLine}, {"VJP3-01", kFlowColonOnNextLine},
    {"9SA2", kMultiLineFlowKey}, {"NJ66", kMultiLineFlowKey},
    {"58MP", kColonStartsFlowScalar}, {"5T43", kColonStartsFlowScalar},
    {"DBG4", kColonStartsFlowScalar}, {"HM87-00", kColonStartsFlowScalar},
    {"6BCT", kTabAsSeparator}, {"6CA3", kTabAsSeparator}, {"96NN-00", kTabAsSeparator},
    {"96NN-01", kTabAsSeparator}, {"A2M4", kTabAsSeparator}, {"DK95-00", kTabAsSeparator},
    {"DK95-03", kTabAsSeparator}, {"DK95-04", kTabAsSeparator}, {"Q5MG", kTabAsSeparator},
    {"R4YG", kTabAsSeparator}, {"Y79Y-001", kTabAsSeparator}, {"Y79Y-010", kTabAsSeparator},
    {"2LFX", kUnknownDirective}, {"6LVF", kUnknownDirective}, {"MUS6-05", kUnknownDirective},
    {"MUS6-06", kUnknownDirective},
    {"BEC7", kNewerYamlVersion},
    {"2SXE", kAnchorCharacters}, {"8XYN", kAnchorCharacters}, {"W5VH", kAnchorCharacters},
    {"Y2GN", kAnchorEndsAtColon},
    {"DK3J", kColumnZeroBlockText}, {"FP8R", kColumnZeroBlockText},
    {"UT92", kPercentAtColumnZero}, {"W4TN", kPercentAtColumnZero},
    {"7Z25", kBareDocumentAfterEnd}, {"M7A3", kBareDocumentAfterEnd},
    {"HWV9", kLoneDocumentEnd}, {"QT73", kLoneDocumentEnd},
    {"652Z", kQuestionMarkInFlow}, {"HM87-01", kQuestionMarkInFlow},
    {"L24T-01", kTrailingSpacesLine},
    {"JEF9-02", kKeptEmptyBlock},
};
// clang-format on

// What the reader should give for a valid case: the tree of its one
// document, or the multi-document failure. A stream whose documents before
// the last are all null reads as its last document, because an empty
// document leaves nothing behind for the next one to clash with.
struct Expectation {
  bool multi_document = false;
  BindingProperty tree;
};

Expectation ExpectedOutcome(const YamlCase& c) {
  Expectation expected;
  for (const BindingProperty& document : c.json_documents) {
    if (!expected.tree.isEmpty()) expected.multi_document = true;
    expected.tree.Assign(document);
  }
  return expected;
}

bool MatchesExpectation(const BindingResult& result, const Expectation& expected) {
  if (expected.multi_document) {
    return !result.ok() && result.error() == "Multi-document YAML is not supported.";
  }
  testing::CompareOptions by_value;
  by_value.numbers_by_value = true;
  return result.ok() && testing::Difference(result.value(), expected.tree, by_value).empty();
}

TEST(YamlConformance, ErrorCasesFail) {
  for (const YamlCase& c : Cases()) {
    if (!c.error) continue;
    SCOPED_TRACE(c.id);
    BindingResult result = ParseYaml(c.yaml);
    if (kLibyamlLeniencies.count(c.id) != 0) {
      EXPECT_TRUE(LibyamlAccepts(c.yaml));
      EXPECT_TRUE(result.ok()) << "no longer lenient: " << result.error();
    } else {
      EXPECT_FALSE(result.ok()) << "accepted: " << testing::Dump(result.value());
    }
  }
}

// A listed case must still differ, and for the reason its entry gives:
// libyaml's own refusal, libyaml's reading, or a rule of the reader.
void ExpectListedDifference(const YamlCase& c, const KnownDifference& difference,
                            const BindingResult& result) {
  switch (difference.origin) {
    case Origin::kLibyamlRefuses:
      EXPECT_FALSE(LibyamlAccepts(c.yaml));
      EXPECT_EQ(result.error().substr(0, 19), "YAML parser error: ") << result.error();
      break;
    case Origin::kLibyamlReadsOtherwise:
      EXPECT_TRUE(LibyamlAccepts(c.yaml));
      EXPECT_TRUE(result.ok()) << result.error();
      break;
    case Origin::kOwnRule:
      // The reader's rule decides before libyaml finds anything wrong.
      if (!result.ok()) {
        EXPECT_NE(result.error().substr(0, 19), "YAML parser error: ");
      }
      break;
  }
}

TEST(YamlConformance, ValidCasesGiveTheirJson) {
  for (const YamlCase& c : Cases()) {
    if (c.error) continue;
    SCOPED_TRACE(c.id);
    const Expectation expected = ExpectedOutcome(c);
    BindingResult result = ParseYaml(c.yaml);
    // Without expected JSON, parsing at all is the match.
    const bool matches = c.has_json ? MatchesExpectation(result, expected) : result.ok();
    auto listed = kDeliberateDifferences.find(c.id);
    if (listed != kDeliberateDifferences.end()) {
      EXPECT_FALSE(matches) << "agrees with the suite now; remove it from the list";
      ExpectListedDifference(c, listed->second, result);
      continue;
    }
    EXPECT_TRUE(matches) << (result.ok() ? testing::Dump(result.value())
                                         : std::string(result.error()))
                         << "\nexpected " << testing::Dump(expected.tree)
                         << (expected.multi_document ? " as a multi-document failure" : "");
  }
}

TEST(YamlConformance, SuiteIsPresentWithTheListedCases) {
  std::map<std::string, bool> is_error;
  for (const YamlCase& c : Cases()) is_error[c.id] = c.error;
  EXPECT_EQ(is_error.size(), 402u);
  EXPECT_EQ(
      std::count_if(Cases().begin(), Cases().end(), [](const YamlCase& c) { return c.error; }), 94);
  for (const auto& entry : kLibyamlLeniencies) {
    EXPECT_TRUE(is_error.count(entry.first) != 0 && is_error[entry.first]) << entry.first;
  }
  for (const auto& entry : kDeliberateDifferences) {
    EXPECT_TRUE(is_error.count(entry.first) != 0 && !is_error[entry.first]) << entry.first;
  }
}

}  // namespace
}  // namespace tav
