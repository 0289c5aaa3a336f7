#include "plugin/remote_call.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "loaded_plugin.h"

namespace tav {
namespace calls_test {

using test::Thing;
using Strings = std::vector<std::string>;

class RemoteCallTest : public CallsTest {
 protected:
  RemoteCallTest() {
    core.on_request = [this](ResponseRecord* response, const RequestRecord* request) {
      seen_method = request->method;
      seen_arguments = SeenArguments(request);
      seen_host_context = request->host_context;
      answer(response);
    };
  }

  std::function<void(ResponseRecord*)> answer = [](ResponseRecord* response) {
    AnswerJson(response, "null");
  };
  uint32_t seen_method = 0;
  Strings seen_arguments;
  HostContext seen_host_context = 0;
};

TEST(Failure, NamedPlaceholdersAreFilledOnce) {
  const Failure failure =
      Failure::Format("Error response for {method} {url}: {error}",
                      {{"method", "GET"}, {"url", "/x"}, {"error", "Not found {url}"}}, 404);
  EXPECT_EQ(failure.message, "Error response for GET /x: Not found {url}");
  EXPECT_EQ(failure.fields.at("errorCode_int"), "404");

  const Failure unknown = Failure::Format("{missing} and {method} and {", {{"method", "PUT"}});
  EXPECT_EQ(unknown.message, "{missing} and PUT and {");
  EXPECT_EQ(unknown.fields.count("errorCode_int"), 0u);
}

TEST_F(RemoteCallTest, FailedAnswersNameMethodAndUrl) {
  struct Case {
    const char* label;
    std::function<void(ResponseRecord*)> answer;
    const char* message;
    uint32_t status;
  };
  const Case cases[] = {
      {"an error", [](ResponseRecord* r) { AnswerError(r, 404, "Not found"); },
       "Error response for GET /x: Not found", 404},
      // An error text fails the call whatever the status says.
      {"an error with 200", [](ResponseRecord* r) { AnswerError(r, 200, "Busy"); },
       "Error response for GET /x: Busy", 200},
      {"a value of another type", [](ResponseRecord* r) { AnswerJson(r, R"({"id": "seven"})"); },
       "Error converting response for GET /x: "
       "Value seven for 'id' of type int32 is in an incorrect format",
       0},
      {"a value the transfer form does not know",
       [](ResponseRecord* r) {
         BeginFakeResponse(r, 200);
         r->value.kind = 11;
       },
       "Error converting response for GET /x: Couldn't assign value to '<result>' "
       "of type object because the input is of an incompatible type ''.",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    answer = c.answer;
    MaybeType<Failure, Thing> result = module.Call<Thing>(RequestMethod::kGet, "/x");
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure().message, c.message);
    EXPECT_EQ(result.failure().status, c.status);
  }
  EXPECT_EQ(g_responses_released, 4);
}

TEST_F(RemoteCallTest, ArgumentThatDoesNotConvertIsNeverSent) {
  MaybeType<Failure, Empty> result =
      module.Call(RequestMethod::kPut, "/tav-a/v1/put", int32_t{4}, test::Unregistered{});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.failure().message,
            "Request not sent: Error converting parameters for PUT /tav-a/v1/put: "
            "Couldn't convert native value because it's an unregistered structure.");
  EXPECT_EQ(result.failure().status, 400u);
  EXPECT_TRUE(core.request_urls.empty());
}

TEST_F(RemoteCallTest, ArgumentsTravelPositionallyOrByName) {
  answer = [](ResponseRecord* response) { AnswerJson(response, R"({"id": 12, "name": "Ember"})"); };
  MaybeType<Failure, Thing> thing =
      module.Call<Thing>(RequestMethod::kPost, "/tav-a/v1/things", Thing{5, "Frost"},
                         std::string("second"), std::vector<int32_t>{1, 2});
  ASSERT_TRUE(thing.ok()) << thing.failure().message;
  EXPECT_EQ(thing.value().name, "Ember");
  EXPECT_EQ(seen_method, static_cast<uint32_t>(TAV_METHOD_POST));
  EXPECT_EQ(seen_host_context, 0x5EEDu);
  EXPECT_EQ(seen_arguments, (Strings{R"(={"id":5,"name":"Frost"})", R"(="second")", "=[1,2]"}));

  MaybeType<Failure, Empty> named = module.Call(RequestMethod::kPost, "/tav-a/v1/named",
                                                NamedTextArguments{{"zeta", "1"}, {"alpha", "x y"}});
  ASSERT_TRUE(named.ok());
  EXPECT_EQ(seen_arguments, (Strings{R"(alpha="x y")", R"(zeta="1")"}));
}

// --- Streams ---------------------------------------------------------------

// The announced size is the largest there is in every case: it may guide the
// reservation, never decide it.
TEST_F(RemoteCallTest, StreamIsReadInFullBlocksAndYieldsOnlyWhenShortAndUnfinished) {
  const std::string block(4096, ' ');
  struct Case {
    const char* description;
    std::vector<FakeStream::Piece> pieces;
    int expected_yields;
  };
  const std::vector<Case> cases = {
      {"4096, 4096 and 3 bytes", {{block, true}, {block, true}, {"[7]", false}}, 0},
      {"100 bytes with more pending, then the rest", {{block.substr(0, 100), true}, {"[7]"}}, 1},
      {"nothing ready twice, then everything", {{"", true}, {"", true}, {"[7]"}}, 2},
      {"a full block that is also the last", {{block.substr(3) + "[7]", false}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    g_responses_released = g_streams_released = 0;
    core.yield_count = 0;
    core.wait_labels.clear();
    FakeStream stream;
    stream.pieces = c.pieces;
    answer = [&](ResponseRecord* response) {
      AnswerStream(response, &stream, std::numeric_limits<uint64_t>::max());
    };

    MaybeType<Failure, std::vector<int32_t>> result =
        module.Call<std::vector<int32_t>>(RequestMethod::kGet, "/tav-a/v1/stream");
    ASSERT_TRUE(result.ok()) << result.failure().message;
    EXPECT_EQ(result.value(), std::vector<int32_t>{7});
    EXPECT_EQ(stream.asked, std::vector<uint32_t>(c.pieces.size(), 4096u));
    EXPECT_EQ(core.yield_count, c.expected_yields);
    EXPECT_EQ(core.wait_labels, Strings(c.expected_yields, "Wait: yield"));
    EXPECT_EQ(g_streams_released, 1);
    EXPECT_EQ(g_responses_released, 1);
  }
}

// Streams the core describes badly fail the call, and every stream goes back
// to the core, also when the call never reads it.
TEST_F(RemoteCallTest, StreamFailuresAreReportedAndEveryStreamIsReleased) {
  struct Case {
    const char* description;
    std::vector<FakeStream::Piece> pieces;
    const char* error;  // the answer's error text, or null
    const char* message;
  };
  const std::vector<Case> cases = {
      {"not JSON",
       {{"<perks/>", false}},
       nullptr,
       "Error reading streamed response for GET /s: Error: Invalid value. at offset 0."},
      {"a read fails after a first block",
       {{std::string(4096, ' '), true}, {"", true, true}},
       nullptr,
       "Error reading streamed response for GET /s: Stream read error"},
      {"a read reports more bytes than were asked for",
       {{"[1]", false, false, 5000}},
       nullptr,
       "Error reading streamed response for GET /s: Stream read error"},
      {"an error answer with a stream, never read", {}, "Gone", "Error response for GET /s: Gone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    g_responses_released = g_streams_released = 0;
    FakeStream stream;
    stream.pieces = c.pieces;
    answer = [&](ResponseRecord* response) {
      AnswerStream(response, &stream, 0);
      response->error = c.error;
    };
    MaybeType<Failure, BindingProperty> result =
        module.Call<BindingProperty>(RequestMethod::kGet, "/s");
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure().message, c.message);
    EXPECT_EQ(g_streams_released, 1);
    EXPECT_EQ(g_responses_released, 1);
  }

  // A call that wants no value does not read the stream either.
  FakeStream stream;
  answer = [&](ResponseRecord* response) { AnswerStream(response, &stream, 3); };
  EXPECT_TRUE(module.Call(RequestMethod::kPost, "/tav-a/v1/fire").ok());
  EXPECT_TRUE(stream.asked.empty());
  EXPECT_EQ(g_streams_released, 2);
}

}  // namespace calls_test
}  // namespace tav
