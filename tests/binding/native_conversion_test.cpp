#include "binding/native_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "binding/binding_type_registry.h"
#include "binding/type_registration.h"

namespace tav {
namespace {

enum class Mood : int32_t { kCalm = 0, kBright = 2, kStormy = 7 };

struct Glyph {
  int32_t id = 0;
  std::string label;
};

struct Sketch {
  bool visible = false;
  int32_t weight = 0;
  uint32_t tally = 0;
  double ratio = 0;
  std::string title;
  Mood mood = Mood::kCalm;
  std::vector<int32_t> marks;
  std::vector<Glyph> glyphs;
  std::map<std::string, int32_t> scores;
  std::optional<int64_t> origin;
  std::optional<std::string> note;
  BindingProperty extra;
  Glyph lead;
};

class NativeConversionTest : public ::testing::Test {
 protected:
  NativeConversionTest() {
    RegisterEnum<Mood>(registry_, "Mood")
        .Value("kCalm", Mood::kCalm)
        .Value("kBright", Mood::kBright)
        .Value("kStormy", Mood::kStormy)
        .Commit();
    RegisterStruct<Glyph>(registry_, "Glyph")
        .Field("id", &Glyph::id)
        .Field("label", &Glyph::label)
        .Commit();
    RegisterStruct<Sketch>(registry_, "Sketch")
        .Field("visible", &Sketch::visible)
        .Field("weight", &Sketch::weight)
        .Field("tally", &Sketch::tally)
        .Field("ratio", &Sketch::ratio)
        .Field("title", &Sketch::title)
        .Field("mood", &Sketch::mood)
        .Field("marks", &Sketch::marks)
        .Field("glyphs", &Sketch::glyphs)
        .Field("scores", &Sketch::scores)
        .Field("origin", &Sketch::origin)
        .Field("note", &Sketch::note)
        .Field("extra", &Sketch::extra)
        .Field("lead", &Sketch::lead)
        .Commit();
  }

  // Converts `input` into `sketch` under the name "sketch"; the error text
  // or "" on success.
  std::string Read(const BindingProperty& input, Sketch& sketch) {
    BindingResult result;
    FromBinding(result, sketch, input, "sketch", registry_);
    return std::string(result.error());
  }

  // A Sketch field set to `value`, for checking one field's conversion.
  template <class Fill>
  static BindingProperty SketchWith(const char* field, Fill fill) {
    BindingProperty input;
    fill(input.MutableField(field));
    return input;
  }

