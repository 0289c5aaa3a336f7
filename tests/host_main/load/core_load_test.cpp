// The load test of tav-core: 8 HTTP clients at once make 10 000 random page
// operations on one tav-core with the real plugin, then the test checks that
// no page was lost or duplicated, that the settings store holds exactly the
// plugin's pages (over HTTP, and on disk once the program has stopped), and
// that the program stopped cleanly (under the sanitizers: without a report).
// It prints the throughput and the p50 and p99 latencies.
//
//   tav_core_load_test [--operations N] [--clients N] [--seed N]
//
// Each client changes only the pages it created, so that the expected book
// is known exactly; reads and the page order touch everyone's pages.
#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>
#include <set>

#include "tests/host_main/core_process.h"

namespace {

using namespace tav::host;
using Clock = std::chrono::steady_clock;

// The whole run stops by itself after this long, whatever is left.
constexpr auto kTimeLimit = std::chrono::minutes(10);

std::mutex g_failures_mutex;
std::vector<std::string> g_failures;

void Fail(std::string text) {
  std::lock_guard<std::mutex> lock(g_failures_mutex);
  if (g_failures.size() < 50) g_failures.push_back(std::move(text));
}

std::string PageBody(const std::string& name, int sub_style) {
  return R"({"name":")" + name + R"(","primaryStyleId":710,"subStyleId":)" +
         std::to_string(sub_style) + R"(,"selectedPerkIds":[7101,7104,7107,7110,7204,7208]})";
}

class Client {
 public:
  Client(int number, CoreProcess& core, uint32_t seed)
      : number_(number), http_("127.0.0.1", core.port()), random_(seed) {
    core.Watch(http_);
    http_.set_keep_alive(true);
    http_.set_tcp_nodelay(true);
    http_.set_read_timeout(std::chrono::seconds(60));
  }

  void Run(std::atomic<int>* remaining, Clock::time_point deadline) {
    while (remaining->fetch_sub(1) > 0 && Clock::now() < deadline) Step();
  }

  // The client's pages: id -> the name it last gave the page.
  const std::map<int, std::string>& book() const { return book_; }
  const std::vector<double>& latencies() const { return latencies_; }

 private:
  void Step() {
    const int roll = static_cast<int>(random_() % 100);
    const std::string name = "c" + std::to_string(number_) + "-" + std::to_string(++counter_);
    if (roll < 25 || book_.empty()) return Create(name);
    const int id = OwnPage();
    const std::string id_text = std::to_string(id);
    const std::string page = "/tav-perks/v1/pages/" + id_text;
    if (roll < 40) {
      Send("GET", "/tav-perks/v1/pages", "", {200});
    } else if (roll < 50) {
      Send("GET", "/tav-perks/v1/currentpage", "", {200, 404});
    } else if (roll < 65) {
      if (Send("PUT", page, PageBody(name, 730), {204})) book_[id] = name;
    } else if (roll < 77) {
      if (Send("DELETE", page, "", {204})) book_.erase(id);
    } else if (roll < 87) {
      Send("PUT", "/tav-perks/v1/currentpage", id_text, {204});
    } else if (roll < 95) {
      const std::string order = R"({"targetPageId":)" + id_text + R"(,"destinationPageId":)" +
                                std::to_string(OwnPage()) + R"(,"offset":)" +
                                (random_() % 2 ? "1" : "-1") + "}";
      Send("POST", "/tav-perks/v1/update-page-order", order, {204});
    } else {
      Send("GET", "/tav-perks/v1/styles", "", {200});
    }
  }

  void Create(const std::string& name) {
    // With the book full the plugin refuses with 400 "Max pages reached".
    if (Send("POST", "/tav-perks/v1/pages", PageBody(name, 720), {200, 400}) != 200) return;
    rapidjson::Document page;
    std::string error;
    if (!ParseJsonText(last_body_, &page, &error) || !page.IsObject() || !page["id"].IsInt()) {
      return Fail("create " + name + ": answer without an id: " + last_body_.substr(0, 200));
    }
    if (!book_.emplace(page["id"].GetInt(), name).second)
      Fail("create " + name + ": id given twice");
  }

  // The status when it is one of `expected`, else 0 with the failure noted.
  int Send(const std::string& method, const std::string& path, const std::string& body,
           std::initializer_list<int> expected) {
    const auto start = Clock::now();
    httplib::Request request;
    request.method = method;
    request.path = path;
    if (!body.empty()) request.set_header("Content-Type", "application/json");
    request.body = body;
    httplib::Result result = http_.send(request);
    latencies_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    const std::string what = method + " " + path + " " + body.substr(0, 80);
    if (!result) {
      Fail(what + ": no answer (" + httplib::to_string(result.error()) + ")");
      return 0;
    }
    last_body_ = result->body;
    if (std::find(expected.begin(), expected.end(), result->status) != expected.end())
      return result->status;
    Fail(what + ": " + std::to_string(result->status) + " " + result->body.substr(0, 200));
    return 0;
  }

  int OwnPage() {
    auto it = book_.begin();
    std::advance(it, random_() % book_.size());
    return it->first;
  }

