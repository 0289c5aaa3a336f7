#include "binding/yaml_reader.h"

#include <string>

#include <gtest/gtest.h>

#include "binding/codec_test_support.h"
#include "binding/yaml_fast_reader.h"

namespace tav {
namespace {

std::string Read(std::string_view yaml) {
  BindingResult result = ParseYaml(yaml);
  if (!result.ok()) return "error: " + std::string(result.error());
  return testing::Dump(result.value());
}

struct ReadCase {
  const char* yaml;
  const char* expected;  // the tree's dump, or "error: " and the message
};

void ExpectReads(const ReadCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(cases[i].yaml);
    EXPECT_EQ(Read(cases[i].yaml), cases[i].expected);
  }
}

TEST(YamlReader, KeysMustBeStringScalars) {
  const ReadCase cases[] = {
      {"!!int 1: a\n",
       "error: Invalid mapping key. Only string scalar keys are allowed. At line: 1 col: 1"},
      {"ok: 1\n  \nbad:\n  !!float 2: b\n",
       "error: Invalid mapping key. Only string scalar keys are allowed. At line: 4 col: 3"},
      {"!custom k: v\n",
       "error: Invalid mapping key. Only string scalar keys are allowed. At line: 1 col: 1"},
      {"? [a, b]\n: c\n", "error: Unexpected start of sequence. At line: 1 col: 3"},
      {"x: 1\n? {a: b}\n: c\n", "error: Unexpected start of mapping. At line: 2 col: 3"},
      {"{[1]: x}", "error: Unexpected start of sequence. At line: 1 col: 2"},
  };
  ExpectReads(cases, std::size(cases));
}

TEST(YamlReader, RepeatedKeysReuseTheirField) {
  const ReadCase cases[] = {
      {"b: 1\na: 2\nb: three\n", R"({"a":u2,"b":"three"})"},
      {"m: {y: 1}\nm: {x: 2, y: 3}\n", R"({"m":{"x":u2,"y":u3}})"},
      {"- {s: [1]}\n- {s: [2], s: [3]}\n", R"([{"s":[u1]},{"s":[u2,u3]}])"},
      // Documents: an empty first one does not count, a second one does.
      {"---\n---\nk: v\n", R"({"k":"v"})"},
      {"k: v\n---\nk: w\n", "error: Multi-document YAML is not supported."},
  };
  ExpectReads(cases, std::size(cases));
}

TEST(YamlReader, AliasesAreDeepCopies) {
  const ReadCase cases[] = {
      {"a: &p [8112, {rune: 8139}]\nb: *p\n",
       R"({"a":[u8112,{"rune":u8139}],"b":[u8112,{"rune":u8139}]})"},
      {"- &s Conqueror\n- *s\n- [*s]\n", R"(["Conqueror","Conqueror",["Conqueror"]])"},
      {"- &e\n- *e\n", "[null,null]"},
      // An alias to an anchored key gives the key text.
      {"&k keystone: 1\ncopy: *k\n", R"({"copy":"keystone","keystone":u1})"},
      // An alias may stand as a key when it repeats a key or a string scalar.
      {"&a a: &b b\n*b : *a\n", R"({"a":"b","b":"a"})"},
      {"x: &n 12\n*n : twelve\n", R"({"12":"twelve","x":u12})"},
      // Later changes through a repeated key do not reach the copy.
      {"a: &p {x: 1}\nb: *p\na: {y: 2}\n", R"({"a":{"x":u1,"y":u2},"b":{"x":u1}})"},
      // A field aliasing its own earlier value keeps it.
      {"a: &v 1\na: *v\n", R"({"a":u1})"},
      // The copy may replace the very container that holds its source.
      {"a: {b: &x [1, 2]}\na: *x\n", R"({"a":[u1,u2]})"},
      {"- [a, &x [b, {c: d}]]\n- *x\n", R"([["a",["b",{"c":"d"}]],["b",{"c":"d"}]])"},
  };
  ExpectReads(cases, std::size(cases));
}

TEST(YamlReader, BadAliasesAndAnchorsFail) {
  const ReadCase cases[] = {
      {"a: &x\n  b: *x\n",
       "error: Cannot deserialize cyclic aliases. Alias \"x\". At line: 2 col: 6"},
      {"- &top\n  - [1, *top]\n",
       "error: Cannot deserialize cyclic aliases. Alias \"top\". At line: 2 col: 9"},
      // A container closed and opened again by a repeated key is still an
      // ancestor of the alias: copying it into itself would never end.
      {"a: &x {b: 1}\na:\n  c: *x\n",
       "error: Cannot deserialize cyclic aliases. Alias \"x\". At line: 3 col: 6"},
      {"a: *nope\n", "error: Undefined alias encountered: \"nope\". At line: 1 col: 4"},
      {"- *later\n- &later 1\n",
       "error: Undefined alias encountered: \"later\". At line: 1 col: 3"},
      {"a: &x 1\nb: &x 2\n", "error: Duplicate occurrence of anchor \"x\". At line: 2 col: 4"},
      {"&x k: &x v\n", "error: Duplicate occurrence of anchor \"x\". At line: 1 col: 7"},
      {"--- &x a\n--- &x b\n", "error: Multi-document YAML is not supported."},
      {"a: &m {b: 1}\n*m : 2\n",
       "error: Invalid mapping key. Only string scalar keys are allowed. At line: 2 col: 1"},
      {"a: &t !!int 5\n*t : 2\n",
       "error: Invalid mapping key. Only string scalar keys are allowed. At line: 2 col: 1"},
  };
  ExpectReads(cases, std::size(cases));
}

TEST(YamlReader, ParserErrorsUseLibyamlPositions) {
  const ReadCase cases[] = {
      {"perks: [8005, 8009\n",
       "error: YAML parser error: did not find expected ',' or ']'. At line: 1 col: 0"},
      {"a: b\n c: d\n",
       "error: YAML parser error: mapping values are not allowed in this context. At line: 1 col: "
       "2"},
      {"key: \"open\n",
       "error: YAML parser error: found unexpected end of stream. At line: 1 col: 0"},
      {"a: @b\n",
       "error: YAML parser error: found character that cannot start any token. At line: "
       "0 col: 3"},
  };
  ExpectReads(cases, std::size(cases));
}

std::string Nested(size_t depth, const char* inner = "0") {
  return std::string(depth, '[') + inner + std::string(depth, ']');
}

TEST(YamlReader, NestingIsLimited) {
  const std::string kTooDeep = "error: Containers are nested deeper than 512 levels. At line: ";
  std::string block;
  for (size_t level = 0; level <= kMaxNestingDepth; ++level) {
    block += std::string(level, ' ') + "k:\n";
  }
  // Each alias puts a 300-deep copy 300 levels down; the second level of
  // copies would reach 600.
  const std::string deep = "a: &d " + Nested(299) + "\n";
  const std::string within = deep + "b: " + Nested(200, "*d") + "\n";
  const std::string beyond = deep + "b: " + Nested(300, "*d") + "\n";

  EXPECT_EQ(Read(Nested(kMaxNestingDepth)).substr(0, 3), "[[[");
  EXPECT_EQ(Read(Nested(kMaxNestingDepth + 1)), kTooDeep + "1 col: 513");
  // Deep enough to overflow the stack if anything recursed per level.
  EXPECT_EQ(Read(Nested(100000)), kTooDeep + "1 col: 513");
  EXPECT_EQ(Read(block), kTooDeep + "513 col: 513");
  EXPECT_TRUE(ParseYaml(within).ok());
  EXPECT_EQ(Read(beyond), kTooDeep + "2 col: 304");
}

// Ten levels of ten aliases each: 10^10 values from a few hundred bytes.
std::string AliasBomb(int levels) {
  std::string text = "l0: &l0 [lol, lol, lol, lol, lol, lol, lol, lol, lol, lol]\n";
  for (int i = 1; i < levels; ++i) {
    std::string prev = "*l" + std::to_string(i - 1);
    text += "l" + std::to_string(i) + ": &l" + std::to_string(i) + " [";
    for (int j = 0; j < 10; ++j) text += (j ? ", " : "") + prev;
    text += "]\n";
  }
  return text;
}

TEST(YamlReader, AliasExpansionIsBounded) {
  // Four levels expand to 10 * (11 + 111 + 1111) values: within the budget.
  BindingResult small = ParseYaml(AliasBomb(4));
  ASSERT_TRUE(small.ok()) << small.error();
  EXPECT_EQ(small.value()["l3"][9][9][9][9].GetString(), "lol");
  // The fifth copy of l3 on line 5 passes 65536: 12330 + 5 * 11111.
  EXPECT_EQ(Read(AliasBomb(10)),
            "error: YAML aliases expand to more than 65536 values. At line: 5 col: 30");

  // 80 copies of a 1001-value list need 80080 values: more than the least
  // budget, but within what a document of over 10 KB may expand to.
  std::string text = "base: &b [0";
  for (int i = 1; i < 1000; ++i) text += ",0";
  text += "]\n";
  for (int i = 0; i < 80; ++i) text += "c" + std::to_string(i) + ": *b\n";
  ASSERT_LT(text.size() * kYamlAliasCellsPerInputByte, 80080u);
  EXPECT_EQ(Read(text).substr(0, 51), "error: YAML aliases expand to more than 65536 value");
  text += "# " + std::string(8000, 'x') + "\n";
  ASSERT_GT(text.size() * kYamlAliasCellsPerInputByte, 80080u);
  BindingResult result = ParseYaml(text);
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_EQ(result.value()["c79"].size(), 1000u);
}

// The quick pass reads the plain block style alone and leaves the rest,
// each a text it would misread if it went on, to libyaml; either way the
// tree is the one libyaml's events build.
TEST(YamlReader, QuickPassBuildsWhatLibyamlBuilds) {
  struct QuickCase {
    const char* yaml;
    bool quick;
  };
  const QuickCase cases[] = {
      {"a: 1\nb: -2\nc: 1.5e3\nd: yes\ne: ~\nf:\ng: two words  \nh: http://x/y:z\n", true},
      {"list:\n  - id: 0x1F\n    name: \"say \\\"hi\\\" \\\\\"\n  - 'it''s'\n"
       "  - [1, -2, 'a b', \"c\", .5, +3]\n  - []\n  - {}\n",
       true},
      {"lit: |\n  one\n    two\n  three\nfold: >\n  one\n  two: x\nnext: -x\n", true},
      {"- a\n-   b: 1\n    c: 2\n\n- x: [ 1 , 2 ]\n  y:\n    - |\n      z\n", true},
      {"deep:\n  er:\n    est: 1\nback: 2", true},
      {"- caf\xc3\xa9 \xe4\xb8\xad\n- '\xc2\xa0'\n- |\n  \xc3\xa9\n", true},
      {"a: 1 # note\n", false},
      {"a: b\n  c\n", false},
      {"a: 1\na: [2]\n", false},
      {"a: &x 1\nb: *x\n", false},
      {"a: !!str 1\n", false},
      {"key:\n- a\n- b\n", false},
      {"f: >\n  a\n\n  b\n", false},
      {"f: >\n  a\n   b\n", false},
      {"l: |\n  a", false},
      {"f: >\n a\n\n  ", false},
      {"a: \"x\\ty\"\n", false},
      {"a: 'x\n  y'\n", false},
      {"a:\tb\n", false},
      {"a: x\r\n", false},
      {"---\na: 1\n", false},
      {"a: [1, [2]]\n", false},
      {"a: [1, ]\n", false},
      {"\xc3\xa9: 1\n", false},
      {"a: x\xc2\x85y\n", false},
      {"a: \"\xe2\x80\xa8\"\n", false},
      {"a: \xef\xbb\xbfx\n", false},
      {"a: x\xc3", false},
      {"a: b: c\n", false},
      {"a: 1\n b: 2\n", false},
      {"  a: 1\n", false},
      {"a: - b\n", false},
  };
  for (const QuickCase& c : cases) {
    SCOPED_TRACE(c.yaml);
    BindingProperty quick;
    EXPECT_EQ(ReadYamlFast(c.yaml, quick), c.quick);
    BindingResult careful = yaml_internal::ParseYamlWithLibyaml(c.yaml);
    EXPECT_EQ(Read(c.yaml), careful.ok() ? testing::Dump(careful.value())
                                         : "error: " + std::string(careful.error()));
  }
}

}  // namespace
}  // namespace tav