  BindingTypeRegistry registry_;
};

TEST_F(NativeConversionTest, RoundTripKeepsEveryField) {
  Sketch sketch;
  sketch.visible = true;
  sketch.weight = -40;
  sketch.tally = 3000000000u;
  sketch.ratio = 0.25;
  sketch.title = "Lantern Path";
  sketch.mood = Mood::kStormy;
  sketch.marks = {4, 8, 15};
  sketch.glyphs = {{11, "ember"}, {12, "frost"}};
  sketch.scores = {{"north", 5}, {"south", -5}};
  sketch.origin = -9000000000LL;
  sketch.extra.MutableField("hint").MutableElement(1).SetString("deep");
  sketch.lead = {99, "crown"};

  BindingResult written;
  ToBinding(written, sketch, registry_);
  ASSERT_TRUE(written.ok()) << written.error();
  const BindingProperty& tree = written.value();
  EXPECT_EQ(tree.size(), 13u);
  EXPECT_EQ(tree["weight"].GetInt64(0), -40);
  EXPECT_EQ(tree["tally"].GetUint64(0), 3000000000u);
  EXPECT_EQ(tree["mood"].kind(), BindingPropertyKind::kEnum);
  EXPECT_EQ(tree["mood"].AsEnum().value, 7);
  EXPECT_EQ(tree["mood"].AsEnum().type_key, TypeKeyOf<Mood>().number());
  EXPECT_EQ(tree["glyphs"][1]["label"].GetString(), "frost");
  EXPECT_EQ(tree["scores"]["south"].GetInt64(0), -5);
  EXPECT_EQ(tree["extra"]["hint"][1].GetString(), "deep");
  // An absent optional is written as an empty value under its name.
  ASSERT_NE(tree.FindField("note"), nullptr);
  EXPECT_TRUE(tree["note"].isEmpty());

  Sketch copy;
  EXPECT_EQ(Read(tree, copy), "");
  EXPECT_TRUE(copy.visible);
  EXPECT_EQ(copy.weight, -40);
  EXPECT_EQ(copy.tally, 3000000000u);
  EXPECT_EQ(copy.ratio, 0.25);
  EXPECT_EQ(copy.title, "Lantern Path");
  EXPECT_EQ(copy.mood, Mood::kStormy);
  EXPECT_EQ(copy.marks, sketch.marks);
  ASSERT_EQ(copy.glyphs.size(), 2u);
  EXPECT_EQ(copy.glyphs[0].label, "ember");
  EXPECT_EQ(copy.scores, sketch.scores);
  EXPECT_EQ(copy.origin, sketch.origin);
  EXPECT_FALSE(copy.note.has_value());
  EXPECT_EQ(copy.lead.id, 99);
  EXPECT_EQ(copy.extra["hint"][1].GetString(), "deep");
}

TEST_F(NativeConversionTest, StructureInputMistakes) {
  struct Row {
    const char* desc;
    BindingProperty input;
    std::string error;
  };
  std::vector<Row> rows;
  rows.push_back({"empty", BindingProperty(), "A value for 'sketch' is required."});
  BindingProperty text;
  text.SetString("nope");
  rows.push_back({"text", std::move(text),
                  "Couldn't assign value to 'sketch' of type Sketch because the input not a "
                  "structure."});
  rows.push_back({"vector given a structure",
                  SketchWith("marks", [](BindingProperty& v) { v.MutableField("a").SetInt64(1); }),
                  "Couldn't assign value to 'marks' of type vector because the input not a "
                  "collection."});
  rows.push_back({"map given a collection",
                  SketchWith("scores", [](BindingProperty& v) { v.MutableElement(0).SetInt64(1); }),
                  "Couldn't assign value to 'scores' of type map because the input not a "
                  "structure."});
  rows.push_back(
      {"bad vector element names the vector",
       SketchWith("marks", [](BindingProperty& v) { v.MutableElement(2).SetString("x"); }),
       "Value x for 'marks' of type int32 is in an incorrect format"});
  rows.push_back(
      {"bad map value names the map",
       SketchWith("scores", [](BindingProperty& v) { v.MutableField("w").SetBool(true); }),
       "Couldn't assign value to 'scores' of type int32 because the input is of an "
       "invalid type bool."});
  rows.push_back(
      {"nested structure names its own field",
       SketchWith("lead", [](BindingProperty& v) { v.MutableField("id").SetDouble(1e10); }),
       "Value 1e+10 for 'id' of type int32 is out of range"});
  rows.push_back({"nested structure given a number",
                  SketchWith("lead", [](BindingProperty& v) { v.SetInt64(3); }),
                  "Couldn't assign value to 'lead' of type Glyph because the input not a "
                  "structure."});
  rows.push_back({"optional with a bad value",
                  SketchWith("origin", [](BindingProperty& v) { v.SetString("far"); }),
                  "Value far for 'origin' of type int64 is in an incorrect format"});
  for (Row& row : rows) {
    SCOPED_TRACE(row.desc);
    Sketch sketch;
    EXPECT_EQ(Read(row.input, sketch), row.error);
  }
}

TEST_F(NativeConversionTest, EnumerationFieldInputs) {
  struct Row {
    const char* desc;
    BindingProperty input;
    Mood expected;
    std::string error;
  };
  auto value = [](auto fill) {
    BindingProperty v;
    fill(v);
    return v;
  };
  std::vector<Row> rows;
  rows.push_back(
      {"name", value([](BindingProperty& v) { v.SetString("kBright"); }), Mood::kBright, ""});
  rows.push_back({"signed", value([](BindingProperty& v) { v.SetInt64(7); }), Mood::kStormy, ""});
  rows.push_back(
      {"unsigned", value([](BindingProperty& v) { v.SetUint64(2); }), Mood::kBright, ""});
  rows.push_back(
      {"number as text", value([](BindingProperty& v) { v.SetString("7"); }), Mood::kStormy, ""});
  rows.push_back({"hex number as text", value([](BindingProperty& v) { v.SetString("0x2"); }),
                  Mood::kBright, ""});
  rows.push_back({"enum of another type", value([](BindingProperty& v) { v.SetEnum(2, 0); }),
                  Mood::kBright, ""});
  rows.push_back({"wrong name", value([](BindingProperty& v) { v.SetString("kFoggy"); }),
                  Mood::kCalm, "kFoggy is not a valid Mood enumeration value for 'mood'."});
  rows.push_back({"names are case-sensitive",
                  value([](BindingProperty& v) { v.SetString("kbright"); }), Mood::kCalm,
                  "kbright is not a valid Mood enumeration value for 'mood'."});
  rows.push_back({"unknown number", value([](BindingProperty& v) { v.SetInt64(5); }), Mood::kCalm,
                  "5 is not a valid Mood enumeration value for 'mood'."});
  rows.push_back({"number past int32", value([](BindingProperty& v) { v.SetInt64(4294967298LL); }),
                  Mood::kCalm, "4294967298 is not a valid Mood enumeration value for 'mood'."});
  rows.push_back(
      {"text past int64", value([](BindingProperty& v) { v.SetString("99999999999999999999"); }),
       Mood::kCalm, "99999999999999999999 is not a valid Mood enumeration value for 'mood'."});
  rows.push_back({"float", value([](BindingProperty& v) { v.SetDouble(2.0); }), Mood::kCalm,
                  "Couldn't assign value to 'mood' of enum type because the input is of an "
                  "invalid type float."});
  for (Row& row : rows) {
    SCOPED_TRACE(row.desc);
    Sketch sketch;
    BindingProperty input;
    input.MutableField("mood").Assign(row.input);
    EXPECT_EQ(Read(input, sketch), row.error);
    EXPECT_EQ(sketch.mood, row.expected);
  }
}

struct Ticket {
  int32_t serial = 0;
  std::string holder;
};

TEST(NativeConversion, RequiredFieldMustBePresentAndNotEmpty) {
  BindingTypeRegistry registry;
  RegisterStruct<Ticket>(registry, "Ticket")
      .Field("serial", &Ticket::serial, "", kBindingFieldRequired)
      .Field("holder", &Ticket::holder)
      .Commit();
  const std::string kMissing =
      "Couldn't assign value to 'order' of type Ticket because the input structure doesn't have "
      "required field 'serial'.";
  for (bool present_but_empty : {false, true}) {
    SCOPED_TRACE(present_but_empty);
    BindingProperty input;
    input.MutableField("holder").SetString("Ysolde");
    if (present_but_empty) input.MutableField("serial");
    Ticket ticket;
    BindingResult result;
    FromBinding(result, ticket, input, "order", registry);
    EXPECT_EQ(result.error(), kMissing);
  }
}

struct Badge {
  bool shown = false;
  int32_t rank = 0;
  double glow = 0;
  std::string caption;
  std::vector<int32_t> stars;
  std::optional<uint64_t> owner;
  Mood mood = Mood::kCalm;
};

TEST(NativeConversion, OmitIfEmptyLeavesOutEmptyAndZeroValues) {
  BindingTypeRegistry registry;
  RegisterStruct<Badge>(registry, "Badge")
      .Field("shown", &Badge::shown, "", kBindingFieldOmitIfEmpty)
      .Field("rank", &Badge::rank, "", kBindingFieldOmitIfEmpty)
      .Field("glow", &Badge::glow, "", kBindingFieldOmitIfEmpty)
      .Field("caption", &Badge::caption, "", kBindingFieldOmitIfEmpty)
      .Field("stars", &Badge::stars, "", kBindingFieldOmitIfEmpty)
      .Field("owner", &Badge::owner, "", kBindingFieldOmitIfEmpty)
      .Field("mood", &Badge::mood, "", kBindingFieldOmitIfEmpty)
      .Commit();
  BindingResult empty;
  ToBinding(empty, Badge{}, registry);
  ASSERT_TRUE(empty.ok());
  EXPECT_EQ(empty.value().kind(), BindingPropertyKind::kStructure);
  EXPECT_EQ(empty.value().size(), 0u);

  Badge full;
  full.shown = true;
  full.rank = -1;
  full.glow = std::nan("");  // NaN is not zero
  full.caption = "c";
  full.stars = {0};
  full.owner = 0;  // present, but zero
  full.mood = Mood::kBright;
  BindingResult written;
  ToBinding(written, full, registry);
  ASSERT_TRUE(written.ok());
  EXPECT_EQ(written.value().size(), 6u);
  EXPECT_EQ(written.value().FindField("owner"), nullptr);
  EXPECT_EQ(written.value()["stars"].size(), 1u);
}

struct Inner {
  int32_t depth = 0;
};
struct Outer {
  int32_t first = 0;
  Inner inner;
  int32_t last = 0;
};

TEST(NativeConversion, FieldOfATypeRegisteredTooLateFailsEveryConversion) {
  BindingTypeRegistry registry;
  RegisterStruct<Outer>(registry, "Outer")
      .Field("first", &Outer::first)
      .Field("inner", &Outer::inner)
      .Field("last", &Outer::last)
      .Commit();
  RegisterStruct<Inner>(registry, "Inner").Field("depth", &Inner::depth).Commit();

  BindingResult written;
  ToBinding(written, Outer{}, registry);
  EXPECT_EQ(written.error(),
            "Couldn't convert native value because it's an unregistered structure.");

  BindingProperty input;
  input.MutableField("first").SetInt64(1);
  input.MutableField("inner").MutableField("depth").SetInt64(2);
  input.MutableField("last").SetInt64(3);
  Outer outer;
  BindingResult read;
  FromBinding(read, outer, input, "outer", registry);
  EXPECT_EQ(read.error(),
            "Couldn't assign value to 'inner' because the input is an unregistered structure or "
            "not a structure at all.");
  EXPECT_EQ(outer.first, 1);
  EXPECT_EQ(outer.last, 0);
}

struct Loose {
  int32_t x = 0;
};

}  // namespace
}  // namespace tav
