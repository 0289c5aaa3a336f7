// tav-core as a program: started on a free port with a temporary store and
// driven over HTTP with a real client. The fake plugin shows the queue to
// the core thread, the event stream and requests framed by hand; the real
// plugin shows a session and its log, the store surviving a restart or a
// crash, and bad bodies refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <mutex>
#include <regex>

#include "tests/host_main/core_process.h"

namespace tav::host {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr const char* kPageSettings = "/tav-settings/v2/account/PerksPreferences/page-settings";
constexpr const char* kTempestPerks = "[7101,7104,7107,7110,7204,7208]";

std::string PageJson(const std::string& name) {
  return R"({"name":")" + name + R"(","primaryStyleId":710,"subStyleId":720,"selectedPerkIds":)" + kTempestPerks + "}";
}

class TavCoreTest : public ::testing::Test {
 protected:
  // A core on a free port, with --quiet unless the test clears `quiet_`.
  std::unique_ptr<CoreProcess> StartCore(const char* plugin, std::vector<std::string> more = {},
                                         std::string name = "core", bool watch_events = true) {
    std::vector<std::string> arguments = {"--port",   "0",
                                          "--store",  folder_.Path("settings.sqlite3"),
                                          "--data",   TAV_SAMPLE_DATA_DIR,
                                          "--plugin", plugin};
    if (quiet_) arguments.push_back("--quiet");
    arguments.insert(arguments.end(), more.begin(), more.end());
    auto core = std::make_unique<CoreProcess>(arguments, folder_, name);
    core->WatchEvents(watch_events);
    EXPECT_TRUE(core->Start()) << core->Stdout() << core->Stderr();
    return core;
  }
  static std::unique_ptr<httplib::Client> ClientOf(CoreProcess& core) {
    auto client = std::make_unique<httplib::Client>("127.0.0.1", core.port());
    client->set_read_timeout(std::chrono::seconds(60));
    client->set_tcp_nodelay(true);
    core.Watch(*client);
    return client;
  }
  static std::string Summary(const httplib::Result& result) {
    if (!result) return "no answer: " + httplib::to_string(result.error());
    return std::to_string(result->status) + " " + result->body;
  }
  static rapidjson::Document Json(const httplib::Result& result) {
    rapidjson::Document value;
    std::string error;
    if (!result || !ParseJsonText(result->body, &value, &error)) ADD_FAILURE() << Summary(result) << error;
    return value;
  }
  static std::vector<std::string> StoredPages(const std::string& text) {
    std::string problem;
    std::vector<std::string> pages = StoredPageKeys(text, &problem);
    EXPECT_EQ(problem, "");
    return pages;
  }
  // Whether the plugin follows `event_name` (its subscription shows in the status).
  static bool PluginFollows(httplib::Client& client, const std::string& event_name) {
    rapidjson::Document status = Json(client.Get("/tav-core/v1/status"));
    for (const auto& name : status["subscriptions"].GetArray()) {
      if (event_name == name.GetString()) return true;
    }
    return false;
  }
  static int Faults(httplib::Client& client) { return Json(client.Get("/tav-core/v1/status"))["faults"].GetInt(); }

