// A small module for unit tests of the frame: a few endpoints of each kind,
// plus switches that tests flip to see what the frame does with them.
#ifndef TAV_TESTS_PLUGIN_TEST_MODULE_H_
#define TAV_TESTS_PLUGIN_TEST_MODULE_H_

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "binding/type_registration.h"
#include "plugin/app_module.h"
#include "plugin/request_context.h"

namespace tav::test {

struct Thing {
  int32_t id = 0;
  std::string name;
};

struct ContextReport {
  uint64_t hostContext = 0;
  std::string url;
  std::string method;
  std::vector<std::string> headers;  // "name=value", sorted
  std::string mood;
  bool arrived = false;
};

struct Unregistered {
  int32_t x = 0;
};

class TestModule : public AppModule {
 public:
  void RegisterEndpoints() override {
    if (throw_while_registering) throw std::runtime_error("registration broke");
    RegisterStruct<Thing>(registry(), api_namespace() + "Thing")
        .Field("id", &Thing::id)
        .Field("name", &Thing::name)
        .Commit();
    RegisterStruct<ContextReport>(registry(), api_namespace() + "ContextReport")
        .Field("hostContext", &ContextReport::hostContext)
        .Field("url", &ContextReport::url)
        .Field("method", &ContextReport::method)
        .Field("headers", &ContextReport::headers)
        .Field("mood", &ContextReport::mood)
        .Field("arrived", &ContextReport::arrived)
        .Commit();
    Get("/test/v1/things/{id}", &TestModule::GetThing, PathArg("id"));
    Get("/test/v1/things/", &TestModule::ListThings);
    Endpoint(RequestMethod::kNamed, "BREW", "/test/v1/pots/{name}", &TestModule::Brew,
             PathArg("name"));
    Get("/test/v1/context", &TestModule::Context, HeaderArg("mood").Optional());
    Get("/test/v1/unregistered", &TestModule::GetUnregistered);
    Get("/test/v1/throw", &TestModule::Throw);
    Get("/test/v1/failure", &TestModule::Fail);
    Get("/test/v1/ids", &TestModule::Ids, QueryArg("ids"));
    Post("/test/v1/argument", &TestModule::TakeArgument, Arg("id"));
    Patch("/test/v1/things/{id}", &TestModule::RenameThing, PathArg("id"), BodyArg("name"));
  }

  bool OnInitialize() override {
    ++initialize_calls;
    return initialize_result;
  }

  static inline bool throw_while_registering = false;
  bool initialize_result = true;
  int initialize_calls = 0;

 private:
  MaybeType<Failure, Thing> GetThing(int32_t id) {
    if (id == 404) return Failure::NotFound("No such thing");
    return Thing{id, "thing " + std::to_string(id)};
  }
  MaybeType<Failure, std::vector<Thing>> ListThings() const {
    return std::vector<Thing>{{1, "one"}, {2, "two"}};
  }
  MaybeType<Failure, std::string> Brew(std::string name) { return "brewing " + name; }
  MaybeType<Failure, ContextReport> Context(const RequestContext& request,
                                            std::optional<std::string> mood) {
    ContextReport report;
    report.hostContext = request.host_context;
    report.url = std::string(request.url);
    report.method = std::string(request.method_name);
    for (const auto& [name, value] : *request.headers) report.headers.push_back(name + "=" + value);
    std::sort(report.headers.begin(), report.headers.end());
    report.mood = mood.value_or("");
    report.arrived = request.arrival_ticks != 0;
    return report;
  }
  MaybeType<Failure, Unregistered> GetUnregistered() { return Unregistered{1}; }
  MaybeType<Failure, Empty> Throw() { throw 7; }
  MaybeType<Failure, Empty> Fail() {
    Failure failure = Failure::InternalServerError();
    failure.additional_text = "see log";
    failure.headers["X-One"] = "1";
    failure.headers["X-Two"] = "2";
    return failure;
  }
  MaybeType<Failure, std::vector<int32_t>> Ids(std::vector<int32_t> ids) { return ids; }
  MaybeType<Failure, int32_t> TakeArgument(int32_t id) { return id; }
  MaybeType<Failure, Thing> RenameThing(int32_t id, std::string name) { return Thing{id, name}; }
};

}  // namespace tav::test

#endif  // TAV_TESTS_PLUGIN_TEST_MODULE_H_
