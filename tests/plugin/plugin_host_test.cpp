// The load sequence and the entry points, driven in-process the way the core
// drives them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "loaded_plugin.h"
#include "test_module.h"

namespace tav {
namespace {

using test::TestModule;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

TEST(PluginHost, LoadAnswersWithThePluginsVersionNamesAndEntryPoints) {
  LoadedPlugin<TestModule> plugin("tav-test", 5);
  ASSERT_TRUE(plugin.loaded());
  const PluginHostInfo& info = plugin.info();
  EXPECT_EQ(info.minor, 0u);  // the plugin's own version replaces the core's
  EXPECT_STREQ(info.short_name, "tav-test");
  TestModule& module = plugin.module();
  EXPECT_EQ(module.identity().full_name, "oxp-be-tav-test");
  EXPECT_EQ(module.identity().type, "backend");
  EXPECT_EQ(module.api_namespace(), "TavTest");
  EXPECT_THAT(module.log_groups(), ElementsAre("Plugins", "Plugin tav-test"));
  EXPECT_EQ(module.core_version().ToText(), "18.5.0");
}

TEST(PluginHost, FunctionRecordsAreLinkedAndCarryTheirRoutes) {
  LoadedPlugin<TestModule> plugin;
  const PluginApiDescription& api = *plugin.info().api_description;
  std::vector<std::string> routes;
  for (uint32_t i = 0; i < api.function_count; ++i) {
    const FunctionRecord& record = api.functions[i];
    SCOPED_TRACE(record.description.name);
    const FunctionRecord* next = record.description.next;  // packed: copied out first
    EXPECT_EQ(next, i + 1 < api.function_count ? &api.functions[i + 1] : nullptr);
    EXPECT_STREQ(record.description.name_space, "TavTest");
    routes.push_back(std::string(record.description.name) + " " +
                     std::to_string(record.route_method) + " " + record.route_template);
  }
  EXPECT_THAT(routes, ElementsAre("GetTestV1ThingsById 2 /test/v1/things/{id}",
                                  "GetTestV1Things 2 /test/v1/things",
                                  "BrewTestV1PotsByName 8 /test/v1/pots/{name}",
                                  "GetTestV1Context 2 /test/v1/context",
                                  "GetTestV1Unregistered 2 /test/v1/unregistered",
                                  "GetTestV1Throw 2 /test/v1/throw", "GetTestV1Ids 2 /test/v1/ids",
                                  "PostTestV1Argument 6 /test/v1/argument"));
}

TEST(PluginHost, LoadThatThrowsLeavesTheAnswerUnset) {
  TestModule::throw_while_registering = true;
  LoadedPlugin<TestModule> plugin;
  TestModule::throw_while_registering = false;
  EXPECT_FALSE(plugin.loaded());
  const void* module = plugin.info().module;  // packed: copied out first
  EXPECT_EQ(module, nullptr);
  EXPECT_EQ(plugin.info().major, 18u);  // the core's own words stay
}

TEST(PluginHost, InitializeRegistersTheServiceProxyEventsAndShutdownRemovesThem) {
  FakeCore core;
  LoadedPlugin<TestModule> plugin("tav-test", 5);
  ASSERT_TRUE(plugin.Initialize(core, 0xABC));
  TestModule& module = plugin.module();
  EXPECT_EQ(module.user_agent(), "VexaClient/18.5.0 (tav-test)");
  EXPECT_EQ(module.host_context(), 0xABCu);
  EXPECT_EQ(module.initialize_calls, 1);
  std::vector<std::string> names;
  for (const FakeCore::Registration& registration : core.registrations) {
    EXPECT_EQ(registration.flag, 1u);
    EXPECT_EQ(registration.host_context, 0xABCu);
    EXPECT_EQ(registration.context, &module);
    names.push_back(registration.name);
  }
  EXPECT_THAT(names, ElementsAre("OnServiceProxyUuidEvent", "OnServiceProxyMethodEvent",
                                 "OnServiceProxyAsyncEvent"));

  plugin.Shutdown();
  EXPECT_TRUE(core.registrations.empty());
  EXPECT_THAT(core.unregistrations,
              UnorderedElementsAre("OnServiceProxyUuidEvent", "OnServiceProxyMethodEvent",
                                   "OnServiceProxyAsyncEvent"));
}

TEST(PluginHost, WordsThatAreNotLiveModulesAreRefused) {
  FakeCore core;
  PluginInitArgs args{&core.interface, 0x5EED};
  LoadedPlugin<TestModule> plugin;
  // The table lives in the module; a core that keeps using it after
  // Shutdown holds its own copy.
  const PluginEntryTable entry = *plugin.info().entry_table;
  void* module = plugin.info().module;
  plugin.Shutdown();

  entry.Shutdown(module);  // a second Shutdown finds nothing to free
  EXPECT_EQ(entry.Initialize(module, &args), 0u);
  int not_a_module = 0;
  EXPECT_EQ(entry.Initialize(&not_a_module, &args), 0u);
  CoreEvent late{"OnServiceProxyUuidEvent", {}, 0, module};
  PluginHost::EventCallback(&late);  // dropped
  EXPECT_TRUE(core.registrations.empty());
}

}  // namespace
}  // namespace tav
