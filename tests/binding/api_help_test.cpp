// The API help (epytext and full) and the packed description records built
// from one registry.
#include "binding/api_help.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "binding/api_description_tables.h"
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
  int32_t length = 0;
  std::vector<Shell> shells;
  std::optional<std::string> name;
  std::map<std::string, Current> currents;
  std::vector<int32_t> marks;
  uint64_t sand = 0;
};

// Members of the packed records may sit at any address, and gtest binds its
// arguments to references: compare copies.
template <class T>
T Copy(T value) {
  return value;
}

// Walks a record list through its next links.
template <class Record>
std::vector<const Record*> Walk(const Record* first) {
  std::vector<const Record*> records;
  for (const Record* record = first; record != nullptr; record = record->next) {
    records.push_back(record);
  }
  return records;
}

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
        .NameSpace("sea")
        .Tags({"sea", "coral"})
        .Field("length", &Reef::length, "Metres")
        .Field("shells", &Reef::shells, "The reef's - shells {all}")
        .Field("name", &Reef::name)
        .Field("currents", &Reef::currents)
        .Field("marks", &Reef::marks)
        .Field("sand", &Reef::sand, "", 0,
               BindingTypeId{BindingTypeCode::kVector, BindingTypeCode::kStruct,
                             registry_.FindType("Shell")})
        .Commit();
    registry_.AddFunction(ReefShells());
    BindingEventDescriptor washed;
    washed.name = "OnShellWashed";
    washed.payload = BindingTypeIdOf<Shell>(registry_);
    registry_.AddEvent(std::move(washed));
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

// Enumeration values come in order of their numbers, fields in their order.
TEST_F(ApiHelpTest, EpytextOfTypes) {
  EXPECT_EQ(EpytextOf(Type("Current")),
            "E{-}1 marks E{lb}unknownE{rb} currents\r\n"
            "\r\n"
            "@cvar Neap: (0)\r\n"
            "@cvar Slack: (0) Water at rest\r\n"
            "@cvar High: (1)\r\n"
            "@cvar Low: (2) Ebb\r\n"
            "@tags: moon,sea\r\n"
            "@size: 4\r\n");
  // Field descriptions are written as given, unescaped.
  EXPECT_EQ(EpytextOf(Type("Reef")),
            "A reef E{lb}of shellsE{rb}\r\n"
            "\r\n"
            "@ivar length: Metres\r\n"
            "@type length: int32\r\n"
            "@ivar shells: The reef's - shells {all}\r\n"
            "@type shells: list[L{Shell}]\r\n"
            "@ivar name: \r\n"
            "@type name: string\r\n"
            "@ivar currents: \r\n"
            "@type currents: dict[L{Current}]\r\n"
            "@ivar marks: \r\n"
            "@type marks: list[int32]\r\n"
            "@ivar sand: \r\n"
            "@type sand: list[L{Shell}]\r\n"
            "@tags: sea,coral\r\n");
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
  EXPECT_EQ(order, (std::vector<std::string>{"GetReefShells", "Zeta", "_under", "alpha", "beta"}));

  BindingResult epytext = ApiHelp(registry_, BindingHelpFormat::Epytext);
  ASSERT_TRUE(epytext.ok()) << epytext.error();
  EXPECT_EQ(epytext.value()["functions"]["alpha"].GetString(), "About alpha\r\n\r\n");
  EXPECT_EQ(epytext.value()["types"]["Shell"].GetString(), "@ivar id: \r\n@type id: int32\r\n");
  EXPECT_EQ(epytext.value()["events"]["OnCallback"].GetString(),
            "Fired when a callback is invoked.\r\n\r\n@tags: $builtin\r\n");
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

// The records of each list sit in one array, chained in order, and end in a
// null link; the function chain is checked through the plugin frame.
TEST_F(ApiHelpTest, RecordListsAreChainedArrays) {
  ApiDescriptionTables tables(registry_);
  const PluginApiDescription words = tables.Words();
  const auto types = Walk(words.types);
  ASSERT_EQ(Copy(words.type_count), registry_.SnapshotTypes().size());
  ASSERT_EQ(types.size(), registry_.SnapshotTypes().size());
  for (size_t i = 0; i < types.size(); ++i) EXPECT_EQ(types[i], words.types + i);

  const auto events = Walk(words.events);
  ASSERT_EQ(Copy(words.event_count), 2u);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1], words.events + 1);
  EXPECT_STREQ(events[0]->payload_type_name, "BindingCallbackEvent");
  EXPECT_STREQ(events[1]->payload_type_name, "Shell");
}

