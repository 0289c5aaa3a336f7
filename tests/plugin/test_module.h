// A small module for unit tests of the frame: the endpoints the dispatch
// tests call, and a switch that makes registration throw.
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
    Get("/test/v1/things/{id}", &TestModule::GetThing, PathArg("id"));
    // Also named GetTestV1ThingsById: a second route of that function.
    Get("/test/v1/things/byId", &TestModule::GetFirstThing);
    Get("/test/v1/things/", &TestModule::ListThings);
    Endpoint(RequestMethod::kNamed, "BREW", "/test/v1/pots/{name}", &TestModule::Brew,
             PathArg("name"));
    Get("/test/v1/context", &TestModule::Context, HeaderArg("mood").Optional());
    Get("/test/v1/unregistered", &TestModule::GetUnregistered);
    Get("/test/v1/throw", &TestModule::Throw);
    Get("/test/v1/ids", &TestModule::Ids, QueryArg("ids"));
    Post("/test/v1/argument", &TestModule::TakeArgument, Arg("id"));
  }

  bool OnInitialize() override {
    ++initialize_calls;
    return true;
  }

  static inline bool throw_while_registering = false;
  int initialize_calls = 0;

 private:
  MaybeType<Failure, Thing> GetThing(int32_t id) {
    if (id == 404) return Failure::NotFound("No such thing");
    return Thing{id, "thing " + std::to_string(id)};
  }
  MaybeType<Failure, Thing> GetFirstThing() { return Thing{1, "first"}; }
  MaybeType<Failure, std::vector<Thing>> ListThings() {
    return std::vector<Thing>{{1, "one"}, {2, "two"}};
  }
  MaybeType<Failure, std::string> Brew(std::string name) { return "brewing " + name; }
  // The request as the handler sees it: host context, method, URL, the mood
  // header's argument, arrival, and the headers sorted.
  MaybeType<Failure, std::string> Context(const RequestContext& request,
                                          std::optional<std::string> mood) {
    std::vector<std::string> headers;
    for (const auto& [name, value] : *request.headers) headers.push_back(name + "=" + value);
    std::sort(headers.begin(), headers.end());
    std::string text = std::to_string(request.host_context) + " " +
                       std::string(request.method_name) + " " + std::string(request.url) +
                       " mood:" + mood.value_or("") +
                       (request.arrival_ticks != 0 ? " arrived" : "");
    for (const std::string& header : headers) text += " " + header;
    return text;
  }
  MaybeType<Failure, Unregistered> GetUnregistered() { return Unregistered{1}; }
  MaybeType<Failure, Empty> Throw() { throw 7; }
  MaybeType<Failure, std::vector<int32_t>> Ids(std::vector<int32_t> ids) { return ids; }
  MaybeType<Failure, int32_t> TakeArgument(int32_t id) { return id; }
};

}  // namespace tav::test

#endif  // TAV_TESTS_PLUGIN_TEST_MODULE_H_
