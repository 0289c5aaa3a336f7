// The load test of tav-core: 8 HTTP clients at once make 10 000 random page
// operations on one tav-core with the real plugin, then the test checks that
// no page was lost or duplicated, that the settings store holds exactly the
// plugin's pages (over HTTP, and on disk once the program has stopped), and
// that the program stopped cleanly (under AddressSanitizer: without a
// report). It prints the throughput and the p50 and p99 latencies.
//
//   tav_core_load_test [--operations N] [--clients N] [--core PATH] [--seed N]
//
// Each client changes only the pages it created, so that the expected book
// is known exactly; reads and the page order touch everyone's pages.
#include <httplib.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "json_text.h"
#include "tests/host_main/core_process.h"

namespace {

using tav::host::CoreProcess;
using tav::host::JsonText;
using tav::host::TempFolder;
using Clock = std::chrono::steady_clock;

constexpr const char* kPageSettings = "/tav-settings/v2/account/PerksPreferences/page-settings";
constexpr const char* kPerks = "[7101,7104,7107,7110,7204,7208]";
// The whole run stops by itself after this long, whatever is left.
constexpr auto kTimeLimit = std::chrono::minutes(10);

struct Settings {
  int operations = 10000;
  int clients = 8;
  uint32_t seed = 424242;
};

struct Failures {
  std::mutex mutex;
  std::vector<std::string> texts;
  void Add(std::string text) {
    std::lock_guard<std::mutex> lock(mutex);
    if (texts.size() < 50) texts.push_back(std::move(text));
  }
  bool empty() {
    std::lock_guard<std::mutex> lock(mutex);
    return texts.empty();
  }
};

std::string PageBody(const std::string& name, int style = 710, int sub = 720) {
  return R"({"name":")" + name + R"(","primaryStyleId":)" + std::to_string(style) + R"(,"subStyleId":)" +
         std::to_string(sub) + R"(,"selectedPerkIds":)" + kPerks + "}";
}

bool ParseJson(const std::string& text, rapidjson::Document* out) {
  std::string error;
  return tav::host::ParseJsonText(text, out, &error);
}

// One client's pages: id -> the name it last gave the page.
using Book = std::map<int, std::string>;

class Client {
 public:
  Client(int number, int port, uint32_t seed, Failures* failures)
      : number_(number), http_("127.0.0.1", port), random_(seed), failures_(failures) {
    http_.set_keep_alive(true);
    http_.set_tcp_nodelay(true);
    http_.set_read_timeout(std::chrono::seconds(60));
  }

  void Run(std::atomic<int>* remaining, Clock::time_point deadline) {
    while (remaining->fetch_sub(1) > 0 && Clock::now() < deadline) Step();
  }

  const Book& book() const { return book_; }
  const std::vector<double>& latencies() const { return latencies_; }

 private:
  template <typename Send>
  httplib::Result Timed(Send send) {
    const auto start = Clock::now();
    httplib::Result result = send();
    latencies_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    return result;
  }

  void Expect(const httplib::Result& result, std::initializer_list<int> statuses, const std::string& what) {
    if (!result) {
      failures_->Add(what + ": no answer (" + httplib::to_string(result.error()) + ")");
      return;
    }
    for (int status : statuses) {
      if (result->status == status) return;
    }
    failures_->Add(what + ": " + std::to_string(result->status) + " " + result->body.substr(0, 200));
  }

  int OwnPage() {
    auto it = book_.begin();
    std::advance(it, random_() % book_.size());
    return it->first;
  }

  void Step() {
    const int roll = static_cast<int>(random_() % 100);
    const std::string tag = "c" + std::to_string(number_) + "-" + std::to_string(++counter_);
    if (roll < 25 || book_.empty()) return Create(tag);
    if (roll < 40) return Read("/tav-perks/v1/pages");
    if (roll < 50) return Read("/tav-perks/v1/currentpage");
    if (roll < 65) return Rename(tag);
    if (roll < 77) return Delete();
    if (roll < 87) return SetCurrent();
    if (roll < 95) return Reorder();
    return Read("/tav-perks/v1/styles");
  }

