#include "binding/binding_property.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/binding_allocator.h"
#include "binding/binding_result.h"

namespace tav {
namespace {

std::vector<std::string> KeysOf(const BindingProperty& value) {
  std::vector<std::string> keys;
  for (const BindingStructEntry& field : value.Fields()) keys.emplace_back(field.key());
  return keys;
}

TEST(BindingProperty, ReadingNeverCreatesAnything) {
  BindingProperty number;
  number.SetInt64(7);
  EXPECT_TRUE(number[3].isEmpty());
  EXPECT_TRUE(number["name"].isEmpty());
  EXPECT_EQ(number.kind(), BindingPropertyKind::kSigned);

  BindingProperty list;
  list.MutableElement(1).SetBool(true);
  EXPECT_TRUE(list[2].isEmpty());
  EXPECT_TRUE(list["x"].isEmpty());
  EXPECT_TRUE(list[1]["deep"][9].isEmpty());
  EXPECT_EQ(list.size(), 2u);

  BindingProperty object;
  object.MutableField("a");
  EXPECT_TRUE(object["b"].isEmpty());
  EXPECT_EQ(object.FindField("b"), nullptr);
  EXPECT_EQ(object.size(), 1u);
  // Misses all hand back the one shared empty cell.
  EXPECT_EQ(&object["b"], &BindingProperty::EmptyCell());
}

TEST(BindingProperty, WritingAnElementPastTheEndFillsWithEmptyCells) {
  BindingProperty value;
  value.MutableElement(5).SetUint64(42);
  ASSERT_EQ(value.kind(), BindingPropertyKind::kCollection);
  ASSERT_EQ(value.size(), 6u);
  for (size_t i = 0; i < 5; ++i) EXPECT_TRUE(value[i].isEmpty()) << i;
  EXPECT_EQ(value[5].GetUint64(0), 42u);
}

TEST(BindingProperty, WritingAFieldReplacesANumberByAStructure) {
  BindingProperty value;
  value.SetDouble(2.5);
  value.MutableField("only").SetString("left");
  ASSERT_EQ(value.kind(), BindingPropertyKind::kStructure);
  EXPECT_EQ(value.size(), 1u);
  EXPECT_EQ(value["only"].GetString(), "left");
}

TEST(BindingProperty, FieldsComeOutInByteOrder) {
  BindingProperty value;
  for (const char* key : {"ab", "alpha", "Zeta", "a", "b", "", "aa"}) {
    value.MutableField(key).SetString(key);
  }
  EXPECT_EQ(KeysOf(value),
            (std::vector<std::string>{"", "Zeta", "a", "aa", "ab", "alpha", "b"}));
  for (const BindingStructEntry& field : value.Fields()) {
    EXPECT_EQ(field.value.GetString("?"), field.key());
  }
  // A repeated name reuses the field.
  value.MutableField("a").SetInt64(1);
  EXPECT_EQ(value.size(), 7u);
  EXPECT_EQ(value["a"].GetInt64(0), 1);
}

TEST(BindingProperty, ManyFieldsInReverseOrderStaySorted) {
  BindingProperty value;
  for (int i = 999; i >= 0; --i) value.MutableField("k" + std::to_string(i)).SetInt64(i);
  ASSERT_EQ(value.size(), 1000u);
  std::vector<std::string> keys = KeysOf(value);
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(value["k500"].GetInt64(-1), 500);
}

TEST(BindingProperty, SizeAndKindNamesPerKind) {
  struct Row {
    const char* name;
    void (*fill)(BindingProperty&);
    size_t size;
  };
  const Row rows[] = {
      {"empty", [](BindingProperty&) {}, 0},
      {"bool", [](BindingProperty& v) { v.SetBool(false); }, 1},
      {"signed", [](BindingProperty& v) { v.SetInt64(-5); }, 1},
      {"unsigned", [](BindingProperty& v) { v.SetUint64(5); }, 1},
      {"float", [](BindingProperty& v) { v.SetDouble(0.0); }, 1},
      {"string", [](BindingProperty& v) { v.SetString("four"); }, 4},
      {"blob", [](BindingProperty& v) { v.SetBlob("\0\1\2", 3); }, 3},
      {"enum", [](BindingProperty& v) { v.SetEnum(0, 77); }, 1},
      {"collection", [](BindingProperty& v) { v.MutableElement(1); }, 2},
      {"structure", [](BindingProperty& v) { v.MutableField("x"); }, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BindingProperty value;
    row.fill(value);
    EXPECT_STREQ(BindingPropertyKindName(value.kind()), row.name);
    EXPECT_EQ(value.size(), row.size);
  }
  EXPECT_STREQ(BindingPropertyKindName(static_cast<BindingPropertyKind>(10)), "");
}

TEST(BindingProperty, TextForms) {
  BindingProperty value;
  value.SetDouble(1.5);
  EXPECT_EQ(value.ToText(), "1.500000");
  value.SetInt64(-12);
  EXPECT_EQ(value.ToText(), "-12");
  value.SetUint64(18446744073709551615u);
  EXPECT_EQ(value.ToText(), "18446744073709551615");
  value.SetBool(true);
  EXPECT_EQ(value.ToText(), "true");
  value.SetEnum(-3, 1);
  EXPECT_EQ(value.ToText(), "-3");
  value.SetBlob("Man", 3);
  EXPECT_EQ(value.ToText(), "TWFu");
  value.SetBlob("hi", 2);
  EXPECT_EQ(value.ToText(), "aGk=");
  value.SetBlob("\xff", 1);
  EXPECT_EQ(value.ToText(), "/w==");
  value.SetString(std::string("a\0b", 3));
  EXPECT_EQ(value.ToText(), std::string("a\0b", 3));
  value.SetDouble(1e300);
  EXPECT_EQ(value.ToText().size(), 308u);  // 301 digits, ".", six decimals
  value.MutableElement(0).SetInt64(1);
  EXPECT_EQ(value.ToText(), "");
  value.MutableField("a").SetInt64(1);
  EXPECT_EQ(value.ToText(), "");
}

TEST(BindingProperty, TypedGettersDoNotCoerce) {
  BindingProperty value;
  value.SetUint64(3);
  EXPECT_EQ(value.GetInt64(-1), -1);
  EXPECT_EQ(value.GetDouble(-1.0), -1.0);
  EXPECT_EQ(value.GetString("fallback"), "fallback");
  value.SetString("3");
  EXPECT_EQ(value.GetUint64(9), 9u);
}

TEST(BindingProperty, DeepCopyIntoAnotherAllocatorOutlivesTheSource) {
  BindingProperty copy;
  copy.MutableField("kept").SetString("mine");
  {
    BindingProperty source;
    BindingProperty& page = source.MutableField("pages").MutableElement(0);
    page.MutableField("name").SetString("Thunder Path");
    page.MutableField("selectedPerkIds").MutableElement(3).SetInt64(8021);
    page.MutableField("blob").SetBlob("xyz", 3);
    copy.Assign(source);
  }
  EXPECT_TRUE(copy["kept"].isEmpty());  // assign replaces what was there
  EXPECT_EQ(copy["pages"][0]["name"].GetString(), "Thunder Path");
  EXPECT_EQ(copy["pages"][0]["selectedPerkIds"].size(), 4u);
  EXPECT_EQ(copy["pages"][0]["selectedPerkIds"][3].GetInt64(0), 8021);
  EXPECT_EQ(copy["pages"][0]["blob"].AsBlob(), "xyz");

  BindingProperty clone = copy.Clone();
  copy.Clear();
  EXPECT_EQ(clone["pages"][0]["name"].GetString(), "Thunder Path");
}

TEST(BindingProperty, AssigningAPartOfTheSameTreeIsSafe) {
  BindingProperty tree;
  tree.MutableField("inner").MutableField("leaf").SetString("value kept alive");
  tree.MutableField("other").SetInt64(1);
  tree.Assign(tree["inner"]);
  EXPECT_EQ(tree.size(), 1u);
  EXPECT_EQ(tree["leaf"].GetString(), "value kept alive");

  tree.Assign(tree);  // onto itself: nothing happens
  EXPECT_EQ(tree["leaf"].GetString(), "value kept alive");

  BindingProperty list;
  list.MutableElement(0).MutableElement(0).SetString("deep");
  list = std::move(list.MutableElement(0));
  EXPECT_EQ(list[0].GetString(), "deep");
}

TEST(BindingProperty, SettingAStringFromItsOwnTextIsSafe) {
  BindingProperty value;
  value.SetString("a text long enough not to be shared by accident");
  value.SetString(value.AsString().substr(2));
  EXPECT_EQ(value.GetString(), "text long enough not to be shared by accident");
}

TEST(BindingProperty, MoveLeavesTheSourceEmpty) {
  BindingProperty source;
  source.MutableField("a").SetString("b");
  BindingProperty target(std::move(source));
  EXPECT_TRUE(source.isEmpty());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(target["a"].GetString(), "b");
  source.MutableElement(0).SetInt64(1);  // a moved-from cell is usable again
  EXPECT_EQ(source.size(), 1u);
}

TEST(BindingProperty, MakeContainerKeepsMatchingContentAndReplacesOther) {
  BindingProperty value;
  value.MutableElement(2);
  value.MakeCollection();
  EXPECT_EQ(value.size(), 3u);
  value.MakeStructure();
  EXPECT_EQ(value.kind(), BindingPropertyKind::kStructure);
  EXPECT_EQ(value.size(), 0u);
  value.Reserve(10);  // not a collection: nothing happens
  EXPECT_EQ(value.kind(), BindingPropertyKind::kStructure);
}

TEST(BindingProperty, ElementsAndAppend) {
  BindingProperty value;
  for (int i = 0; i < 100; ++i) value.Append().SetInt64(i);
  int64_t expected = 0;
  for (const BindingProperty& element : value.Elements()) EXPECT_EQ(element.GetInt64(-1), expected++);
  EXPECT_EQ(expected, 100);
  BindingProperty scalar;
  scalar.SetBool(true);
  EXPECT_EQ(scalar.Elements().size(), 0u);
  EXPECT_EQ(scalar.Fields().begin(), scalar.Fields().end());
}

TEST(BindingResult, FailureHoldsOneErrorFieldAndTheFirstErrorStands) {
  BindingResult result;
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.error(), "");
  result.value().SetInt64(5);
  result.Fail("first");
  result.Fail("second");
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.error(), "first");
  EXPECT_EQ(result.value().size(), 1u);

  result.value().MutableField("error").SetInt64(3);
  EXPECT_EQ(result.error(), "");

  result.Reset();
  EXPECT_TRUE(result.ok());
  EXPECT_TRUE(result.value().isEmpty());
}

}  // namespace
}  // namespace tav
