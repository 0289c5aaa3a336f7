#include "host/core_value_json.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "host/host_memory.h"
#include "host/json_text.h"

namespace tav::host {
namespace {

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
      // An object that merely has a "$blob" member among others stays an object.
      R"({"$blob":"AA==","x":1})",
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

}  // namespace
}  // namespace tav::host