  void Create(const std::string& name) {
    httplib::Result result = Timed([&] { return http_.Post("/tav-perks/v1/pages", PageBody(name), "application/json"); });
    // With the book full the plugin refuses with 400 "Max pages reached".
    Expect(result, {200, 400}, "create " + name);
    if (!result || result->status != 200) return;
    rapidjson::Document page;
    if (!ParseJson(result->body, &page) || !page.IsObject() || !page["id"].IsInt()) {
      failures_->Add("create " + name + ": answer without an id: " + result->body.substr(0, 200));
      return;
    }
    if (!book_.emplace(page["id"].GetInt(), name).second) failures_->Add("create " + name + ": id given twice");
  }

  void Read(const char* path) {
    Expect(Timed([&] { return http_.Get(path); }), {200, 404}, std::string("read ") + path);
  }

  void Rename(const std::string& name) {
    const int id = OwnPage();
    httplib::Result result = Timed([&] {
      return http_.Put("/tav-perks/v1/pages/" + std::to_string(id), PageBody(name, 710, 730), "application/json");
    });
    Expect(result, {204}, "rename " + std::to_string(id));
    if (result && result->status == 204) book_[id] = name;
  }

  void Delete() {
    const int id = OwnPage();
    httplib::Result result = Timed([&] { return http_.Delete("/tav-perks/v1/pages/" + std::to_string(id)); });
    Expect(result, {204}, "delete " + std::to_string(id));
    if (result && result->status == 204) book_.erase(id);
  }

  void SetCurrent() {
    const int id = OwnPage();
    Expect(Timed([&] { return http_.Put("/tav-perks/v1/currentpage", std::to_string(id), "application/json"); }),
           {204}, "set current " + std::to_string(id));
  }

  void Reorder() {
    const int target = OwnPage();
    const int destination = OwnPage();
    const int offset = random_() % 2 == 0 ? 1 : -1;
    const std::string body = R"({"targetPageId":)" + std::to_string(target) + R"(,"destinationPageId":)" +
                             std::to_string(destination) + R"(,"offset":)" + std::to_string(offset) + "}";
    Expect(Timed([&] { return http_.Post("/tav-perks/v1/update-page-order", body, "application/json"); }), {204},
           "reorder " + body);
  }

  int number_;
  httplib::Client http_;
  std::mt19937 random_;
  Failures* failures_;
  Book book_;
  int counter_ = 0;
  std::vector<double> latencies_;
};

// "id:name" of the editable pages of a page list, sorted.
std::vector<std::string> PageKeys(const rapidjson::Value& pages) {
  std::vector<std::string> keys;
  if (!pages.IsArray()) return keys;
  for (const auto& page : pages.GetArray()) {
    if (page.HasMember("isEditable") && page["isEditable"].GetBool()) {
      keys.push_back(std::to_string(page["id"].GetInt()) + ":" + page["name"].GetString());
    }
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

// The pages of the player's book in a stored settings document.
std::vector<std::string> StoredKeys(const std::string& text, std::string* problem) {
  rapidjson::Document document;
  if (!ParseJson(text, &document) || !document.IsObject() || !document.HasMember("data")) {
    *problem = "the stored document is not a settings document: " + text.substr(0, 200);
    return {};
  }
  // The book of the player's shard (tav-core's default "TV1"), or the only
  // one while the plugin does not know the shard.
  const auto& books = document["data"]["perShardPerkBooks"];
  if (books.IsObject() && books.HasMember("tv1")) return PageKeys(books["tv1"]["pages"]);
  if (!books.IsObject() || books.MemberCount() != 1) {
    *problem = "expected one book in the stored document: " + JsonText(books).substr(0, 200);
    return {};
  }
  return PageKeys(books.MemberBegin()->value["pages"]);
}

std::string StoredOnDisk(const std::string& path) {
  sqlite3* db = nullptr;
  std::string text;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT value FROM documents WHERE key = 'PerksPreferences/page-settings'", -1,
                           &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return text;
}

std::string Join(const std::vector<std::string>& keys) {
  std::string text;
  for (const std::string& key : keys) text += (text.empty() ? "" : ", ") + key;
  return text;
}

double Percentile(std::vector<double>& values, double fraction) {
  if (values.empty()) return 0;
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
  std::nth_element(values.begin(), values.begin() + static_cast<long>(index), values.end());
  return values[index];
}

bool ReadSettings(int argc, char** argv, Settings* settings) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const long value = std::strtol(argv[i + 1], nullptr, 10);
    if (name == "--operations" && value > 0) {
      settings->operations = static_cast<int>(value);
    } else if (name == "--clients" && value > 0 && value <= 64) {
      settings->clients = static_cast<int>(value);
    } else if (name == "--seed") {
      settings->seed = static_cast<uint32_t>(value);
    } else {
      std::fprintf(stderr, "usage: %s [--operations N] [--clients N] [--seed N]\n", argv[0]);
      return false;
    }
  }
  return (argc % 2) == 1;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (!ReadSettings(argc, argv, &settings)) return 2;
  TempFolder folder;
  const std::string store = folder.Path("settings.sqlite3");
  CoreProcess core({"--port", "0", "--store", store, "--data", TAV_SAMPLE_DATA_DIR, "--quiet", "--owned-pages", "40"},
                   folder);
  if (!core.Start()) {
    std::fprintf(stderr, "tav-core did not start:\n%s%s", core.Stdout().c_str(), core.Stderr().c_str());
    return 1;
  }

  Failures failures;
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < settings.clients; ++i) {
    clients.push_back(std::make_unique<Client>(i, core.port(), settings.seed + static_cast<uint32_t>(i), &failures));
  }
  std::atomic<int> remaining{settings.operations};
  const auto deadline = Clock::now() + kTimeLimit;
  const auto start = Clock::now();
  std::vector<std::thread> threads;
  for (auto& client : clients) threads.emplace_back([&client, &remaining, deadline] { client->Run(&remaining, deadline); });
  for (std::thread& thread : threads) thread.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (remaining.load() > 0) failures.Add("the time limit ended the run early");

