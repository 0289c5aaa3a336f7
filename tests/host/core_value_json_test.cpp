#include "host/core_value_json.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "host/host_memory.h"
#include "host/json_text.h"

namespace tav::host {
namespace {

using ::testing::ElementsAre;

std::string ReadBack(const CoreValue& value) {
  rapidjson::Document doc;
  std::string error;
  EXPECT_TRUE(ReadCoreValue(value, &doc, &error)) << error;
  return JsonText(doc);
}

TEST(CoreValueJson, OwnedValuesRoundTrip) {
  const char* cases[] = {
      "null",
      "true",
      "-9223372036854775808",
      "18446744073709551615",
      "1.5",
      R"("Mountain \u00e9 \"quoted\"")",
      "[]",
      "{}",
      R"({"pages":[{"id":7,"name":"Dawn","perks":[8100,8112]},{"id":-1,"tags":[]}],"current":7})",
      R"([[[[1]]],{"a":{"b":{"c":null}}}])",
      R"({"$blob":"AP8QIA=="})",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    size_t live = HostMemory::LiveBlocks();
    CoreValue value = BuildOwnedCoreValue(JsonValue(text));
    EXPECT_EQ(ReadBack(value), JsonText(JsonValue(text)));
    ReleaseOwnedCoreValue(&value);
    EXPECT_EQ(+value.kind, static_cast<uint32_t>(TAV_CORE_NULL));
    EXPECT_EQ(HostMemory::LiveBlocks(), live);
  }
}

TEST(CoreValueJson, NumbersTakeTheNarrowestKind) {
  const struct {
    const char* json;
    uint32_t kind;
  } cases[] = {{"0", TAV_CORE_SIGNED},
               {"-3", TAV_CORE_SIGNED},
               {"9223372036854775807", TAV_CORE_SIGNED},
               {"9223372036854775808", TAV_CORE_UNSIGNED},
               {"2.0", TAV_CORE_FLOAT},
               {"-0.25", TAV_CORE_FLOAT}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    CoreValue value = BuildOwnedCoreValue(JsonValue(c.json));
    EXPECT_EQ(+value.kind, c.kind);
    ReleaseOwnedCoreValue(&value);
  }
}

TEST(CoreValueJson, BlobBytesSurviveBothWays) {
  CoreValue value = BuildOwnedCoreValue(JsonValue(R"({"$blob":"AP8QIA=="})"));
  ASSERT_EQ(+value.kind, static_cast<uint32_t>(TAV_CORE_OWNED_BLOB));
  ASSERT_EQ(+value.payload.ref.length, 4u);
  const auto* bytes = static_cast<const uint8_t*>(value.payload.ref.address);
  EXPECT_THAT(std::vector<uint8_t>(bytes, bytes + 4), ElementsAre(0x00, 0xFF, 0x10, 0x20));
  ReleaseOwnedCoreValue(&value);
  // An object that merely has a "$blob" member among others stays an object.
  CoreValue object = BuildOwnedCoreValue(JsonValue(R"({"$blob":"AA==","x":1})"));
  EXPECT_EQ(+object.kind, static_cast<uint32_t>(TAV_CORE_STRUCTURE));
  ReleaseOwnedCoreValue(&object);
}

TEST(CoreValueJson, ArenaSpellsTextsBorrowedOrOwned) {
  rapidjson::Document json = JsonValue(R"({"name":"Dawn","blob":{"$blob":"AQI="}})");
  for (TextMode mode : {TextMode::kOwned, TextMode::kBorrowed}) {
    SCOPED_TRACE(mode == TextMode::kOwned ? "owned" : "borrowed");
    size_t live = HostMemory::LiveBlocks();
    {
      HostValueArena arena(mode);
      CoreValue value = arena.Build(json);
      ASSERT_EQ(+value.kind, static_cast<uint32_t>(TAV_CORE_STRUCTURE));
      const auto* entries = static_cast<const CoreStructEntry*>(value.payload.ref.address);
      bool owned = mode == TextMode::kOwned;
      EXPECT_EQ(+entries[0].key_owned, owned ? 1 : 0);
      EXPECT_EQ(+entries[0].value.kind, static_cast<uint32_t>(owned ? TAV_CORE_OWNED_STRING : TAV_CORE_STRING));
      EXPECT_EQ(+entries[1].value.kind, static_cast<uint32_t>(owned ? TAV_CORE_OWNED_BLOB : TAV_CORE_BLOB));
      EXPECT_EQ(ReadBack(value), JsonText(json));
    }
    EXPECT_EQ(HostMemory::LiveBlocks(), live);
  }
}

TEST(CoreValueJson, TextWithEmbeddedNulIsCutAtTheNul) {
  CoreValue value = BuildOwnedCoreValue(JsonValue(R"("ab\u0000cd")"));
  EXPECT_EQ(+value.payload.ref.length, 2u);
  EXPECT_EQ(ReadBack(value), R"("ab")");
  ReleaseOwnedCoreValue(&value);
}

CoreValue Text(const char* text, uint32_t length) {
  CoreValue v{};
  v.kind = TAV_CORE_STRING;
  v.payload.ref.address = text;
  v.payload.ref.length = length;
  return v;
}

TEST(CoreValueJson, HostileValuesFailWithThePlace) {
  CoreValue null_text = Text(nullptr, 3);
  CoreValue elements[2] = {Text("ok", 2), null_text};
  CoreValue collection{};
  collection.kind = TAV_CORE_COLLECTION;
  collection.payload.ref.address = elements;
  collection.payload.ref.length = 2;
  CoreStructEntry entries[2] = {{"items", collection, 0}, {nullptr, Text("x", 1), 0}};
  CoreValue structure{};
  structure.kind = TAV_CORE_STRUCTURE;
  structure.payload.ref.address = entries;
  structure.payload.ref.length = 1;
  CoreValue null_array{};
  null_array.kind = TAV_CORE_COLLECTION;
  null_array.payload.ref.length = 5;
  CoreValue huge{};
  huge.kind = TAV_CORE_STRUCTURE;
  huge.payload.ref.address = entries;
  huge.payload.ref.length = 0xFFFFFFFFu;
  CoreValue bad_kind{};
  bad_kind.kind = 11;
  CoreValue null_key = structure;
  null_key.payload.ref.address = &entries[1];
  CoreValue null_blob{};
  null_blob.kind = TAV_CORE_OWNED_BLOB;
  null_blob.payload.ref.length = 1;

  const struct {
    const char* name;
    const CoreValue* value;
    const char* error;
  } cases[] = {
      {"null text", &null_text, "null text at value"},
      {"null text deep inside", &structure, "null text at value.items[1]"},
      {"null array", &null_array, "null array of 5 at value"},
      {"implausible count", &huge, "implausible count 4294967295 at value"},
      {"unknown kind", &bad_kind, "unknown kind 11 at value"},
      {"null key", &null_key, "null key at value{0}"},
      {"null bytes", &null_blob, "null bytes of 1 at value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    rapidjson::Document doc;
    std::string error;
    EXPECT_FALSE(ReadCoreValue(*c.value, &doc, &error));
    EXPECT_EQ(error, c.error);
  }
}

TEST(CoreValueJson, RunawayNestingStopsAtTheLimit) {
  std::vector<CoreValue> chain(kMaxCoreValueDepth + 2);
  for (size_t i = 0; i + 1 < chain.size(); ++i) {
    chain[i].kind = TAV_CORE_COLLECTION;
    chain[i].payload.ref.address = &chain[i + 1];
    chain[i].payload.ref.length = 1;
  }
  rapidjson::Document doc;
  std::string error;
  EXPECT_FALSE(ReadCoreValue(chain[0], &doc, &error));
  EXPECT_EQ(error.rfind("nesting deeper than 200 at value[0][0]", 0), 0u) << error;
}

TEST(CoreValueJson, OdditiesAreWarningsNotFailures) {
  CoreValue wrong_length = Text("abc", 7);
  CoreValue odd_bool{};
  odd_bool.kind = TAV_CORE_BOOL;
  odd_bool.payload.boolean = 7;
  CoreStructEntry entries[3] = {{"a", wrong_length, 0}, {"b", odd_bool, 0}, {"a", Text("z", 1), 2}};
  CoreValue structure{};
  structure.kind = TAV_CORE_STRUCTURE;
  structure.payload.ref.address = entries;
  structure.payload.ref.length = 3;
  rapidjson::Document doc;
  std::string error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(ReadCoreValue(structure, &doc, &error, &warnings));
  EXPECT_EQ(JsonText(doc), R"({"a":"z","b":true})");
  EXPECT_THAT(warnings, ElementsAre("text length word 7 differs from its NUL position 3 at value.a",
                                    "bool byte 7 at value.b", "key-owned byte 2 at value.a",
                                    "repeated key at value.a"));
}

}  // namespace
}  // namespace tav::host