TEST_F(ApiHelpTest, FieldRecordsDescribeTypes) {
  ApiDescriptionTables tables(registry_);
  const TypeRecord* reef = nullptr;
  for (const TypeRecord* type : Walk(tables.Words().types)) {
    if (std::strcmp(type->name, "Reef") == 0) reef = type;
  }
  ASSERT_NE(reef, nullptr);
  EXPECT_STREQ(reef->name_space, "sea");
  EXPECT_STREQ(reef->description, "A reef {of shells}");
  ASSERT_EQ(Copy(reef->tag_count), 2u);
  EXPECT_STREQ(reef->tags[0], "sea");
  EXPECT_STREQ(reef->tags[1], "coral");
  EXPECT_EQ(Copy(reef->enum_values), nullptr);

  const auto fields = Walk(reef->fields);
  ASSERT_EQ(fields.size(), 6u);
  const Reef probe;
  const auto offset_of = [&probe](const void* member) {
    return std::to_string(static_cast<const char*>(member) - reinterpret_cast<const char*>(&probe));
  };
  // Name, type code, element type code, type name, offset, optional.
  const std::string rows[] = {
      "length 6 0  " + offset_of(&probe.length) + " 0",
      "shells 15 17 Shell " + offset_of(&probe.shells) + " 0",
      "name 12 0  " + offset_of(&probe.name) + " 1",
      "currents 19 16 Current " + offset_of(&probe.currents) + " 0",
      "marks 15 6  " + offset_of(&probe.marks) + " 0",
      // The declared type replaces uint64.
      "sand 15 17 Shell " + offset_of(&probe.sand) + " 0",
  };
  for (size_t i = 0; i < fields.size(); ++i) {
    const FieldRecord* field = fields[i];
    EXPECT_EQ(std::string(field->name) + " " + std::to_string(field->type_code) + " " +
                  std::to_string(field->element_type_code) + " " + field->type_name + " " +
                  std::to_string(field->offset) + " " + std::to_string(field->optional),
              rows[i]);
  }
  EXPECT_STREQ(fields[0]->description, "Metres");
  EXPECT_STREQ(fields[2]->description, "");
}

TEST_F(ApiHelpTest, CopyKeepsTheTargetsLinkAndDispatchContext) {
  ApiDescriptionTables tables(registry_);
  FunctionRecord records[2] = {};
  LinkFunctionRecords(records, 2);
  int context = 0;
  records[0].description.dispatch_context = &context;

  ASSERT_TRUE(tables.CopyFunctionDescription("GetReefShells", records[0]));
  ASSERT_TRUE(tables.CopyFunctionDescription("GetReefShells", records[1]));
  EXPECT_EQ(Copy(records[0].description.next), &records[1]);
  EXPECT_EQ(Copy(records[1].description.next), nullptr);
  EXPECT_EQ(Copy(records[0].description.dispatch_context), &context);
  EXPECT_STREQ(records[0].description.name, "GetReefShells");
  EXPECT_STREQ(records[0].description.async_type_name, "Shell");
  EXPECT_EQ(Copy(records[1].description.argument_count), 3u);
  EXPECT_STREQ(records[1].description.arguments->next->name, "limit");

  FunctionRecord untouched = {};
  EXPECT_FALSE(tables.CopyFunctionDescription("Missing", untouched));
  EXPECT_EQ(Copy(untouched.description.name), nullptr);
}

}  // namespace
}  // namespace tav
