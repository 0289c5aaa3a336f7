#include "binding/native_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "binding/binding_type_registry.h"
#include "binding/json_reader.h"
#include "binding/json_writer.h"
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

BindingProperty Json(std::string_view json) {
  BindingResult result = ParseJson(json);
  EXPECT_TRUE(result.ok()) << result.error();
  return std::move(result.value());
}

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

  // Reads `input` into `sketch` under the name "sketch": the error, or "".
  std::string Read(const BindingProperty& input, Sketch& sketch) {
    BindingResult result;
    FromBinding(result, sketch, input, "sketch", registry_);
    return std::string(result.error());
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
  EXPECT_EQ(written.value()["mood"].AsEnum().type_key, TypeKeyOf<Mood>().number());
  // An absent optional is written as an empty value under its name.
  const std::string json = WriteJson(written.value(), &registry_);
  EXPECT_EQ(json,
            R"({"extra":{"hint":[null,"deep"]},)"
            R"("glyphs":[{"id":11,"label":"ember"},{"id":12,"label":"frost"}],)"
            R"("lead":{"id":99,"label":"crown"},"marks":[4,8,15],"mood":"kStormy","note":null,)"
            R"("origin":-9000000000,"ratio":0.25,"scores":{"north":5,"south":-5},)"
            R"("tally":3000000000,"title":"Lantern Path","visible":true,"weight":-40})");
  Sketch copy;
  ASSERT_EQ(Read(written.value(), copy), "");
  BindingResult again;
  ToBinding(again, copy, registry_);
  EXPECT_EQ(WriteJson(again.value(), &registry_), json);
}

TEST_F(NativeConversionTest, InputMistakesAndEnumerationInputs) {
  const std::string kNotStructure = " because the input not a structure.";
  const std::string kNotMood = " is not a valid Mood enumeration value for 'mood'.";
  BindingProperty signed_mood;
  signed_mood.MutableField("mood").SetInt64(7);
  BindingProperty foreign_enum;
  foreign_enum.MutableField("mood").SetEnum(2, 0);
  const struct {
    const char* desc;
    BindingProperty input;
    std::string expected;  // the mood read, or the error
  } cases[] = {
      {"empty", BindingProperty(), "A value for 'sketch' is required."},
      {"text", Json(R"("nope")"),
       "Couldn't assign value to 'sketch' of type Sketch" + kNotStructure},
      {"vector given a structure", Json(R"({"marks":{"a":1}})"),
       "Couldn't assign value to 'marks' of type vector because the input not a collection."},
      {"map given a collection", Json(R"({"scores":[1]})"),
       "Couldn't assign value to 'scores' of type map" + kNotStructure},
      {"bad vector element names the vector", Json(R"({"marks":[1,"x"]})"),
       "Value x for 'marks' of type int32 is in an incorrect format"},
      {"bad map value names the map", Json(R"({"scores":{"w":true}})"),
       "Couldn't assign value to 'scores' of type int32 because the input is of an invalid type "
       "bool."},
      {"nested structure names its own field", Json(R"({"lead":{"id":1e10}})"),
       "Value 1e+10 for 'id' of type int32 is out of range"},
      {"nested structure given a number", Json(R"({"lead":3})"),
       "Couldn't assign value to 'lead' of type Glyph" + kNotStructure},
      {"optional with a bad value", Json(R"({"origin":"far"})"),
       "Value far for 'origin' of type int64 is in an incorrect format"},
      {"enum by name", Json(R"({"mood":"kBright"})"), "mood 2"},
      {"enum by signed number", std::move(signed_mood), "mood 7"},
      {"enum by unsigned number", Json(R"({"mood":2})"), "mood 2"},
      {"enum number as text", Json(R"({"mood":"7"})"), "mood 7"},
      {"enum hex number as text", Json(R"({"mood":"0x2"})"), "mood 2"},
      {"enum of another type", std::move(foreign_enum), "mood 2"},
      {"wrong name", Json(R"({"mood":"kFoggy"})"), "kFoggy" + kNotMood},
      {"names are case-sensitive", Json(R"({"mood":"kbright"})"), "kbright" + kNotMood},
      {"unknown number", Json(R"({"mood":5})"), "5" + kNotMood},
      {"number past int32", Json(R"({"mood":4294967298})"), "4294967298" + kNotMood},
      {"text past int64", Json(R"({"mood":"99999999999999999999"})"),
       "99999999999999999999" + kNotMood},
      {"float", Json(R"({"mood":2.0})"),
       "Couldn't assign value to 'mood' of enum type because the input is of an invalid type "
       "float."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.desc);
    Sketch sketch;
    const std::string error = Read(c.input, sketch);
    EXPECT_EQ(error.empty() ? "mood " + std::to_string(static_cast<int>(sketch.mood)) : error,
              c.expected);
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
  for (const char* json : {R"({"holder":"Ysolde"})", R"({"holder":"Ysolde","serial":null})"}) {
    SCOPED_TRACE(json);
    Ticket ticket;
    BindingResult result;
    FromBinding(result, ticket, Json(json), "order", registry);
    EXPECT_EQ(result.error(),
              "Couldn't assign value to 'order' of type Ticket because the input structure "
              "doesn't have required field 'serial'.");
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
  EXPECT_EQ(WriteJson(empty.value()), "{}");

  // NaN is not zero; an optional that holds zero is.
  const Badge full = {true, -1, std::nan(""), "c", {0}, 0, Mood::kBright};
  BindingResult written;
  ToBinding(written, full, registry);
  EXPECT_EQ(WriteJson(written.value()),
            R"({"caption":"c","glow":null,"mood":2,"rank":-1,"shown":true,"stars":[0]})");
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
  Outer outer;
  BindingResult read;
  FromBinding(read, outer, Json(R"({"first":1,"inner":{"depth":2},"last":3})"), "outer", registry);
  EXPECT_EQ(read.error(),
            "Couldn't assign value to 'inner' because the input is an unregistered structure or "
            "not a structure at all.");
  EXPECT_EQ(outer.first, 1);
  EXPECT_EQ(outer.last, 0);
}

// A second registration under a taken name changes nothing, and the first
// entry stays where it was.
TEST(BindingTypeRegistry, RepeatedNamesKeepTheFirst) {
  BindingTypeRegistry registry;
  RegisterStruct<Inner>(registry, "Inner")
      .Field("depth", &Inner::depth)
      .Field("depth", &Inner::depth, "second")
      .Commit();
  RegisterEnum<Mood>(registry, "Mood")
      .Value("Same", Mood::kBright)
      .Value("Same", Mood::kStormy)
      .Commit();
  ASSERT_EQ(registry.FindType("Inner")->fields.size(), 1u);
  EXPECT_EQ(registry.FindType("Inner")->fields[0].description, "");
  EXPECT_EQ(registry.FindType("Mood")->values.at("Same").number, 2);

  BindingFunctionDescriptor function;
  function.name = "GetHarborBuoys";
  const auto added = registry.AddFunction(function).first;
  function.description = "second";
  EXPECT_EQ(registry.AddFunction(function), std::make_pair(added, false));
  EXPECT_EQ(added->description, "");

  BindingEventDescriptor event;
  event.name = "OnTideTurned";
  EXPECT_TRUE(registry.AddEvent(event).second);
  EXPECT_FALSE(registry.AddEvent(event).second);
  EXPECT_EQ(registry.SnapshotEvents().size(), 1u);
}

}  // namespace
}  // namespace tav