  // The expected book: every client's own pages.
  std::vector<std::string> expected;
  std::vector<double> latencies;
  for (const auto& client : clients) {
    for (const auto& [id, name] : client->book()) expected.push_back(std::to_string(id) + ":" + name);
    latencies.insert(latencies.end(), client->latencies().begin(), client->latencies().end());
  }
  std::sort(expected.begin(), expected.end());

  httplib::Client checker("127.0.0.1", core.port());
  checker.set_read_timeout(std::chrono::seconds(60));
  rapidjson::Document pages;
  httplib::Result listed = checker.Get("/tav-perks/v1/pages");
  if (!listed || !ParseJson(listed->body, &pages)) {
    failures.Add("the final page list could not be read");
  } else {
    const std::vector<std::string> served = PageKeys(pages);
    if (std::set<std::string>(served.begin(), served.end()).size() != served.size()) {
      failures.Add("a page is listed twice: " + Join(served));
    }
    if (served != expected) failures.Add("the plugin's pages [" + Join(served) + "] are not the clients' [" + Join(expected) + "]");
  }
  std::string problem;
  httplib::Result stored = checker.Get(kPageSettings);
  const std::vector<std::string> stored_keys = stored ? StoredKeys(stored->body, &problem) : std::vector<std::string>();
  if (!problem.empty()) failures.Add(problem);
  if (stored_keys != expected) failures.Add("the stored pages [" + Join(stored_keys) + "] are not the plugin's");
  rapidjson::Document status;
  httplib::Result status_answer = checker.Get("/tav-core/v1/status");
  if (status_answer && ParseJson(status_answer->body, &status) && status["faults"].GetUint64() != 0) {
    failures.Add("the core saw faults: " + JsonText(status["recentFaults"]));
  }

  const int exit_status = core.Stop();
  const std::string errors = core.Stderr();
  if (exit_status != 0) failures.Add("tav-core exited with " + std::to_string(exit_status));
  if (errors.find("AddressSanitizer") != std::string::npos || errors.find("runtime error") != std::string::npos) {
    failures.Add("sanitizer report:\n" + errors.substr(0, 4000));
  }
  problem.clear();
  const std::vector<std::string> on_disk = StoredKeys(StoredOnDisk(store), &problem);
  if (!problem.empty()) failures.Add("on disk: " + problem);
  if (on_disk != expected) failures.Add("the pages on disk [" + Join(on_disk) + "] are not the plugin's");

  const size_t requests = latencies.size();
  std::printf("load: %zu requests from %d clients in %.2f s: %.0f requests/s; latency p50 %.2f ms, p99 %.2f ms; "
              "%zu pages at the end\n",
              requests, settings.clients, seconds, requests / seconds, Percentile(latencies, 0.50),
              Percentile(latencies, 0.99), expected.size());
  if (!failures.empty()) {
    for (const std::string& text : failures.texts) std::printf("FAILED: %s\n", text.c_str());
    std::printf("0 passed, 1 failed\n");
    return 1;
  }
  std::printf("1 passed, 0 failed\n");
  return 0;
}