  int number_;
  httplib::Client http_;
  std::mt19937 random_;
  std::map<int, std::string> book_;
  int counter_ = 0;
  std::string last_body_;
  std::vector<double> latencies_;
};

std::string Join(const std::vector<std::string>& keys) {
  std::string text;
  for (const std::string& key : keys) text += (text.empty() ? "" : ", ") + key;
  return text;
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
  std::nth_element(values.begin(), values.begin() + static_cast<long>(index), values.end());
  return values[index];
}

void CheckStored(const std::string& where, const std::string& text,
                 const std::vector<std::string>& expected) {
  std::string problem;
  const std::vector<std::string> stored = StoredPageKeys(text, &problem);
  if (!problem.empty()) Fail(where + ": " + problem);
  if (stored != expected)
    Fail("the pages " + where + " [" + Join(stored) + "] are not the plugin's");
}

}  // namespace

int main(int argc, char** argv) {
  int operations = 10000;
  int clients = 8;
  uint32_t seed = 424242;
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    const long value = i + 1 < argc ? std::strtol(argv[i + 1], nullptr, 10) : 0;
    if (name == "--operations" && value > 0) {
      operations = static_cast<int>(value);
    } else if (name == "--clients" && value > 0 && value <= 64) {
      clients = static_cast<int>(value);
    } else if (name == "--seed" && i + 1 < argc) {
      seed = static_cast<uint32_t>(value);
    } else {
      std::fprintf(stderr, "usage: %s [--operations N] [--clients N] [--seed N]\n", argv[0]);
      return 2;
    }
  }
  TempFolder folder;
  const std::string store = folder.Path("settings.sqlite3");
  CoreProcess core({"--port", "0", "--store", store, "--data", TAV_SAMPLE_DATA_DIR, "--quiet", "--owned-pages", "40"},
                   folder);
  if (!core.Start()) {
    std::fprintf(stderr, "tav-core did not start:\n%s%s", core.Stdout().c_str(), core.Stderr().c_str());
    return 1;
  }

  std::vector<std::unique_ptr<Client>> all;
  for (int i = 0; i < clients; ++i)
    all.push_back(std::make_unique<Client>(i, core, seed + i));
  std::atomic<int> remaining{operations};
  const auto start = Clock::now();
  std::vector<std::thread> threads;
  for (auto& client : all)
    threads.emplace_back(&Client::Run, client.get(), &remaining, start + kTimeLimit);
  for (std::thread& thread : threads) thread.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (remaining.load() > 0) Fail("the time limit ended the run early");

  // The expected book: every client's own pages.
  std::vector<std::string> expected;
  std::vector<double> latencies;
  for (const auto& client : all) {
    for (const auto& [id, name] : client->book()) expected.push_back(std::to_string(id) + ":" + name);
    latencies.insert(latencies.end(), client->latencies().begin(), client->latencies().end());
  }
  std::sort(expected.begin(), expected.end());

  httplib::Client checker("127.0.0.1", core.port());
  checker.set_read_timeout(std::chrono::seconds(60));
  core.Watch(checker);
  rapidjson::Document pages;
  std::string error;
  httplib::Result listed = checker.Get("/tav-perks/v1/pages");
  if (!listed || !ParseJsonText(listed->body, &pages, &error)) {
    Fail("the final page list could not be read");
  } else {
    const std::vector<std::string> served = EditablePageKeys(pages);
    if (std::set<std::string>(served.begin(), served.end()).size() != served.size()) {
      Fail("a page is listed twice: " + Join(served));
    }
    if (served != expected)
      Fail("the plugin's pages [" + Join(served) + "] are not the clients' [" + Join(expected) +
           "]");
  }
  httplib::Result stored = checker.Get("/tav-settings/v2/account/PerksPreferences/page-settings");
  CheckStored("stored", stored ? stored->body : "", expected);
  rapidjson::Document status;
  httplib::Result status_answer = checker.Get("/tav-core/v1/status");
  if (status_answer && ParseJsonText(status_answer->body, &status, &error) &&
      status["faults"].GetUint64() != 0) {
    Fail("the core saw faults: " + JsonText(status["recentFaults"]));
  }

  const int exit_status = core.Stop();
  const std::string errors = core.Stderr();
  if (exit_status != 0) Fail("tav-core exited with " + std::to_string(exit_status));
  if (errors.find("AddressSanitizer") != std::string::npos || errors.find("runtime error") != std::string::npos) {
    Fail("sanitizer report:\n" + errors.substr(0, 4000));
  }
  CheckStored("on disk", StoredDocumentOnDisk(store), expected);

  std::printf(
      "load: %zu requests from %d clients in %.2f s: %.0f requests/s; latency p50 %.2f ms, p99 "
      "%.2f ms; "
      "%zu pages at the end\n",
      latencies.size(), clients, seconds, latencies.size() / seconds, Percentile(latencies, 0.50),
      Percentile(latencies, 0.99), expected.size());
  for (const std::string& text : g_failures) std::printf("FAILED: %s\n", text.c_str());
  std::printf(g_failures.empty() ? "1 passed, 0 failed\n" : "0 passed, 1 failed\n");
  return g_failures.empty() ? 0 : 1;
}
