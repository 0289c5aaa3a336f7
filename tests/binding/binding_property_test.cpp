#include "binding/binding_property.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/binding_result.h"

namespace tav {
namespace {

TEST(BindingProperty, ReadingNeverCreatesAnything) {
  BindingProperty number;
  number.SetInt64(7);
  EXPECT_TRUE(number[3].isEmpty());
  EXPECT_TRUE(number["name"].isEmpty());
  EXPECT_EQ(number.kind(), BindingPropertyKind::kSigned);

  BindingProperty list;
  list.MutableElement(1).SetBool(true);
  EXPECT_TRUE(list[0].isEmpty());
  EXPECT_TRUE(list[2].isEmpty());
  EXPECT_TRUE(list[1]["deep"][9].isEmpty());
  EXPECT_EQ(list.size(), 2u);

  BindingProperty object;
  object.MutableField("a");
  EXPECT_EQ(object.FindField("b"), nullptr);
  // Misses all hand back the one shared empty cell.
  EXPECT_EQ(&object["b"], &BindingProperty::EmptyCell());
  EXPECT_EQ(object.size(), 1u);
}

TEST(BindingProperty, ManyFieldsInReverseOrderStaySorted) {
  BindingProperty value;
  for (int i = 999; i >= 0; --i) value.MutableField("k" + std::to_string(i)).SetInt64(i);
  ASSERT_EQ(value.size(), 1000u);
  std::vector<std::string> keys;
  for (const BindingStructEntry& field : value.Fields()) keys.emplace_back(field.key());
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

TEST(BindingProperty, AssigningFromItsOwnTreeIsSafe) {
  BindingProperty tree;
  tree.MutableField("inner").MutableField("leaf").SetString("value kept alive");
  tree.MutableField("other").SetInt64(1);
  tree.Assign(tree["inner"]);
  EXPECT_EQ(tree.size(), 1u);
  EXPECT_EQ(tree["leaf"].GetString(), "value kept alive");
  tree.Assign(tree);
  EXPECT_EQ(tree["leaf"].GetString(), "value kept alive");

  BindingProperty list;
  list.MutableElement(0).MutableElement(0).SetString("deep");
  list = std::move(list.MutableElement(0));
  EXPECT_EQ(list[0].GetString(), "deep");

  BindingProperty text;
  text.SetString("a text long enough not to be shared by accident");
  text.SetString(text.AsString().substr(2));
  EXPECT_EQ(text.GetString(), "text long enough not to be shared by accident");
}

TEST(BindingResult, FailureHoldsOneErrorFieldAndTheFirstErrorStands) {
  BindingResult result;
  result.value().SetInt64(5);
  result.Fail("first");
  result.Fail("second");
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.error(), "first");
  EXPECT_EQ(result.value().size(), 1u);
  // Only a text under "error" is an error.
  result.value().MutableField("error").SetInt64(3);
  EXPECT_EQ(result.error(), "");
  result.Reset();
  EXPECT_TRUE(result.ok());
  EXPECT_TRUE(result.value().isEmpty());
}

}  // namespace
}  // namespace tav
