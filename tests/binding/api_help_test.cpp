#include "binding/api_help.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "binding/binding_type_registry.h"
#include "binding/builtin_types.h"
#include "binding/epytext.h"
#include "binding/json_writer.h"
#include "binding/native_conversion.h"
#include "binding/type_registration.h"

namespace tav {
namespace {

// Registered out of numeric order, with two names sharing 0.
enum class Current : int32_t { kLow = 2, kSlack = 0, kHigh = 1 };

struct Shell {
  int32_t id = 0;
};

struct Reef {
  std::string name;
  std::vector<Shell> shells;
  std::optional<int64_t> depth;
  std::map<std::string, Shell> byName;
  int32_t color = 0;
};

class ApiHelpTest : public ::testing::Test {
 protected:
  ApiHelpTest() {
    RegisterBuiltinTypes(registry_);
    RegisterEnum<Current>(registry_, "Current")
        .Description("-1 marks {unknown} currents")
        .Tags({"moon", "sea"})
        .Value("Low", Current::kLow, "Ebb")
        .Value("Slack", Current::kSlack, "Water at rest")
        .Value("High", Current::kHigh)
        .Value("Neap", Current::kSlack)
        .Commit();
    RegisterStruct<Shell>(registry_, "Shell").Field("id", &Shell::id).Commit();
    RegisterStruct<Reef>(registry_, "Reef")
        .Description("A reef {of shells}")
        .Tags({"sea"})
        .Field("name", &Reef::name)
        .Field("shells", &Reef::shells, "The reef's - shells {all}")
        .Field("depth", &Reef::depth)
        .Field("byName", &Reef::byName)
        .Field("color", &Reef::color, "", 0, BindingTypeId{BindingTypeCode::kString})
        .Commit();
  }

  BindingFunctionDescriptor ReefShells() {
    BindingFunctionDescriptor function;
    function.name = "GetReefShells";
    function.description = "-Lists {shells}";
    function.help = "Ask nicely.";
    function.arguments.push_back({"reef", "", BindingTypeIdOf<Reef>(registry_), false});
    function.arguments.push_back(
        {"limit", "At most {n}", BindingTypeIdOf<int32_t>(registry_), true});
    function.arguments.push_back({"current", "", BindingTypeIdOf<Current>(registry_), true});
    function.returns = BindingTypeIdOf<std::vector<Shell>>(registry_);
    function.thread_safe = true;
    function.async = true;
    function.tags = {"reef", "v1"};
    return function;
  }

  const BindingTypeDescriptor& Type(const char* name) {
    const BindingTypeDescriptor* type = registry_.FindType(name);
    EXPECT_NE(type, nullptr) << name;
    return *type;
  }

  BindingTypeRegistry registry_;
};

TEST(EpytextEscape, MinusFirstAndBraces) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"", ""},
      {"-1 tide", "E{-}1 tide"},
      {"--", "E{-}-"},
      {"low-water mark", "low-water mark"},
      {" -x", " -x"},
      {"{a}", "E{lb}aE{rb}"},
      {"}{", "E{rb}E{lb}"},
      {"-{", "E{-}E{lb}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(EscapeEpytext(c.text), c.expected);
  }
}

TEST_F(ApiHelpTest, EpytextOfEnumerationOrdersValuesByNumber) {
  EXPECT_EQ(EpytextOf(Type("Current")),
            "E{-}1 marks E{lb}unknownE{rb} currents\r\n"
            "\r\n"
            "@cvar Neap: (0)\r\n"
            "@cvar Slack: (0) Water at rest\r\n"
            "@cvar High: (1)\r\n"
            "@cvar Low: (2) Ebb\r\n"
            "@tags: moon,sea\r\n"
            "@size: 4\r\n");
}

TEST_F(ApiHelpTest, EpytextOfFunction) {
  EXPECT_EQ(EpytextOf(ReefShells()),
            "E{-}Lists E{lb}shellsE{rb}\r\n"
            "\r\n"
            "Ask nicely.\r\n"
            "\r\n"
            "@type reef: L{Reef}\r\n"
            "@param limit: (optional) At most E{lb}nE{rb}\r\n"
            "@type limit: int32\r\n"
            "@type current: L{Current}\r\n"
            "@rtype: list[L{Shell}]\r\n"
            "@tags: reef,v1\r\n"
            "@threadsafe: true\r\n"
            "@async: list[L{Shell}]\r\n");

  BindingFunctionDescriptor bare;
  bare.name = "Ping";
  EXPECT_EQ(EpytextOf(bare), "");
  bare.help = "Only help.";
  bare.arguments.push_back({"id", "The id", BindingTypeIdOf<uint64_t>(registry_), false});
  EXPECT_EQ(EpytextOf(bare), "Only help.\r\n\r\n@param id: The id\r\n@type id: uint64\r\n");
}

