#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "binding/binding_type_code.h"
#include "binding/binding_type_id.h"
#include "binding/binding_type_registry.h"
#include "binding/native_conversion.h"
#include "binding/static_type.h"
#include "binding/type_key.h"
#include "binding/type_registration.h"

namespace tav {
namespace {

enum class Tide : int32_t { kLow = 0, kHigh = 1, kSlack = 2 };

struct Buoy {
  int32_t id = 0;
  std::string color;
};

struct Harbor {
  std::vector<Buoy> buoys;
  std::map<std::string, Tide> tides;
  std::optional<uint64_t> berth;
  Tide tide = Tide::kLow;
  BindingProperty notes;
};

struct Decoy {
  int64_t weight = 0;
};

class TypeRegistryTest : public ::testing::Test {
 protected:
  TypeRegistryTest() {
    RegisterEnum<Tide>(registry_, "Tide")
        .Value("kLow", Tide::kLow, "Water is out")
        .Value("kHigh", Tide::kHigh)
        .Value("Flood", Tide::kHigh)
        .Value("kSlack", Tide::kSlack)
        .Description("State of the water.")
        .Tags({"$builtin", "help"})
        .Commit();
    RegisterStruct<Buoy>(registry_, "Buoy")
        .Field("id", &Buoy::id)
        .Field("color", &Buoy::color, "Paint on the buoy")
        .Commit();
    RegisterStruct<Harbor>(registry_, "Harbor")
        .Field("buoys", &Harbor::buoys)
        .Field("tides", &Harbor::tides)
        .Field("berth", &Harbor::berth)
        .Field("tide", &Harbor::tide)
        .Field("notes", &Harbor::notes)
        .NameSpace("Docks")
        .Commit();
  }

