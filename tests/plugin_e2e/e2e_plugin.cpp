// The end-to-end test plugin: the library's frame objects with a small module
// in place of the perks module. Its endpoints bind every part of a request,
// build many structures, and refuse with headers and a streamed body.
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "binding/type_registration.h"
#include "plugin/app_module.h"
#include "plugin/plugin_host.h"
#include "plugin/request_context.h"
#include "plugin/response_stream.h"
#include "tav/plugin_abi.h"

namespace tav::e2e {
namespace {

struct Crate {
  std::string name;
  int32_t count = 0;
  std::vector<std::string> tags;
};

// A body handed out in pieces of at most 7 bytes.
class TextStream : public ResponseStream {
 public:
  explicit TextStream(std::string text) : text_(std::move(text)) {}

  bool Read(void* buffer, uint32_t* length, bool* more) override {
    const size_t count = std::min<size_t>({*length, 7, text_.size() - position_});
    std::memcpy(buffer, text_.data() + position_, count);
    position_ += count;
    *length = static_cast<uint32_t>(count);
    *more = position_ < text_.size();
    return true;
  }
  uint64_t size() const override { return text_.size(); }

 private:
  std::string text_;
  size_t position_ = 0;
};

class E2eModule : public AppModule {
 public:
  void RegisterEndpoints() override {
    RegisterStruct<Crate>(registry(), api_namespace() + "Crate")
        .Field("name", &Crate::name)
        .Field("count", &Crate::count)
        .Field("tags", &Crate::tags)
        .Commit();
    Post("/e2e/v1/echo/{id}", &E2eModule::Echo, PathArg("id"), QueryArg("flag"),
         Arg("ids").Optional(), Arg("label"), HeaderArg("trace"), QueryArg("limit"),
         BodyArg("crate"));
    Put("/e2e/v1/crate", &E2eModule::StoreCrate, BodyArg("crate"));
    Get("/e2e/v1/crates", &E2eModule::MakeCrates, QueryArg("count"));
    Get("/e2e/v1/refusal", &E2eModule::Refuse);
  }

 private:
  // Every argument as a text, then the method and URL the handler saw.
  MaybeType<Failure, std::vector<std::string>> Echo(const RequestContext& request, int32_t id,
                                                    bool flag, std::vector<int32_t> ids,
                                                    std::optional<std::string> label,
                                                    std::optional<std::string> trace,
                                                    std::optional<int32_t> limit,
                                                    std::optional<Crate> crate) {
    std::string id_list;
    for (int32_t each : ids) id_list += std::to_string(each) + " ";
    std::string crate_text = "(none)";
    if (crate)
      crate_text = crate->name + " " + std::to_string(crate->count) + " " + crate->tags.at(0);
    return std::vector<std::string>{std::to_string(id),
                                    flag ? "true" : "false",
                                    id_list,
                                    label.value_or("(none)"),
                                    trace.value_or("(none)"),
                                    std::to_string(limit.value_or(-1)),
                                    crate_text,
                                    std::string(request.method_name),
                                    std::string(request.url)};
  }

  MaybeType<Failure, Crate> StoreCrate(Crate crate) { return crate; }

  MaybeType<Failure, std::vector<Crate>> MakeCrates(int32_t count) {
    std::vector<Crate> crates(static_cast<size_t>(std::max(count, 0)));
    for (size_t i = 0; i < crates.size(); ++i) {
      crates[i] = Crate{"crate number " + std::to_string(i) + " with a long enough name",
                        static_cast<int32_t>(i),
                        {"oak", "pine"}};
    }
    return crates;
  }

  MaybeType<Failure, Empty> Refuse() {
    Failure failure("Teapot refuses", 418);
    failure.additional_text = "steeping";
    failure.headers["Retry-After"] = "5";
    failure.headers["X-Brew"] = "oolong";
    failure.stream = std::make_shared<TextStream>("the long story of a refused brew");
    return failure;
  }
};

}  // namespace
}  // namespace tav::e2e

extern "C" __attribute__((visibility("default"))) void load_tav_perks(PluginHostInfo* info) {
  tav::LoadPlugin<tav::e2e::E2eModule>(info, "tav-e2e");
}
