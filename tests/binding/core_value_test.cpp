#include "binding/core_value.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "binding/json_reader.h"
#include "codec_test_support.h"
#include "runtime/heap.h"

namespace tav {
namespace {

// Bytes taken from the counting heap and not yet given back.
int64_t HeapBytesInUse() {
  const HeapCounters counters = ReadHeapCounters();
  return static_cast<int64_t>(counters.total_bytes_allocated - counters.total_bytes_freed);
}

bool AllZero(const CoreValue& value) {
  static const CoreValue kZero = {};
  return std::memcmp(&value, &kZero, sizeof value) == 0;
}

std::string TextOf(const CoreValue& value) {
  return std::string(static_cast<const char*>(value.payload.ref.address), value.payload.ref.length);
}

// A text of an owned core value: owned keys are marked with '*', an empty
// cell must be all zero bytes (the union is never left half set).
std::string CoreDump(const CoreValue& value) {
  const auto& ref = value.payload.ref;
  std::string out;
  switch (value.kind) {
    case TAV_CORE_NULL:
      return AllZero(value) ? "null" : "dirty null";
    case TAV_CORE_BOOL:
      return value.payload.boolean ? "true" : "false";
    case TAV_CORE_SIGNED:
      return "s" + std::to_string(value.payload.i64);
    case TAV_CORE_UNSIGNED:
      return "u" + std::to_string(value.payload.u64);
    case TAV_CORE_FLOAT:
      return "f" + std::to_string(value.payload.f64);
    case TAV_CORE_OWNED_STRING:
      return "\"" + TextOf(value) + "\"";
    case TAV_CORE_OWNED_BLOB:
      return "b" + std::to_string(ref.length) + (ref.length ? ":" + TextOf(value) : "");
    case TAV_CORE_COLLECTION:
      for (uint32_t i = 0; i < ref.length; ++i) {
        out += (i ? "," : "") + CoreDump(static_cast<const CoreValue*>(ref.address)[i]);
      }
      return "[" + out + "]";
    case TAV_CORE_STRUCTURE:
      if (ref.length == 0 && ref.address != nullptr) return "{with an address}";
      for (uint32_t i = 0; i < ref.length; ++i) {
        const CoreStructEntry& entry = static_cast<const CoreStructEntry*>(ref.address)[i];
        out += (i ? "," : "") + std::string(entry.key) + (entry.key_owned ? "*:" : ":") +
               CoreDump(entry.value);
      }
      return "{" + out + "}";
  }
  return "kind " + std::to_string(value.kind);
}

TEST(CoreValue, TreesConvertToTheCoreFormAndReleaseEverything) {
  const int64_t before = HeapBytesInUse();
  BindingResult parsed = ParseJson(R"({"b":[true,-3,18446744073709551615,0.5,null,"x"],"a":{}})");
  ASSERT_TRUE(parsed.ok());
  parsed.value().MutableField("c").SetBlob("\x01\x02\x03", 3);
  parsed.value().MutableField("d").SetBlob("", 0);

  CoreValue out = {};
  ToCoreValue(parsed.value(), nullptr, &out);
  EXPECT_EQ(CoreDump(out),
            "{a*:{},b*:[true,s-3,u18446744073709551615,f0.500000,null,\"x\"],"
            "c*:b3:\x01\x02\x03,d*:b0}");
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

CoreValue Reference(uint32_t kind, const void* address, uint32_t length) {
  CoreValue value = {};
  value.kind = kind;
  value.payload.ref.address = address;
  value.payload.ref.length = length;
  return value;
}

// `depth` collections, each holding the next; the innermost holds `true`.
std::vector<CoreValue> NestedCollections(size_t depth) {
  std::vector<CoreValue> chain(depth + 1);
  for (size_t i = 0; i < depth; ++i) chain[i] = Reference(TAV_CORE_COLLECTION, &chain[i + 1], 1);
  chain[depth].kind = TAV_CORE_BOOL;
  chain[depth].payload.boolean = 1;
  return chain;
}

// The tree's dump, or the error put in the response record.
std::string FromCore(const CoreValue& value) {
  ResponseRecord record = {};
  BindingProperty out;
  if (FromCoreValue(value, "body", &record, &out)) return testing::Dump(out);
  EXPECT_EQ(+record.error_owned, 1);
  const std::string error = record.error != nullptr ? record.error : "no error";
  HeapFree(const_cast<char*>(record.error));
  return error;
}

TEST(CoreValue, InputIsReadOrRefusedWithItsMessage) {
  const std::string kIncompatible =
      "Couldn't assign value to 'body' of type object because the input is of an incompatible "
      "type ";
  static const char kText[] = "Moonrise\0hidden";
  CoreStructEntry keyless[1] = {};
  keyless[0].value.kind = TAV_CORE_BOOL;
  const std::vector<CoreValue> deepest = NestedCollections(512);
  const std::vector<CoreValue> too_deep = NestedCollections(513);
  const std::vector<CoreValue> far_too_deep = NestedCollections(100000);
  const struct {
    const char* desc;
    CoreValue value;
    std::string expected;
  } cases[] = {
      {"text read up to its NUL whatever the length", Reference(TAV_CORE_STRING, kText, 3),
       "\"Moonrise\""},
      {"empty bytes with no address", Reference(TAV_CORE_BLOB, nullptr, 0), "b\"\""},
      {"empty owned bytes with no address", Reference(TAV_CORE_OWNED_BLOB, nullptr, 0), "b\"\""},
      {"empty elements with no address", Reference(TAV_CORE_COLLECTION, nullptr, 0), "[]"},
      {"empty entries with no address", Reference(TAV_CORE_STRUCTURE, nullptr, 0), "{}"},
      {"unknown kind", Reference(11, nullptr, 0), kIncompatible + "''."},
      {"null borrowed text", Reference(TAV_CORE_STRING, nullptr, 0), kIncompatible + "'string'."},
      {"null owned text", Reference(TAV_CORE_OWNED_STRING, nullptr, 4),
       kIncompatible + "'string'."},
      {"null bytes with a length", Reference(TAV_CORE_BLOB, nullptr, 3), kIncompatible + "'blob'."},
      {"null owned bytes with a length", Reference(TAV_CORE_OWNED_BLOB, nullptr, 1),
       kIncompatible + "'blob'."},
      {"null elements with a count", Reference(TAV_CORE_COLLECTION, nullptr, 2),
       kIncompatible + "'collection'."},
      {"null entries with a count", Reference(TAV_CORE_STRUCTURE, nullptr, 1),
       kIncompatible + "'structure'."},
      {"entry without a key", Reference(TAV_CORE_STRUCTURE, keyless, 1),
       kIncompatible + "'structure'."},
      {"512 levels", deepest[0], std::string(512, '[') + "true" + std::string(512, ']')},
      {"513 levels", too_deep[0],
       "Couldn't assign value to 'body' of type object because the input is nested deeper than "
       "512 levels."},
      {"100000 levels", far_too_deep[0],
       "Couldn't assign value to 'body' of type object because the input is nested deeper than "
       "512 levels."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.desc);
    EXPECT_EQ(FromCore(c.value), c.expected);
  }
}

}  // namespace
}  // namespace tav