  BindingTypeRegistry registry_;
};

TEST_F(TypeRegistryTest, FieldsDescribeTheirNativeTypes) {
  const BindingTypeDescriptor* harbor = registry_.FindType(TypeKeyOf<Harbor>());
  ASSERT_NE(harbor, nullptr);
  EXPECT_EQ(harbor, registry_.FindType("Harbor"));
  EXPECT_EQ(harbor->native_size, sizeof(Harbor));
  EXPECT_EQ(harbor->name_space, "Docks");
  const BindingTypeDescriptor* buoy = registry_.FindType("Buoy");
  const BindingTypeDescriptor* tide = registry_.FindType("Tide");
  ASSERT_EQ(harbor->fields.size(), 5u);

  struct Row {
    size_t offset;
    BindingTypeCode code;
    BindingTypeCode element;
    const BindingTypeDescriptor* type;
    bool optional;
    const char* native;
    const char* element_native;
    const char* epytext;
  };
  const Harbor probe;
  auto offset = [&](const auto& member) {
    return static_cast<size_t>(reinterpret_cast<const char*>(&member) -
                               reinterpret_cast<const char*>(&probe));
  };
  const Row rows[] = {
      {offset(probe.buoys), BindingTypeCode::kVector, BindingTypeCode::kStruct, buoy, false,
       "vector", "Buoy", "list[L{Buoy}]"},
      {offset(probe.tides), BindingTypeCode::kMap, BindingTypeCode::kEnum, tide, false, "map",
       "Tide", "dict[L{Tide}]"},
      {offset(probe.berth), BindingTypeCode::kUint64, BindingTypeCode::kNone, nullptr, true,
       "uint64", "", "uint64"},
      {offset(probe.tide), BindingTypeCode::kEnum, BindingTypeCode::kNone, tide, false, "Tide", "",
       "L{Tide}"},
      {offset(probe.notes), BindingTypeCode::kObject, BindingTypeCode::kNone, nullptr, false,
       "object", "", "object"},
  };
  for (size_t i = 0; i < harbor->fields.size(); ++i) {
    const BindingFieldDescriptor& field = harbor->fields[i];
    const Row& row = rows[i];
    SCOPED_TRACE(field.name);
    EXPECT_EQ(field.offset, row.offset);
    EXPECT_EQ(field.type_id.code, row.code);
    EXPECT_EQ(field.type_id.element_code, row.element);
    EXPECT_EQ(field.type_id.type, row.type);
    EXPECT_EQ(field.optional_value, row.optional);
    BindingTypeNames names = NativeTypeNames(field.described_type_id());
    EXPECT_STREQ(names.type, row.native);
    EXPECT_STREQ(names.element_type, row.element_native);
    EXPECT_EQ(EpytextTypeName(field.type_id), row.epytext);
  }
  EXPECT_EQ(buoy->fields[1].description, "Paint on the buoy");
}

TEST_F(TypeRegistryTest, SecondRegistrationOfANameChangesNothing) {
  auto again = RegisterStruct<Buoy>(registry_, "Buoy");
  EXPECT_TRUE(again.already_registered());
  again.Field("id", &Buoy::id).Description("ignored").Commit();
  // Another native type under a taken name is not entered under its key.
  RegisterStruct<Decoy>(registry_, "Buoy").Field("weight", &Decoy::weight).Commit();
  RegisterEnum<Tide>(registry_, "Tide").Value("kRogue", Tide{9}).Commit();

  const BindingTypeDescriptor* buoy = registry_.FindType("Buoy");
  ASSERT_EQ(buoy->fields.size(), 2u);
  EXPECT_EQ(buoy->fields[0].name, "id");
  EXPECT_EQ(buoy->fields[1].name, "color");
  EXPECT_EQ(buoy->description, "");
  EXPECT_EQ(registry_.FindType(TypeKeyOf<Decoy>()), nullptr);
  EXPECT_EQ(registry_.FindType("Tide")->values.count("kRogue"), 0u);
  EXPECT_EQ(registry_.SnapshotTypes().size(), 3u);
}

TEST_F(TypeRegistryTest, DuplicateNamesInsideATypeKeepTheFirst) {
  RegisterStruct<Decoy>(registry_, "Decoy")
      .Field("weight", &Decoy::weight)
      .Field("weight", &Decoy::weight, "second")
      .Commit();
  RegisterEnum<BindingPropertyKind>(registry_, "Kind")
      .Value("Same", BindingPropertyKind::kBool)
      .Value("Same", BindingPropertyKind::kString)
      .Commit();
  ASSERT_EQ(registry_.FindType("Decoy")->fields.size(), 1u);
  EXPECT_EQ(registry_.FindType("Decoy")->fields[0].description, "");
  EXPECT_EQ(registry_.FindType("Kind")->values.at("Same").number, 1);
}

struct Early {
  Buoy buoy;
  std::vector<Decoy> decoys;
};

TEST_F(TypeRegistryTest, FieldsWhoseTypeWasNotRegisteredYetAreListed) {
  RegisterStruct<Early>(registry_, "Early")
      .Field("buoy", &Early::buoy)
      .Field("decoys", &Early::decoys)
      .Commit();
  EXPECT_EQ(registry_.FindUnresolvedFields(), (std::vector<std::string>{"Early.decoys"}));
}

struct RouteData : BindingFunctionExtension {
  std::string path;
};

TEST_F(TypeRegistryTest, FunctionsAndEventsKeepTheirFirstRegistration) {
  BindingFunctionDescriptor list;
  list.name = "GetHarborBuoys";
  list.returns = BindingTypeIdOf<std::vector<Buoy>>(registry_);
  list.arguments.push_back(
      {"color", "Paint filter", BindingTypeIdOf<std::string>(registry_), true});
  auto route = std::make_shared<RouteData>();
  route->path = "/harbor/buoys";
  list.extension = route;
  auto [added, inserted] = registry_.AddFunction(list);
  EXPECT_TRUE(inserted);

  BindingFunctionDescriptor clash;
  clash.name = "GetHarborBuoys";
  clash.description = "second";
  auto [existing, second_inserted] = registry_.AddFunction(clash);
  EXPECT_FALSE(second_inserted);
  EXPECT_EQ(existing, added);

  BindingFunctionDescriptor other;
  other.name = "AGetFirst";
  registry_.AddFunction(other);
  std::vector<const BindingFunctionDescriptor*> functions = registry_.SnapshotFunctions();
  ASSERT_EQ(functions.size(), 2u);
  EXPECT_EQ(functions[0]->name, "GetHarborBuoys");  // registration order
  EXPECT_EQ(functions[0]->description, "");
  EXPECT_EQ(functions[0]->returns.type, registry_.FindType("Buoy"));
  EXPECT_EQ(
      static_cast<const RouteData&>(*registry_.FindFunction("GetHarborBuoys")->extension).path,
      "/harbor/buoys");

  BindingEventDescriptor event;
  event.name = "OnTideTurned";
  event.payload = BindingTypeIdOf<Tide>(registry_);
  EXPECT_TRUE(registry_.AddEvent(event).second);
  EXPECT_FALSE(registry_.AddEvent(event).second);
  ASSERT_EQ(registry_.SnapshotEvents().size(), 1u);
  EXPECT_EQ(registry_.FindEvent("OnTideTurned")->payload.code, BindingTypeCode::kEnum);
}

TEST_F(TypeRegistryTest, ConcurrentLookUpsAgree) {
  const uint32_t tide = TypeKeyOf<Tide>().number();
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        const char* name = registry_.FindEnumValueName(tide, i % 3);
        const char* expected = i % 3 == 0 ? "kLow" : i % 3 == 1 ? "Flood" : "kSlack";
        if (name == nullptr || std::string(name) != expected) ++mismatches[t];
        if (registry_.FindType("Harbor") == nullptr) ++mismatches[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, (std::vector<int>(4, 0)));
}

}  // namespace
}  // namespace tav
