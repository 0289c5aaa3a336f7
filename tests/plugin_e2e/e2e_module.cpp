#include "e2e_module.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "binding/type_registration.h"
#include "log/logger.h"
#include "plugin/response_stream.h"

namespace tav::e2e {

namespace {

// A body handed out in pieces of at most `piece` bytes.
class TextStream : public ResponseStream {
 public:
  TextStream(std::string text, size_t piece) : text_(std::move(text)), piece_(piece) {}

  bool Read(void* buffer, uint32_t* length, bool* more) override {
    const size_t count = std::min<size_t>({*length, piece_, text_.size() - position_});
    std::memcpy(buffer, text_.data() + position_, count);
    position_ += count;
    *length = static_cast<uint32_t>(count);
    *more = position_ < text_.size();
    return true;
  }
  uint64_t size() const override { return text_.size(); }

 private:
  std::string text_;
  size_t piece_;
  size_t position_ = 0;
};

}  // namespace

void E2eModule::RegisterEndpoints() {
  RegisterStruct<Crate>(registry(), api_namespace() + "Crate")
      .Field("name", &Crate::name)
      .Field("count", &Crate::count)
      .Field("tags", &Crate::tags)
      .Commit();
  RegisterStruct<EchoReport>(registry(), api_namespace() + "EchoReport")
      .Field("id", &EchoReport::id)
      .Field("flag", &EchoReport::flag)
      .Field("ids", &EchoReport::ids)
      .Field("label", &EchoReport::label)
      .Field("trace", &EchoReport::trace)
      .Field("limit", &EchoReport::limit)
      .Field("crate", &EchoReport::crate)
      .Field("url", &EchoReport::url)
      .Field("method", &EchoReport::method)
      .Commit();

  Get("/e2e/v1/shelves/{x}", &E2eModule::ShelfItem, PathArg("x"));
  Get("/e2e/v1/shelves/top", &E2eModule::ShelfLiteral);
  Get("/e2e/v1/files/{+rest}", &E2eModule::File, PathArg("rest"));
  Delete("/e2e/v1/boxes/{id}", &E2eModule::DeleteBox, PathArg("id"));
  Delete("/e2e/v1/boxes/{id}/auto-modified-selections", &E2eModule::DeleteBoxMarks, PathArg("id"));
  Post("/e2e/v1/echo/{id}", &E2eModule::Echo, PathArg("id"), QueryArg("flag"), Arg("ids").Optional(),
       Arg("label"), HeaderArg("trace"), QueryArg("limit"), BodyArg("crate"));
  Put("/e2e/v1/crate", &E2eModule::StoreCrate, BodyArg("crate"));
  Get("/e2e/v1/crate/preview", &E2eModule::PreviewCrate, Arg("crate"));
  Post("/e2e/v1/subscriptions", &E2eModule::AddSubscription, QueryArg("path"));
  Delete("/e2e/v1/subscriptions", &E2eModule::RemoveSubscription, QueryArg("path"));
  Get("/e2e/v1/wait/release", &E2eModule::WaitForRelease);
  Post("/e2e/v1/wait/release", &E2eModule::Release, BodyArg("value"));
  Get("/e2e/v1/crates", &E2eModule::MakeCrates, QueryArg("count"));
  Get("/e2e/v1/refusal", &E2eModule::Refuse);
}

MaybeType<Failure, std::string> E2eModule::ShelfItem(std::string x) { return "item " + x; }

MaybeType<Failure, std::string> E2eModule::ShelfLiteral() { return std::string("top shelf"); }

MaybeType<Failure, std::string> E2eModule::File(std::string rest) { return "file " + rest; }

MaybeType<Failure, std::string> E2eModule::DeleteBox(int32_t id) {
  return "box " + std::to_string(id);
}

MaybeType<Failure, std::string> E2eModule::DeleteBoxMarks(int32_t id) {
  return "marks of box " + std::to_string(id);
}

MaybeType<Failure, EchoReport> E2eModule::Echo(const RequestContext& request, int32_t id,
                                               bool flag, std::vector<int32_t> ids,
                                               std::optional<std::string> label,
                                               std::optional<std::string> trace,
                                               std::optional<int32_t> limit,
                                               std::optional<Crate> crate) {
  EchoReport report;
  report.id = id;
  report.flag = flag;
  report.ids = std::move(ids);
  report.label = label.value_or("(none)");
  report.trace = trace.value_or("(none)");
  report.limit = limit.value_or(-1);
  if (crate) report.crate = std::move(*crate);
  report.url = std::string(request.url);
  report.method = std::string(request.method_name);
  return report;
}

MaybeType<Failure, Crate> E2eModule::StoreCrate(Crate crate) { return crate; }

MaybeType<Failure, Crate> E2eModule::PreviewCrate(Crate crate) { return crate; }

MaybeType<Failure, Empty> E2eModule::AddSubscription(std::string path) {
  Subscribe(path);
  return Empty{};
}

MaybeType<Failure, Empty> E2eModule::RemoveSubscription(std::string path) {
  Unsubscribe(path);
  return Empty{};
}

MaybeType<Failure, int32_t> E2eModule::WaitForRelease() {
  release_ = std::promise<MaybeType<Failure, int32_t>>();
  return Await(release_.get_future());
}

MaybeType<Failure, Empty> E2eModule::Release(int32_t value) {
  release_.set_value(value);
  return Empty{};
}

MaybeType<Failure, std::vector<Crate>> E2eModule::MakeCrates(int32_t count) {
  std::vector<Crate> crates(static_cast<size_t>(std::max(count, 0)));
  for (size_t i = 0; i < crates.size(); ++i) {
    crates[i].name = "crate number " + std::to_string(i) + " with a long enough name";
    crates[i].count = static_cast<int32_t>(i);
    crates[i].tags = {"oak", "pine"};
  }
  return crates;
}

MaybeType<Failure, Empty> E2eModule::Refuse() {
  Failure failure("Teapot refuses", 418);
  failure.additional_text = "steeping";
  failure.headers["Retry-After"] = "5";
  failure.headers["X-Brew"] = "oolong";
  failure.stream = std::make_shared<TextStream>("the long story of a refused brew", 7);
  return failure;
}

}  // namespace tav::e2e
