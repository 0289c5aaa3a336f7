// The load sequence and the entry points, driven in-process the way the core
// drives them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "fake_core.h"
#include "loaded_plugin.h"
#include "log/logger.h"
#include "plugin/plugin_log_target.h"
#include "runtime/heap.h"
#include "test_module.h"

namespace tav {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::MatchesRegex;
using test::TestModule;

TEST(PluginHost, LoadAnswersWithThePluginsVersionNamesAndEntryPoints) {
  LoadedPlugin<TestModule> plugin("tav-test", 18, 5, 0);
  ASSERT_TRUE(plugin.loaded());
  const PluginHostInfo& info = plugin.info();
  EXPECT_EQ(info.major, 18u);
  EXPECT_EQ(info.minor, 0u);
  EXPECT_EQ(info.patch, 0u);
  EXPECT_STREQ(info.short_name, "tav-test");
  ASSERT_NE(info.entry_table->Initialize, nullptr);
  ASSERT_NE(info.entry_table->Shutdown, nullptr);
  ASSERT_NE(info.entry_table->GetMemoryStatistics, nullptr);

  TestModule& module = plugin.module();
  EXPECT_EQ(module.identity().full_name, "oxp-be-tav-test");
  EXPECT_EQ(module.identity().type, "backend");
  EXPECT_EQ(module.api_namespace(), "TavTest");
  EXPECT_THAT(module.log_groups(), ElementsAre("Plugins", "Plugin tav-test"));
  EXPECT_EQ(module.core_version().ToText(), "18.5.0");
  const PluginApiDescription* api_description = info.api_description;  // a packed field
  EXPECT_EQ(&module.api_description(), api_description);
}

TEST(PluginHost, FunctionRecordsAreLinkedAndCarryTheirRoutes) {
  LoadedPlugin<TestModule> plugin;
  const PluginApiDescription& api = *plugin.info().api_description;
  ASSERT_EQ(api.function_count, 10u);
  std::vector<std::string> routes;
  for (uint32_t i = 0; i < api.function_count; ++i) {
    const FunctionRecord& record = api.functions[i];
    SCOPED_TRACE(record.description.name);
    // Packed fields are copied out before they are compared.
    const FunctionRecord* next = record.description.next;
    const void* dispatch_context = record.description.dispatch_context;
    const DispatchFn dispatch = record.dispatch;
    EXPECT_EQ(next, i + 1 < api.function_count ? &api.functions[i + 1] : nullptr);
    EXPECT_NE(dispatch_context, nullptr);
    EXPECT_NE(dispatch, nullptr);
    EXPECT_STREQ(record.description.name_space, "TavTest");
    routes.push_back(std::string(record.description.name) + " " +
                     std::to_string(record.route_method) + " " + record.route_template);
  }
  EXPECT_THAT(routes, ElementsAre("GetTestV1ThingsById 2 /test/v1/things/{id}",
                                  "GetTestV1Things 2 /test/v1/things",
                                  "BrewTestV1PotsByName 8 /test/v1/pots/{name}",
                                  "GetTestV1Context 2 /test/v1/context",
                                  "GetTestV1Unregistered 2 /test/v1/unregistered",
                                  "GetTestV1Throw 2 /test/v1/throw",
                                  "GetTestV1Failure 2 /test/v1/failure",
                                  "GetTestV1Ids 2 /test/v1/ids",
                                  "PostTestV1Argument 6 /test/v1/argument",
                                  "PatchTestV1ThingsById 5 /test/v1/things/{id}"));
  EXPECT_GT(api.type_count, 7u);   // built-in and core types, and the module's two
  EXPECT_GE(api.event_count, 5u);  // the core's five events at least
}

TEST(PluginHost, LoadThatThrowsLeavesTheAnswerUnsetAndLogs) {
  TestModule::throw_while_registering = true;
  LoadedPlugin<TestModule> plugin;
  TestModule::throw_while_registering = false;
  EXPECT_FALSE(plugin.loaded());
  const void* module = plugin.info().module;  // packed fields, copied out
  const PluginApiDescription* api_description = plugin.info().api_description;
  EXPECT_EQ(module, nullptr);
  EXPECT_EQ(api_description, nullptr);
  EXPECT_EQ(plugin.info().major, 18u);  // the core's own words stay
}

TEST(PluginHost, InitializeKeepsTheCoreAndRegistersTheServiceProxyEvents) {
  FakeCore core;
  LoadedPlugin<TestModule> plugin("tav-test", 18, 5, 0);
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
              ::testing::UnorderedElementsAre("OnServiceProxyUuidEvent", "OnServiceProxyMethodEvent",
                                              "OnServiceProxyAsyncEvent"));
}