  TempFolder folder_;
  bool quiet_ = true;
};

// --- The queue to the core thread and the event stream (fake plugin) ---------------

TEST_F(TavCoreTest, RequestsArrivingWhileAHandlerWaitsAreServedInItsYields) {
  auto core = StartCore(TAV_FAKE_PLUGIN_PATH);
  auto waiting = ClientOf(*core);
  auto quick = ClientOf(*core);
  std::atomic<bool> wait_done{false};
  std::string wait_answer;
  std::thread waiter([&] {
    // 1500 yields, each waiting up to 2 ms for work: three seconds when
    // nothing else comes.
    wait_answer = Summary(waiting->Post("/fake/v1/actions/wait?count=1500", "", "application/json"));
    wait_done.store(true);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  std::vector<std::string> answers;
  for (int i = 0; i < 3; ++i) answers.push_back(Summary(quick->Get("/fake/v1/items/" + std::to_string(i))));
  const bool served_during_the_wait = !wait_done.load();
  waiter.join();
  EXPECT_TRUE(served_during_the_wait) << "the quick requests waited for the slow one";
  EXPECT_EQ(answers[2], R"(200 {"function":"GetItem","url":"/fake/v1/items/2"})");
  EXPECT_EQ(wait_answer, "200 1500");
  // Every call into the plugin came from the core thread.
  EXPECT_EQ(Faults(*quick), 0);
  EXPECT_EQ(core->Stop(), 0) << core->Stderr();
}

// Readers of /events, each on a thread of its own, keeping what arrives.
class EventReaders {
 public:
  EventReaders(int port, const std::vector<std::string>& targets) : texts_(targets.size()) {
    for (size_t i = 0; i < targets.size(); ++i) {
      threads_.emplace_back([this, port, i, target = targets[i]] {
        httplib::Client client("127.0.0.1", port);
        client.Get(target.c_str(), [this, i](const char* data, size_t length) {
          std::lock_guard<std::mutex> lock(mutex_);
          texts_[i].append(data, length);
          return true;
        });
      });
    }
  }
  ~EventReaders() {
    for (std::thread& thread : threads_) thread.join();
  }

  std::string Text(size_t i) {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_[i];
  }
  // Whether every reader has received `part` within five seconds.
  bool AllGot(const std::string& part) {
    for (size_t i = 0; i < texts_.size(); ++i) {
      int tries = 0;
      while (Text(i).find(part) == std::string::npos) {
        if (++tries > 500) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    return true;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> texts_;
  std::vector<std::thread> threads_;
};

TEST_F(TavCoreTest, EventsStreamWhatThePluginSendsToAtMost16Readers) {
  auto core = StartCore(TAV_FAKE_PLUGIN_PATH, {}, "core", /*watch_events=*/false);
  std::vector<std::string> targets(16, "/events");
  targets[1] = "/events?name=OnJsonApiEvent";
  {
    EventReaders readers(core->port(), targets);
    ASSERT_TRUE(readers.AllGot(": tav-core events\n\n"));
    // Each stream holds a worker thread: one more would leave fewer for requests.
    auto client = ClientOf(*core);
    EXPECT_EQ(Summary(client->Get("/events")), R"(503 {"error":"Too many event streams"})");

    EXPECT_EQ(Summary(client->Post("/fake/v1/actions/send-event?name=OnFakeSignal&payload=ready",
                                   "", "")),
              "204 ");
    EXPECT_EQ(Summary(client->Post("/fake/v1/actions/send-event?name=OnJsonApiEvent_fake&payload=7",
                                   "", "")),
              "204 ");
    ASSERT_TRUE(readers.AllGot("event: OnJsonApiEvent_fake"));
    EXPECT_THAT(readers.Text(0), HasSubstr("\nevent: OnFakeSignal\ndata: \"ready\"\n\n"));
    EXPECT_THAT(readers.Text(0), HasSubstr("\nevent: OnJsonApiEvent_fake\ndata: 7\n\n"));
    EXPECT_THAT(readers.Text(1), Not(HasSubstr("OnFakeSignal")));
    // Stopping ends the open streams; the program still exits cleanly.
    EXPECT_EQ(core->Stop(), 0) << core->Stderr();
  }
}

TEST_F(TavCoreTest, ANewReaderGetsTheRecentEventsAndAReconnectingOneWhatCameAfterItsId) {
  auto core = StartCore(TAV_FAKE_PLUGIN_PATH);
  auto client = ClientOf(*core);
  for (const char* payload : {"1", "2", "3"}) {
    ASSERT_EQ(Summary(client->Post(std::string("/fake/v1/actions/send-event?name=OnFakeTick&payload=") + payload,
                                   "", "")),
              "204 ");
  }
  // The frames a reader gets until it has `count` of them: "<id> <data>".
  auto read = [&](const std::string& target, const httplib::Headers& headers, size_t count) {
    std::vector<std::string> frames;
    std::string buffer;
    ClientOf(*core)->Get(target, headers, [&](const char* data, size_t length) {
      buffer.append(data, length);
      static const std::regex kFrame("id: ([0-9]+)\nevent: OnFakeTick\ndata: ([^\n]*)\n\n");
      frames.clear();
      for (std::sregex_iterator it(buffer.begin(), buffer.end(), kFrame), end; it != end; ++it) {
        frames.push_back((*it)[1].str() + " " + (*it)[2].str());
      }
      return frames.size() < count;
    });
    return frames;
  };
  const std::vector<std::string> replayed = read("/events?replay=1", {}, 3);
  ASSERT_EQ(replayed.size(), 3u);
  const uint64_t first = std::stoull(replayed[0]);
  EXPECT_THAT(replayed, ::testing::ElementsAre(std::to_string(first) + " 1", std::to_string(first + 1) + " 2",
                                               std::to_string(first + 2) + " 3"));
  EXPECT_THAT(read("/events?replay=1", {{"Last-Event-ID", std::to_string(first)}}, 1),
              ::testing::ElementsAre(std::to_string(first + 1) + " 2"));
  const rapidjson::Document status = Json(client->Get("/tav-core/v1/status"));
  EXPECT_EQ(status["events"]["lastId"].GetUint64(), first + 2);
  EXPECT_EQ(status["events"]["keptFrames"].GetUint64(), 3u);
  EXPECT_EQ(core->Stop(), 0) << core->Stderr();
}

// Sends `request` as it is on a connection of its own, and `then` a moment
// later when there is one, and gives what comes back until the server
// closes it, or until nothing has come for two seconds.
std::string RawExchange(int port, const std::string& request, const std::string& then = "",
                        time_t wait_seconds = 2) {
  const int connection = socket(AF_INET, SOCK_STREAM, 0);
  timeval timeout{wait_seconds, 0};
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string received;
  const ssize_t size = static_cast<ssize_t>(request.size());
  if (connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      send(connection, request.data(), request.size(), MSG_NOSIGNAL) == size) {
    if (!then.empty()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      send(connection, then.data(), then.size(), MSG_NOSIGNAL);
    }
    char chunk[4096];
    for (ssize_t got; (got = recv(connection, chunk, sizeof(chunk), 0)) > 0;) {
      received.append(chunk, static_cast<size_t>(got));
    }
  }
  close(connection);
  return received;
}

TEST_F(TavCoreTest, AWriteWithoutALengthHasAnEmptyBodyAndIsAnsweredAtOnce) {
  auto core = StartCore(TAV_FAKE_PLUGIN_PATH);
  struct Case {
    const char* method;
    const char* framing;
    const char* body;
    const char* body_seen;
  };
  const Case cases[] = {
      {"POST", "", "", ""},
      {"PUT", "", "", ""},
      {"PATCH", "", "", ""},
      {"DELETE", "", "", ""},
      {"POST", "Transfer-Encoding: chunked\r\n", "2\r\nab\r\n1\r\nc\r\n0\r\n\r\n", "abc"},
      {"PUT", "Content-Length: 2\r\n", "xy", "xy"},
  };
  // The plugin's echo of a request names the body it was given.
  static const std::regex kEcho(R"re(^HTTP/1\.1 200 [\s\S]*"body":"([^"]*)")re");
  for (const Case& c : cases) {
    const std::string request = std::string(c.method) +
                                " /fake/v1/echo HTTP/1.1\r\nConnection: close\r\n" + c.framing +
                                "\r\n" + c.body;
    const std::string answer = RawExchange(core->port(), request);
    std::smatch echo;
    ASSERT_TRUE(std::regex_search(answer, echo, kEcho)) << request << "\n---\n" << answer;
    EXPECT_EQ(echo[1], c.body_seen);
  }
  EXPECT_EQ(core->Stop(), 0) << core->Stderr();
}

// --- The real plugin ----------------------------------------------------------------

TEST_F(TavCoreTest, ASessionIsStoredAndLoggedAndTheStoreSurvivesARestart) {
  quiet_ = false;
  auto core = StartCore(TAV_PERKS_PLUGIN_PATH);
  auto client = ClientOf(*core);
  EXPECT_EQ(Json(client->Get("/tav-perks/v1/styles")).Size(), 5u);

  // One page in each body format the plugin reads.
  const httplib::Result json = client->Post("/tav-perks/v1/pages", PageJson("Gale"), "application/json");
  const httplib::Result yaml = client->Post(
      "/tav-perks/v1/pages",
      "name: Ridge\nprimaryStyleId: 710\nsubStyleId: 720\nselectedPerkIds: " + std::string(kTempestPerks) + "\n",
      "application/x-yaml");
  const httplib::Result msgpack =
      client->Post("/tav-perks/v1/pages",
                   "\x84\xa4name\xa4Tide\xaeprimaryStyleId\xcd\x02\xc6\xaasubStyleId\xcd\x02\xd0"
                   "\xafselectedPerkIds"
                   "\x96\xcd\x1b\xbd\xcd\x1b\xc0\xcd\x1b\xc3\xcd\x1b\xc6\xcd\x1c$\xcd\x1c(",
                   "application/x-msgpack");
  for (const httplib::Result* created : {&json, &yaml, &msgpack}) ASSERT_EQ((*created)->status, 200) << Summary(*created);
  const int ridge = Json(yaml)["id"].GetInt();
  EXPECT_EQ(Summary(client->Put("/tav-perks/v1/currentpage", std::to_string(ridge), "application/json")), "204 ");
  EXPECT_EQ(Json(client->Get("/tav-perks/v1/currentpage"))["name"], "Ridge");

  const std::vector<std::string> pages = EditablePageKeys(Json(client->Get("/tav-perks/v1/pages")));
  ASSERT_EQ(pages.size(), 3u);
  const httplib::Result stored = client->Get(kPageSettings);
  EXPECT_EQ(StoredPages(stored->body), pages);
  rapidjson::Document status = Json(client->Get("/tav-core/v1/status"));
  EXPECT_EQ(status["faults"].GetInt(), 0);
  // The plugin counts its own heap: the book it holds is in use.
  EXPECT_GT(status["plugin"]["memory"]["bytesInUse"].GetUint64(), 0u);
  EXPECT_EQ(JsonText(status["store"]["documents"]), R"(["PerksPreferences/page-settings"])");
  EXPECT_EQ(core->Stop(), 0) << core->Stderr();
  // A line for each request, and the plugin's lines, all in the debug category.
  EXPECT_THAT(core->Stderr(),
              ContainsRegex("\ntav-core: PUT /tav-perks/v1/currentpage 204 [0-9]+ ms\n"));
  EXPECT_THAT(core->Stderr(), HasSubstr("| DBG| "));

  // On disk once the program is gone, and served again after a restart.
  EXPECT_EQ(StoredDocumentOnDisk(folder_.Path("settings.sqlite3")), stored->body);
  auto again = StartCore(TAV_PERKS_PLUGIN_PATH, {"--hide-plugin-debug"}, "again");
  EXPECT_EQ(Summary(ClientOf(*again)->Get(kPageSettings)), "200 " + stored->body);
  EXPECT_EQ(again->Stop(), 0) << again->Stderr();
  EXPECT_THAT(again->Stderr(),
              ContainsRegex("(^|\n)tav-core: GET /tav-settings/[^ ]+/page-settings 200 [0-9]+ ms\n"));
  EXPECT_THAT(again->Stderr(), Not(HasSubstr("| DBG| ")));
}

TEST_F(TavCoreTest, ACrashLosesNothingAlreadyStored) {
  auto core = StartCore(TAV_PERKS_PLUGIN_PATH);
  auto client = ClientOf(*core);
  std::vector<int> ids;
  for (const char* name : {"Gale", "Ridge"}) {
    httplib::Result created = client->Post("/tav-perks/v1/pages", PageJson(name), "application/json");
    ASSERT_EQ(created->status, 200) << Summary(created);
    ids.push_back(Json(created)["id"].GetInt());
  }
  // Renames keep coming while the program is killed: "Gust 0", "Gust 1", ...
  std::atomic<bool> stop{false};
  std::atomic<int> sent{0};
  std::thread writer([&] {
    auto own = ClientOf(*core);
    while (!stop.load()) {
      const int i = sent++;
      const std::string page = "/tav-perks/v1/pages/" + std::to_string(ids[i % 2]);
      if (!own->Put(page, PageJson("Gust " + std::to_string(i)), "application/json")) break;
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  core->Kill();
  stop.store(true);
  writer.join();

  auto again = StartCore(TAV_PERKS_PLUGIN_PATH, {}, "again");
  const std::string document = ClientOf(*again)->Get(kPageSettings)->body;
  const std::vector<std::string> stored = StoredPages(document);
  ASSERT_EQ(stored.size(), 2u) << document;
  for (const std::string& page : stored) {
    const std::string id = page.substr(0, page.find(':'));
    EXPECT_TRUE(id == std::to_string(ids[0]) || id == std::to_string(ids[1])) << page;
    const std::string name = page.substr(page.find(':') + 1);
    const bool renamed = name.rfind("Gust ", 0) == 0 && std::stoi(name.substr(5)) < sent.load();
    EXPECT_TRUE(name == "Gale" || name == "Ridge" || renamed) << page;
  }
  EXPECT_EQ(again->Stop(), 0) << again->Stderr();
}

TEST_F(TavCoreTest, BadBodiesGetThePluginsMessageAndChangeNothing) {
  auto core = StartCore(TAV_PERKS_PLUGIN_PATH);
  auto client = ClientOf(*core);
  ASSERT_EQ(client->Post("/tav-perks/v1/pages", PageJson("Gale"), "application/json")->status, 200);
  const std::string pages = client->Get("/tav-perks/v1/pages")->body;
  const std::string stored = client->Get(kPageSettings)->body;
  const uint64_t commits = Json(client->Get("/tav-core/v1/status"))["store"]["commits"].GetUint64();

  std::string bomb = "a: &a [x, x, x, x, x, x, x, x, x]\n";
  for (char level = 'b'; level <= 'j'; ++level) {
    std::string previous(1, static_cast<char>(level - 1));
    bomb += std::string(1, level) + ": &" + level + " [";
    for (int i = 0; i < 9; ++i) bomb += (i ? ", *" : "*") + previous;
    bomb += "]\n";
  }
  struct Case {
    const char* label;
    std::string body;
    const char* type;
    std::string expected;
  };
  const std::string deserialize = "Couldn't deserialize JSON value for parameter 'page' of 'PostTavPerksV1Pages': ";
  const Case cases[] = {
      {"invalid JSON", R"({"name":)", "application/json",
       deserialize + "Error: Invalid value. at offset 8."},
      {"100 000 nested brackets", std::string(100000, '[') + std::string(100000, ']'),
       "application/json",
       deserialize + "Error: The document is nested deeper than 512 levels. at offset 512."},
      {"a YAML alias bomb", bomb, "application/x-yaml",
       "Couldn't deserialize YAML value for parameter 'page' of 'PostTavPerksV1Pages': "
       "YAML aliases expand to more than 65536 values. At line: 5 col: 36"},
      {"a number too large for any type", R"({"name":"x","primaryStyleId":1e400})",
       "application/json",
       deserialize + "Error: Number too big to be stored in double. at offset 29."},
      {"a text for a number", R"({"name":"x","primaryStyleId":"Tempest"})", "application/json",
       "Value Tempest for 'primaryStyleId' of type int32 is in an incorrect format"},
      {"a number out of range", R"({"name":"x","primaryStyleId":99999999999999999999999})",
       "application/json", "Value 1e+23 for 'primaryStyleId' of type int32 is out of range"},
      {"a list for a text", R"({"name":["Gale"]})", "application/json",
       "Couldn't assign value to 'name' because the input is not a string."},
      {"an unknown content type", PageJson("Plain"), "text/plain", "Unsupported body content type"},
      {"a body over 16 MiB", std::string((16u << 20) + 1, ' '), "application/json",
       "Request body too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    httplib::Result answer = client->Post("/tav-perks/v1/pages", c.body, c.type);
    ASSERT_TRUE(answer) << httplib::to_string(answer.error());
    EXPECT_GE(answer->status, 400);
    EXPECT_LT(answer->status, 500);
    rapidjson::Document error = Json(answer);
    EXPECT_EQ(error.IsObject() && error.HasMember("error") ? error["error"].GetString() : answer->body, c.expected);
  }
  EXPECT_EQ(Summary(client->Put("/tav-perks/v1/currentpage", "99999999999", "application/json")),
            R"(400 {"error":"Value 99999999999 for 'id' of type int32 is out of range"})");
  // A length past 4 GiB is refused as well, at either width: taken into a
  // 32-bit size it would be the two bytes that follow, a page to create. The
  // answer comes once tav-core's read of the rest times out (5 s).
  EXPECT_THAT(RawExchange(core->port(),
                          "POST /tav-perks/v1/pages HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                          "Content-Type: application/json\r\nContent-Length: 4294967298\r\n\r\n{}",
                          "", 10),
              StartsWith("HTTP/1.1 413 "));
  EXPECT_EQ(client->Get("/tav-perks/v1/pages")->body, pages);
  EXPECT_EQ(client->Get(kPageSettings)->body, stored);
  EXPECT_EQ(Json(client->Get("/tav-core/v1/status"))["store"]["commits"].GetUint64(), commits);
  EXPECT_EQ(Faults(*client), 0);
  EXPECT_EQ(core->Stop(), 0) << core->Stderr();
}

TEST_F(TavCoreTest, AChampionSelectDrivenOverHttp) {
  auto core = StartCore(TAV_PERKS_PLUGIN_PATH, {"--level", "30"});
  auto client = ClientOf(*core);
  // Logged in, the plugin follows the gameflow and champion select.
  EXPECT_TRUE(PluginFollows(*client, "OnJsonApiEvent_tav-gameflow_v1_session"));
  EXPECT_TRUE(PluginFollows(*client, "OnJsonApiEvent_tav-champ-select_v1_session"));
  httplib::Result created = client->Post("/tav-perks/v1/pages", PageJson("Gale"), "application/json");
  ASSERT_EQ(created->status, 200) << Summary(created);
  const int id = Json(created)["id"].GetInt();
  ASSERT_EQ(Summary(client->Put("/tav-perks/v1/currentpage", std::to_string(id), "application/json")), "204 ");

  ASSERT_EQ(Summary(client->Put("/tav-gameflow/v1/session",
                                R"({"phase":"ChampSelect","gameData":{"queue":{"id":420},"isCustomGame":false,)"
                                R"("gameId":5550001}})",
                                "application/json")),
            "204 ");
  ASSERT_EQ(Summary(client->Put("/tav-champ-select/v1/session",
                                R"({"localPlayerCellId":1,"myTeam":[{"cellId":1,"championId":107}],)"
                                R"("timer":{"phase":"FINALIZATION"}})",
                                "application/json")),
            "204 ");
  // The pushes reach the game customization service, and the page is active.
  rapidjson::Document service;
  for (int i = 0; i < 200; ++i) {
    service = Json(client->Get("/tav-core/v1/game-customization"));
    if (service["pushes"].Size() > 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GT(service["pushes"].Size(), 0u);
  const auto& push = service["pushes"][service["pushes"].Size() - 1];
  EXPECT_TRUE(push["accepted"].GetBool()) << JsonText(push);
  EXPECT_EQ(JsonText(push["content"]["content"]["perkIds"]), kTempestPerks) << JsonText(service);
  EXPECT_EQ(push["content"]["queueType"].GetInt(), 420);
  EXPECT_TRUE(Json(client->Get("/tav-perks/v1/pages/" + std::to_string(id)))["isActive"].GetBool());

  // Leaving champion select ends it; the page stays current.
  ASSERT_EQ(Summary(client->Put("/tav-gameflow/v1/session",
                                R"({"phase":"InProgress","gameData":{"queue":{"id":420},"gameId":5550001}})",
                                "application/json")),
            "204 ");
  EXPECT_EQ(Json(client->Get("/tav-perks/v1/currentpage"))["id"].GetInt(), id);
  EXPECT_EQ(Faults(*client), 0);
  EXPECT_EQ(core->Stop(), 0) << core->Stderr();
}

// --- Who may call: the Host and Origin checks, private files ------------------------

TEST_F(TavCoreTest, OnlyItsOwnHostNamesAndAllowedOriginsReachIt) {
  auto core = StartCore(TAV_PERKS_PLUGIN_PATH, {"--allow-host", "devbox.test", "--allow-origin", "http://localhost:5173"});
  auto client = ClientOf(*core);
  const std::string port = std::to_string(core->port());
  const std::string pages = "200 " + client->Get("/tav-perks/v1/pages")->body;
  const std::string stored = "200 " + client->Get(kPageSettings)->body;
  const std::string evil_host = R"(403 {"error":"Host name 'evil.example' is not allowed; )"
                                R"(start tav-core with --allow-host evil.example to allow it"})";
  const std::string evil_origin = R"(403 {"error":"Origin 'http://evil.example' is not allowed; )"
                                  R"(start tav-core with --allow-origin http://evil.example to allow it"})";
  const std::string dev = "http://localhost:5173";
  struct Case {
    const char* label;
    const char* method;
    const char* path;
    httplib::Headers headers;
    std::string answer;          // the status and the start of the body
    httplib::Headers cors = {};  // headers the answer has; without any, no CORS header
  };
  const Case cases[] = {
      {"a rebound host name", "GET", "/tav-perks/v1/pages", {{"Host", "Evil.Example:" + port}}, evil_host},
      {"its own name on another port", "GET", "/", {{"Host", "localhost:5173"}},
       R"(403 {"error":"Host 'localhost:5173' names another port than tav-core's )" + port},
      {"no host at all", "GET", "/", {{"Host", "127.0.0.1:x"}}, R"(403 {"error":"Host '127.0.0.1:x' is not a valid)"},
      {"a foreign page's write", "POST", "/tav-perks/v1/pages", {{"Origin", "http://evil.example"}}, evil_origin},
      {"a foreign page's store reset", "DELETE", "/tav-core/v1/store", {{"Origin", "http://evil.example"}}, evil_origin},
      {"a foreign page's event stream", "GET", "/events", {{"Origin", "http://evil.example"}}, evil_origin},
      {"a page of its host on another port", "POST", "/tav-perks/v1/pages", {{"Origin", "http://127.0.0.1:5173"}},
       R"(403 {"error":"Origin 'http://127.0.0.1:5173' is not allowed; )"},
      {"a sandboxed page", "PUT", "/tav-perks/v1/currentpage", {{"Origin", "null"}},
       R"(403 {"error":"Origin 'null' is not allowed; --allow-origin allows only origins such as )"},
      // Nothing refused changed anything.
      {"curl", "GET", "/tav-perks/v1/pages", {}, pages},
      {"the store", "GET", kPageSettings, {}, stored},
      {"an allowed host name", "GET", "/tav-perks/v1/pages", {{"Host", "DevBox.test:" + port}}, pages},
      {"the IPv6 loopback without a port", "GET", "/tav-perks/v1/pages", {{"Host", "[::1]"}}, pages},
      {"the allowed page's preflight", "OPTIONS", "/tav-perks/v1/pages",
       {{"Origin", dev}, {"Access-Control-Request-Method", "POST"}, {"Access-Control-Request-Headers", "content-type"}},
       "204 ", {{"Access-Control-Allow-Origin", dev}, {"Access-Control-Max-Age", "600"}}},
      {"the allowed page's write", "POST", "/tav-perks/v1/pages", {{"Origin", dev}}, "200 {",
       {{"Access-Control-Allow-Origin", dev}, {"Vary", "Origin"}}},
      {"the workbench's own write", "POST", "/tav-perks/v1/pages", {{"Origin", "http://localhost:" + port}}, "200 {"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    httplib::Request request;
    request.method = c.method;
    request.path = c.path;
    request.headers = c.headers;
    if (request.method == "POST") {
      request.body = PageJson(c.label);
      request.set_header("Content-Type", "application/json");
    }
    const httplib::Result answer = client->send(request);
    EXPECT_EQ(Summary(answer).substr(0, c.answer.size()), c.answer);
    for (const auto& [name, value] : c.cors) EXPECT_EQ(answer ? answer->get_header_value(name) : "", value) << name;
    if (c.cors.empty() && answer) {
      EXPECT_FALSE(answer->has_header("Access-Control-Allow-Origin"));
    }
  }
  // A refused request's body is not read: the connection closes rather
  // than take that body, once it comes, for a request of tav-core's own.
  // (The server library never reads the body of an OPTIONS.)
  const std::string inner = "DELETE /tav-core/v1/store HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  for (const std::string method : {"POST", "OPTIONS"}) {
    const std::string head = method + " / HTTP/1.1\r\nHost: evil.example\r\nContent-Length: " +
                             std::to_string(inner.size()) + "\r\n\r\n";
    const std::string answer = RawExchange(core->port(), head, inner);
    EXPECT_EQ(answer.substr(0, 13) + answer.substr(answer.find("\r\n\r\n") + 4), "HTTP/1.1 403 " + evil_host.substr(4));
  }
  EXPECT_EQ(StoredPages(client->Get(kPageSettings)->body).size(), 2u);
  EXPECT_EQ(core->Stop(), 0) << core->Stderr();
}

TEST_F(TavCoreTest, ItsFilesAreItsUsersAloneUnlessTheUserOpensThemUp) {
  const std::string home = folder_.Path("xdg/tav-core");
  const char* const files[] = {"", "/settings.sqlite3", "/settings.sqlite3-wal", "/settings.sqlite3-shm",
                               "/telemetry.jsonl"};
  const std::vector<unsigned> made = {0700, 0600, 0600, 0600, 0600};
  const std::vector<unsigned> opened_up = {0750, 0640, 0640, 0640, 0644};
  for (const std::vector<unsigned>* expected : {&made, &opened_up}) {
    CoreProcess core({"--port", "0", "--data", TAV_SAMPLE_DATA_DIR, "--plugin", TAV_PERKS_PLUGIN_PATH}, folder_);
    core.SetEnvironment("XDG_DATA_HOME", folder_.Path("xdg"));
    ASSERT_TRUE(core.Start()) << core.Stderr();
    std::vector<unsigned> modes;
    for (const char* file : files) modes.push_back(static_cast<unsigned>(std::filesystem::status(home + file).permissions()));
    EXPECT_THAT(modes, ::testing::ElementsAreArray(*expected));
    EXPECT_EQ(core.Stop(), 0) << core.Stderr();
    for (size_t i : {0, 1, 4}) std::filesystem::permissions(home + files[i], std::filesystem::perms(opened_up[i]));
  }
}

// --- Start-up failures ---------------------------------------------------------------

TEST_F(TavCoreTest, StartUpFailuresAreClearAndNonZero) {
  // A port that is taken by another tav-core: the two must not share it.
  auto first = StartCore(TAV_FAKE_PLUGIN_PATH);
  const std::string taken = std::to_string(first->port());

  const std::string bad_data = folder_.Path("bad-data");
  std::filesystem::create_directory(bad_data);
  std::filesystem::copy_file(std::string(TAV_SAMPLE_DATA_DIR) + "/perks.json", bad_data + "/perks.json");
  std::ofstream(bad_data + "/perkstyles.json") << "[{\"id\": 710,";
  std::ofstream(folder_.Path("a-file")) << "x";

  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    int status;
    std::string message;
  };
  const std::string store = folder_.Path("s.sqlite3");
  const Case cases[] = {
      {"a port in use", {"--port", taken, "--store", store},
       1, "tav-core: port " + taken + " is in use\n"},
      {"a missing data folder", {"--port", "0", "--store", store, "--data", folder_.Path("nowhere")},
       1, "tav-core: cannot read the game data: " + folder_.Path("nowhere") + "/perks.json: No such file or directory\n"},
      {"a data file that is not JSON", {"--port", "0", "--store", store, "--data", bad_data},
       1, "tav-core: cannot read the game data: " + bad_data + "/perkstyles.json: not JSON: "
          "Missing a name for object member. at offset 12\n"},
      {"a store below a file", {"--port", "0", "--store", folder_.Path("a-file/s.sqlite3")},
       1, "tav-core: cannot open the settings store: " + folder_.Path("a-file") + ": Not a directory\n"},
      {"a plugin that is not there", {"--port", "0", "--store", store, "--plugin", folder_.Path("libnone.so")},
       1, "tav-core: cannot load the plugin " + folder_.Path("libnone.so") + ": "},
      {"a mistake on the command line", {"--port", "http"},
       2, "tav-core: --port needs a number from 0 to 65535, not 'http'\nTry 'tav-core --help'.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CoreProcess core(c.arguments, folder_, "failing");
    ASSERT_TRUE(core.Spawn());
    EXPECT_EQ(core.WaitExit(), c.status);
    EXPECT_EQ(core.Stderr().substr(0, c.message.size()), c.message);
    EXPECT_EQ(core.Stdout(), "");
  }
  EXPECT_EQ(first->Stop(), 0) << first->Stderr();

  CoreProcess help({"--help"}, folder_, "help");
  ASSERT_TRUE(help.Spawn());
  EXPECT_EQ(help.WaitExit(), 0);
  EXPECT_THAT(help.Stdout(), HasSubstr("--owned-pages N"));
}

}  // namespace
}  // namespace tav::host