TEST_F(ApiHelpTest, FullHelpOfFunction) {
  BindingResult help = FunctionHelp(registry_, ReefShells(), BindingHelpFormat::Full);
  ASSERT_TRUE(help.ok()) << help.error();
  EXPECT_EQ(WriteJson(help.value()),
            R"({"arguments":[)"
            R"({"description":"","name":"reef","optional":false,)"
            R"("type":{"elementType":"","type":"Reef"}},)"
            R"({"description":"At most {n}","name":"limit","optional":true,)"
            R"("type":{"elementType":"","type":"int32"}},)"
            R"({"description":"","name":"current","optional":true,)"
            R"("type":{"elementType":"","type":"Current"}}],)"
            R"("async":"Shell","description":"-Lists {shells}","help":"Ask nicely.",)"
            R"("name":"GetReefShells","nameSpace":"",)"
            R"("returns":{"elementType":"Shell","type":"vector"},)"
            R"("tags":["reef","v1"],"threadSafe":true})");

  BindingFunctionDescriptor plain = ReefShells();
  plain.async = false;
  plain.returns = {};
  BindingResult plain_help = FunctionHelp(registry_, plain, BindingHelpFormat::Full);
  ASSERT_TRUE(plain_help.ok());
  EXPECT_EQ(plain_help.value()["async"].GetString("?"), "");
  EXPECT_EQ(WriteJson(plain_help.value()["returns"]), R"({"elementType":"","type":""})");
}

TEST_F(ApiHelpTest, TablesAreSortedByName) {
  for (const char* name : {"beta", "Zeta", "alpha", "_under"}) {
    BindingFunctionDescriptor function;
    function.name = name;
    function.description = std::string("About ") + name;
    registry_.AddFunction(std::move(function));
  }
  BindingResult full = ApiHelp(registry_, BindingHelpFormat::Full);
  ASSERT_TRUE(full.ok()) << full.error();
  std::vector<std::string> order;
  for (const BindingProperty& function : full.value()["functions"].Elements()) {
    order.emplace_back(function["name"].GetString());
  }
  EXPECT_EQ(order, (std::vector<std::string>{"Zeta", "_under", "alpha", "beta"}));

  BindingResult epytext = ApiHelp(registry_, BindingHelpFormat::Epytext);
  ASSERT_TRUE(epytext.ok()) << epytext.error();
  EXPECT_EQ(epytext.value()["functions"]["alpha"].GetString(), "About alpha\r\n\r\n");
  EXPECT_EQ(epytext.value()["types"]["Shell"].GetString(), "@ivar id: \r\n@type id: int32\r\n");
  EXPECT_EQ(epytext.value()["events"]["OnCallback"].GetString(),
            "Fired when a callback is invoked.\r\n\r\n@tags: $builtin\r\n");
  EXPECT_EQ(epytext.value()["types"].size(), registry_.SnapshotTypes().size());
}

TEST_F(ApiHelpTest, FailuresAreReported) {
  const auto unknown = static_cast<BindingHelpFormat>(7);
  EXPECT_EQ(ApiHelp(registry_, unknown).error(), "7 is not a valid help format.");
  EXPECT_EQ(TypeHelp(registry_, Type("Shell"), unknown).error(), "7 is not a valid help format.");

  // Without the built-in types the help structures cannot be converted; the
  // epytext format needs none of them.
  BindingTypeRegistry bare;
  RegisterStruct<Shell>(bare, "Shell").Field("id", &Shell::id).Commit();
  EXPECT_EQ(ApiHelp(bare, BindingHelpFormat::Full).error(),
            "Couldn't convert native value because it's an unregistered structure.");
  BindingResult epytext = ApiHelp(bare, BindingHelpFormat::Epytext);
  ASSERT_TRUE(epytext.ok());
  EXPECT_EQ(epytext.value()["types"]["Shell"].GetString(), "@ivar id: \r\n@type id: int32\r\n");
}

}  // namespace
}  // namespace tav