TEST(PluginHost, LogLinesGoToTheCoreWhileTheModuleLives) {
  AcquireLogger();
  ASSERT_TRUE(GetStdErrLogTarget()->IsRegistered());
  {
    FakeCore core;
    LoadedPlugin<TestModule> plugin;
    ASSERT_TRUE(plugin.Initialize(core));
    LogTarget* target = FindLogTarget(kPluginLogTargetName);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->GetTemplate(), "#D| #L| #G| #M");
    EXPECT_FALSE(GetStdErrLogTarget()->IsRegistered());

    // A second module in the process uses the target that is there.
    FakeCore second_core;
    LoadedPlugin<TestModule> second;
    ASSERT_TRUE(second.Initialize(second_core));
    EXPECT_EQ(FindLogTarget(kPluginLogTargetName), target);

    LogWarning("%s has %d leaves", "the oak", 12);
    ASSERT_EQ(core.logs.size(), 1u);
    EXPECT_EQ(core.logs[0].level, 1);
    EXPECT_THAT(core.logs[0].text,
                MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}"
                             "\\|   WARN\\| DBG\\| the oak has 12 leaves"));
    EXPECT_TRUE(second_core.logs.empty());
  }
  EXPECT_EQ(FindLogTarget(kPluginLogTargetName), nullptr);
  EXPECT_TRUE(GetStdErrLogTarget()->IsRegistered());
  ReleaseLogger();
}

TEST(PluginHost, MemoryStatisticsReportTheHeapCounters) {
  LoadedPlugin<TestModule> plugin;
  MemoryStatistics before;
  std::memset(&before, 0xFF, sizeof(before));
  plugin.info().entry_table->GetMemoryStatistics(plugin.info().module, &before);
  EXPECT_EQ(before.reserved0, 0u);
  EXPECT_EQ(before.reserved1, 0u);

  void* block = HeapAllocate(1000);
  HeapFree(block);
  MemoryStatistics after;
  plugin.info().entry_table->GetMemoryStatistics(plugin.info().module, &after);
  EXPECT_EQ(after.allocation_count, before.allocation_count + 1);
  EXPECT_EQ(after.free_count, before.free_count + 1);
  EXPECT_GE(after.total_bytes_allocated - before.total_bytes_allocated, 1000u);
  EXPECT_EQ(after.total_bytes_freed - before.total_bytes_freed,
            after.total_bytes_allocated - before.total_bytes_allocated);
  plugin.info().entry_table->GetMemoryStatistics(plugin.info().module, nullptr);  // ignored
}

TEST(PluginHost, WordsThatAreNotLiveModulesAreRefused) {
  FakeCore core;
  PluginInitArgs args = core.InitArgs();
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

TEST(PluginHostDeathTest, IncompatibleCoreEndsTheProcessBeforeAnythingIsWritten) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(LoadedPlugin<TestModule>("tav-test", 17, 99, 0),
               "Expression: ALE-EECF0606.*Description: tav-test which supports plugin API "
               "18\\.0\\.0 is not compatible with core's plugin API 17\\.99\\.0");
}

}  // namespace
}  // namespace tav
