#include "binding/api_description_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "binding/binding_type_registry.h"
#include "binding/builtin_types.h"
#include "binding/native_conversion.h"
#include "binding/type_registration.h"

namespace tav {
namespace {

enum class Swell : int32_t { kFlat = 0, kRolling = 5, kChoppy = -2 };

struct Pebble {
  int32_t weight = 0;
};

struct Beach {
  int32_t length = 0;
  std::vector<Pebble> pebbles;
  std::optional<std::string> nickname;
  std::map<std::string, Swell> swells;
  std::vector<int32_t> marks;
  uint64_t sand = 0;
};

struct Nothing {};

// Members of the packed records may sit at any address, and gtest binds its
// arguments to references: compare copies.
template <class T>
T Copy(T value) {
  return value;
}

class ApiDescriptionTablesTest : public ::testing::Test {
 protected:
  ApiDescriptionTablesTest() {
    RegisterBuiltinTypes(registry_);
    RegisterEnum<Swell>(registry_, "Swell")
        .Value("Rolling", Swell::kRolling, "Long waves")
        .Value("Flat", Swell::kFlat)
        .Value("Choppy", Swell::kChoppy)
        .Commit();
    RegisterStruct<Pebble>(registry_, "Pebble").Field("weight", &Pebble::weight).Commit();
    RegisterStruct<Beach>(registry_, "Beach")
        .Description("A stretch of sand")
        .NameSpace("coast")
        .Tags({"sea", "land"})
        .Field("length", &Beach::length, "Metres")
        .Field("pebbles", &Beach::pebbles)
        .Field("nickname", &Beach::nickname)
        .Field("swells", &Beach::swells)
        .Field("marks", &Beach::marks)
        .Field("sand", &Beach::sand, "", 0,
               BindingTypeId{BindingTypeCode::kVector, BindingTypeCode::kStruct,
                             registry_.FindType("Pebble")})
        .Commit();
    RegisterStruct<Nothing>(registry_, "Nothing").Commit();

    BindingFunctionDescriptor walk;
    walk.name = "WalkBeach";
    walk.arguments.push_back({"beach", "Where to walk", BindingTypeIdOf<Beach>(registry_), false});
    walk.arguments.push_back({"steps", "", BindingTypeIdOf<int32_t>(registry_), true});
    walk.returns = BindingTypeIdOf<std::vector<Pebble>>(registry_);
    walk.thread_safe = true;
    walk.tags = {"coast"};
    registry_.AddFunction(std::move(walk));

    BindingFunctionDescriptor gather = {};
    gather.name = "GatherPebbles";
    gather.name_space = "coast";
    gather.description = "Collects pebbles";
    gather.returns = BindingTypeIdOf<Pebble>(registry_);
    gather.async = true;
    registry_.AddFunction(std::move(gather));

    BindingEventDescriptor washed;
    washed.name = "OnPebbleWashed";
    washed.payload = BindingTypeIdOf<Pebble>(registry_);
    registry_.AddEvent(std::move(washed));
  }

  // Walks a record list through its next links.
  template <class Record>
  static std::vector<const Record*> Walk(const Record* first) {
    std::vector<const Record*> records;
    for (const Record* record = first; record != nullptr; record = record->next) {
      records.push_back(record);
    }
    return records;
  }

