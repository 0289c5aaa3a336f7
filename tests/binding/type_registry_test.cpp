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

}  // namespace
}  // namespace tav
