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

TEST(BindingProperty, ManyFieldsInReverseOrderStaySorted) {
  BindingProperty value;
  for (int i = 999; i >= 0; --i) value.MutableField("k" + std::to_string(i)).SetInt64(i);
  ASSERT_EQ(value.size(), 1000u);
  std::vector<std::string> keys = KeysOf(value);
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(value["k500"].GetInt64(-1), 500);
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