  BindingTypeRegistry registry_;
};

TEST_F(ApiDescriptionTablesTest, RecordListsAgreeWithTheRegistry) {
  ApiDescriptionTables tables(registry_);
  const PluginApiDescription words = tables.Words();

  const auto types = registry_.SnapshotTypes();
  const auto type_records = Walk(words.types);
  ASSERT_EQ(Copy(words.type_count), types.size());
  ASSERT_EQ(type_records.size(), types.size());
  for (size_t i = 0; i < types.size(); ++i) {
    SCOPED_TRACE(types[i]->name);
    EXPECT_EQ(type_records[i], words.types + i);
    EXPECT_STREQ(type_records[i]->name, types[i]->name.c_str());
    EXPECT_EQ(Copy(type_records[i]->native_size), types[i]->native_size);
    const size_t count =
        types[i]->fields.empty() ? types[i]->values.size() : types[i]->fields.size();
    EXPECT_EQ(Copy(type_records[i]->count), count);
    EXPECT_EQ(Copy(type_records[i]->tag_count), types[i]->tags.size());
  }

  std::vector<std::string> functions;
  for (const FunctionRecord* record = words.functions; record != nullptr;
       record = record->description.next) {
    functions.emplace_back(record->description.name);
  }
  EXPECT_EQ(Copy(words.function_count), 2u);
  EXPECT_EQ(functions, (std::vector<std::string>{"WalkBeach", "GatherPebbles"}));

  const auto events = Walk(words.events);
  ASSERT_EQ(Copy(words.event_count), 2u);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_STREQ(events[0]->name, "OnCallback");
  EXPECT_STREQ(events[0]->payload_type_name, "BindingCallbackEvent");
  ASSERT_EQ(Copy(events[0]->tag_count), 1u);
  EXPECT_STREQ(events[0]->tags[0], "$builtin");
  EXPECT_STREQ(events[1]->payload_type_name, "Pebble");
  EXPECT_EQ(Copy(events[1]->tag_count), 0u);
}

TEST_F(ApiDescriptionTablesTest, FieldRecordsDescribeTypes) {
  ApiDescriptionTables tables(registry_);
  const TypeRecord* beach = nullptr;
  for (const TypeRecord* type : Walk(tables.Words().types)) {
    if (std::strcmp(type->name, "Beach") == 0) beach = type;
  }
  ASSERT_NE(beach, nullptr);
  EXPECT_STREQ(beach->name_space, "coast");
  EXPECT_STREQ(beach->description, "A stretch of sand");
  ASSERT_EQ(Copy(beach->tag_count), 2u);
  EXPECT_STREQ(beach->tags[0], "sea");
  EXPECT_STREQ(beach->tags[1], "land");
  EXPECT_EQ(Copy(beach->enum_values), nullptr);

  const auto fields = Walk(beach->fields);
  ASSERT_EQ(fields.size(), 6u);
  const Beach probe;
  const auto offset_of = [&probe](const void* member) {
    return std::to_string(static_cast<const char*>(member) - reinterpret_cast<const char*>(&probe));
  };
  // Name, type code, element type code, type name, offset, optional.
  const std::string rows[] = {
      "length 6 0  " + offset_of(&probe.length) + " 0",
      "pebbles 15 17 Pebble " + offset_of(&probe.pebbles) + " 0",
      "nickname 12 0  " + offset_of(&probe.nickname) + " 1",
      "swells 19 16 Swell " + offset_of(&probe.swells) + " 0",
      "marks 15 6  " + offset_of(&probe.marks) + " 0",
      // The declared type replaces uint64.
      "sand 15 17 Pebble " + offset_of(&probe.sand) + " 0",
  };
  for (size_t i = 0; i < fields.size(); ++i) {
    const FieldRecord* field = fields[i];
    EXPECT_EQ(std::string(field->name) + " " + std::to_string(field->type_code) + " " +
                  std::to_string(field->element_type_code) + " " + field->type_name + " " +
                  std::to_string(field->offset) + " " + std::to_string(field->optional),
              rows[i]);
  }
  EXPECT_STREQ(fields[0]->description, "Metres");
  EXPECT_STREQ(fields[1]->description, "");
}

TEST_F(ApiDescriptionTablesTest, CopyKeepsTheTargetsLinkAndDispatchContext) {
  ApiDescriptionTables tables(registry_);
  FunctionRecord records[2] = {};
  LinkFunctionRecords(records, 2);
  int context = 0;
  records[0].description.dispatch_context = &context;

  ASSERT_TRUE(tables.CopyFunctionDescription("GatherPebbles", records[0]));
  ASSERT_TRUE(tables.CopyFunctionDescription("WalkBeach", records[1]));
  EXPECT_EQ(Copy(records[0].description.next), &records[1]);
  EXPECT_EQ(Copy(records[1].description.next), nullptr);
  EXPECT_EQ(Copy(records[0].description.dispatch_context), &context);
  EXPECT_STREQ(records[0].description.name, "GatherPebbles");
  EXPECT_STREQ(records[0].description.async_type_name, "Pebble");
  EXPECT_EQ(Copy(records[1].description.argument_count), 2u);
  EXPECT_STREQ(records[1].description.arguments->next->name, "steps");

  FunctionRecord untouched = {};
  EXPECT_FALSE(tables.CopyFunctionDescription("Missing", untouched));
  EXPECT_EQ(Copy(untouched.description.name), nullptr);
}

}  // namespace
}  // namespace tav
