#include "binding/core_value.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "binding/binding_type_registry.h"
#include "binding/json_reader.h"
#include "binding/type_registration.h"
#include "codec_test_support.h"
#include "runtime/heap.h"

namespace tav {
namespace {

enum class PageRule : int32_t { kCanSelectPages = 1, kLocked = 2, kAlsoLocked = 2 };

// Bytes taken from the counting heap and not yet given back.
int64_t HeapBytesInUse() {
  const HeapCounters counters = ReadHeapCounters();
  return static_cast<int64_t>(counters.total_bytes_allocated - counters.total_bytes_freed);
}

BindingProperty Parsed(const char* json) {
  BindingResult result = ParseJson(json);
  EXPECT_TRUE(result.ok()) << result.error();
  return std::move(result.value());
}

std::string KeyOf(const CoreStructEntry& entry) { return entry.key; }

const CoreValue& ElementOf(const CoreValue& value, size_t index) {
  return static_cast<const CoreValue*>(value.payload.ref.address)[index];
}

const CoreStructEntry& EntryOf(const CoreValue& value, size_t index) {
  return static_cast<const CoreStructEntry*>(value.payload.ref.address)[index];
}

std::string TextOf(const CoreValue& value) {
  return std::string(static_cast<const char*>(value.payload.ref.address),
                     value.payload.ref.length);
}

bool AllZero(const CoreValue& value) {
  static const CoreValue kZero = {};
  return std::memcmp(&value, &kZero, sizeof value) == 0;
}

TEST(CoreValue, ScalarsAndContainersConvertToTheCoreForm) {
  const int64_t before = HeapBytesInUse();
  BindingProperty tree = Parsed(R"({"b":[true,-3,18446744073709551615,0.5,null,"x"],"a":{}})");
  tree.MutableField("c").SetBlob("\x00\x01\x02", 3);
  tree.MutableField("d").SetBlob("", 0);

  CoreValue out = {};
  ToCoreValue(tree, nullptr, &out);
  ASSERT_EQ(+out.kind, uint32_t{TAV_CORE_STRUCTURE});
  ASSERT_EQ(+out.payload.ref.length, 4u);
  // Fields in key order, every key an owned copy.
  EXPECT_EQ(KeyOf(EntryOf(out, 0)), "a");
  EXPECT_EQ(KeyOf(EntryOf(out, 1)), "b");
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(+EntryOf(out, i).key_owned, 1);

  const CoreValue& empty_structure = EntryOf(out, 0).value;
  EXPECT_EQ(+empty_structure.kind, uint32_t{TAV_CORE_STRUCTURE});
  EXPECT_EQ(+empty_structure.payload.ref.address, nullptr);
  EXPECT_EQ(+empty_structure.payload.ref.length, 0u);

  const CoreValue& list = EntryOf(out, 1).value;
  ASSERT_EQ(+list.kind, uint32_t{TAV_CORE_COLLECTION});
  ASSERT_EQ(+list.payload.ref.length, 6u);
  EXPECT_EQ(+ElementOf(list, 0).kind, uint32_t{TAV_CORE_BOOL});
  EXPECT_EQ(+ElementOf(list, 0).payload.boolean, 1);
  EXPECT_EQ(+ElementOf(list, 1).kind, uint32_t{TAV_CORE_SIGNED});
  EXPECT_EQ(+ElementOf(list, 1).payload.i64, -3);
  EXPECT_EQ(+ElementOf(list, 2).kind, uint32_t{TAV_CORE_UNSIGNED});
  EXPECT_EQ(+ElementOf(list, 2).payload.u64, UINT64_MAX);
  EXPECT_EQ(+ElementOf(list, 3).kind, uint32_t{TAV_CORE_FLOAT});
  EXPECT_EQ(+ElementOf(list, 3).payload.f64, 0.5);
  EXPECT_TRUE(AllZero(ElementOf(list, 4)));
  EXPECT_EQ(+ElementOf(list, 5).kind, uint32_t{TAV_CORE_OWNED_STRING});
  EXPECT_EQ(TextOf(ElementOf(list, 5)), "x");

  const CoreValue& blob = EntryOf(out, 2).value;
  EXPECT_EQ(+blob.kind, uint32_t{TAV_CORE_OWNED_BLOB});
  EXPECT_EQ(TextOf(blob), std::string("\x00\x01\x02", 3));
  const CoreValue& empty_blob = EntryOf(out, 3).value;
  EXPECT_EQ(+empty_blob.kind, uint32_t{TAV_CORE_OWNED_BLOB});
  EXPECT_EQ(+empty_blob.payload.ref.length, 0u);

  ReleaseCoreValue(&out);
  EXPECT_TRUE(AllZero(out));
  EXPECT_EQ(HeapBytesInUse(), before);
}

TEST(CoreValue, ReleaseLeavesBorrowedMemoryAlone) {
  const int64_t before = HeapBytesInUse();
  static const char kBorrowedKey[] = "borrowed";
  static const char kBorrowedText[] = "not ours";
  auto* entries = static_cast<CoreStructEntry*>(HeapAllocate(3 * sizeof(CoreStructEntry)));
  std::memset(entries, 0, 3 * sizeof(CoreStructEntry));
  entries[0].key = kBorrowedKey;
  entries[0].value.kind = TAV_CORE_OWNED_STRING;
  entries[0].value.payload.ref.address = HeapDuplicateText("ours", 4);
  entries[1].key = HeapDuplicateText("owned", 5);
  entries[1].key_owned = 1;
  entries[1].value.kind = TAV_CORE_STRING;
  entries[1].value.payload.ref.address = kBorrowedText;
  entries[2].key = kBorrowedKey;
  entries[2].value.kind = TAV_CORE_BLOB;
  entries[2].value.payload.ref.address = kBorrowedText;
  entries[2].value.payload.ref.length = 3;

  CoreValue value = {};
  value.kind = TAV_CORE_STRUCTURE;
  value.payload.ref.address = entries;
  value.payload.ref.length = 3;
  ReleaseCoreValue(&value);
  EXPECT_TRUE(AllZero(value));
  EXPECT_EQ(HeapBytesInUse(), before);
  EXPECT_STREQ(kBorrowedText, "not ours");
}

TEST(CoreValue, TextsAreReadUpToTheirNulWhateverTheLengthWord) {
  static const char kText[] = "Moonrise\0hidden";
  CoreValue value = {};
  value.kind = TAV_CORE_STRING;
  value.payload.ref.address = kText;
  value.payload.ref.length = 3;
  BindingProperty out;
  ASSERT_TRUE(FromCoreValue(value, "name", nullptr, &out));
  EXPECT_EQ(out.GetString(), "Moonrise");
}

CoreValue Reference(uint32_t kind, const void* address, uint32_t length) {
  CoreValue value = {};
  value.kind = kind;
  value.payload.ref.address = address;
  value.payload.ref.length = length;
  return value;
}

TEST(CoreValue, MalformedInputFailsWithTheIncompatibleTypeMessage) {
  CoreStructEntry keyless[1] = {};
  keyless[0].value.kind = TAV_CORE_BOOL;
  struct Case {
    const char* desc;
    CoreValue value;
    const char* type;
  };
  const std::vector<Case> cases = {
      {"unknown kind", Reference(11, nullptr, 0), ""},
      {"null borrowed text", Reference(TAV_CORE_STRING, nullptr, 0), "string"},
      {"null owned text", Reference(TAV_CORE_OWNED_STRING, nullptr, 4), "string"},
      {"null bytes with a length", Reference(TAV_CORE_BLOB, nullptr, 3), "blob"},
      {"null owned bytes with a length", Reference(TAV_CORE_OWNED_BLOB, nullptr, 1), "blob"},
      {"null elements with a count", Reference(TAV_CORE_COLLECTION, nullptr, 2), "collection"},
      {"null entries with a count", Reference(TAV_CORE_STRUCTURE, nullptr, 1), "structure"},
      {"entry without a key", Reference(TAV_CORE_STRUCTURE, keyless, 1), "structure"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.desc);
    ResponseRecord record = {};
    BindingProperty out;
    ASSERT_FALSE(FromCoreValue(c.value, "body", &record, &out));
    ASSERT_NE(+record.error, nullptr);
    EXPECT_EQ(std::string(record.error),
              std::string("Couldn't assign value to 'body' of type object because the input is "
                          "of an incompatible type '") +
                  c.type + "'.");
    EXPECT_EQ(+record.error_owned, 1);
    HeapFree(const_cast<char*>(record.error));
  }
}

TEST(CoreValue, EmptyReferencesMayHaveANullAddress) {
  for (uint32_t kind : {TAV_CORE_BLOB, TAV_CORE_OWNED_BLOB, TAV_CORE_COLLECTION,
                        TAV_CORE_STRUCTURE}) {
    SCOPED_TRACE(kind);
    BindingProperty out;
    ASSERT_TRUE(FromCoreValue(Reference(kind, nullptr, 0), "body", nullptr, &out));
    EXPECT_EQ(out.size(), 0u);
    EXPECT_FALSE(out.isEmpty());
  }
}

// `depth` collections, each holding the next; the innermost holds `true`.
std::vector<CoreValue> NestedCollections(size_t depth) {
  std::vector<CoreValue> chain(depth + 1);
  for (size_t i = 0; i < depth; ++i) chain[i] = Reference(TAV_CORE_COLLECTION, &chain[i + 1], 1);
  chain[depth].kind = TAV_CORE_BOOL;
  chain[depth].payload.boolean = 1;
  return chain;
}

TEST(CoreValue, NestingIsBoundedAt512Levels) {
  const std::vector<CoreValue> deepest = NestedCollections(512);
  BindingProperty out;
  ASSERT_TRUE(FromCoreValue(deepest[0], "body", nullptr, &out));

  for (size_t depth : {513, 100000}) {
    SCOPED_TRACE(depth);
    const std::vector<CoreValue> chain = NestedCollections(depth);
    ResponseRecord record = {};
    BindingProperty deep;
    ASSERT_FALSE(FromCoreValue(chain[0], "body", &record, &deep));
    EXPECT_STREQ(record.error,
                 "Couldn't assign value to 'body' of type object because the input is nested "
                 "deeper than 512 levels.");
    HeapFree(const_cast<char*>(record.error));
  }
}

}  // namespace
}  // namespace tav
