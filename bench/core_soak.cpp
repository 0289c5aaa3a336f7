// The soak of tav-core: a real tav-core process with the real plugin driven
// for a long while, to show that it holds steady. 8 HTTP clients make mixed
// operations (page changes, reads, interface settings, the peers' resources
// the plugin follows: summoner, gameflow, champion select), while two
// readers follow /events slowly, as a browser tab in the background does,
// and reconnect when the stream ends.
//
// Every tenth of the run it samples tav-core's resident memory (VmRSS from
// /proc) and the size of its store with its write-ahead log, and it keeps
// the latency of every operation. The first tenth is the baseline:
//   - after it, RSS stays under 64 MiB and grows by at most 8 MiB to the end;
//   - the p99 latency of the last tenth is at most twice the first tenth's
//     (plus 10 ms, so that a few milliseconds of scheduling noise on a small
//     run cannot fail it);
//   - the store and its log grow by at most 256 KiB after the first tenth;
//   - every answer has an expected status.
//
//   core_soak [--operations N] [--clients N] [--slow-readers N] [--seed N]
//
// Its last line is "1 passed, 0 failed" or "0 passed, 1 failed".
#include <httplib.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>

#include "tests/host_main/core_process.h"

namespace {

using namespace tav::host;
using Clock = std::chrono::steady_clock;

// The whole run stops by itself after this long, whatever is left.
constexpr auto kTimeLimit = std::chrono::minutes(20);
constexpr double kMaxRssMiB = 64;
constexpr double kMaxRssGrowthMiB = 8;
constexpr double kMaxStoreGrowthKiB = 256;
// How long a slow reader sleeps after each piece of the stream it reads.
constexpr auto kSlowReaderPause = std::chrono::milliseconds(20);

std::mutex g_failures_mutex;
std::vector<std::string> g_failures;

void Fail(std::string text) {
  std::lock_guard<std::mutex> lock(g_failures_mutex);
  if (g_failures.size() < 50) g_failures.push_back(std::move(text));
}

double ResidentMiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  }
  return 0;
}

double FileKiB(const std::string& path) {
  struct stat found {};
  return stat(path.c_str(), &found) == 0 ? found.st_size / 1024.0 : 0;
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
  std::nth_element(values.begin(), values.begin() + static_cast<long>(index), values.end());
  return values[index];
}

std::string PageBody(const std::string& name) {
  return R"({"name":")" + name +
         R"(","primaryStyleId":710,"subStyleId":720,"selectedPerkIds":[7101,7104,7107,7110,7204,7208]})";
}

// What the run shares: the operation counter, the samples, the latencies.
struct Run {
  int operations = 0;
  std::atomic<int> next{0};
  std::atomic<int> done{0};
  pid_t pid = 0;
  std::string store;
  std::mutex mutex;
  std::vector<double> latencies;  // by operation number
  struct Sample {
    int operations;
    double rss_mib;
    double store_kib;
  };
  std::vector<Sample> samples;

  // Called once an operation is complete: every tenth of the run samples.
  void Complete() {
    const int count = ++done;
    const int step = std::max(1, operations / 10);
    if (count % step != 0) return;
    Sample sample{count, ResidentMiB(pid), FileKiB(store) + FileKiB(store + "-wal")};
    std::lock_guard<std::mutex> lock(mutex);
    samples.push_back(sample);
  }
};

class Client {
 public:
  Client(int number, int port, uint32_t seed, Run* run)
      : number_(number), http_("127.0.0.1", port), random_(seed), run_(run) {
    http_.set_keep_alive(true);
    http_.set_tcp_nodelay(true);
    http_.set_read_timeout(std::chrono::seconds(60));
  }

  void Go(Clock::time_point deadline) {
    for (int index; (index = run_->next++) < run_->operations && Clock::now() < deadline;) {
      const auto start = Clock::now();
      Step();
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      {
        std::lock_guard<std::mutex> lock(run_->mutex);
        run_->latencies[static_cast<size_t>(index)] = ms;
      }
      run_->Complete();
    }
  }

 private:
  // One operation: mostly page work on the client's own few pages (the book
  // stays the same size), with the interface settings and the peers'
  // resources interleaved.
  void Step() {
    const int roll = static_cast<int>(random_() % 100);
    const std::string name = "s" + std::to_string(number_) + "-" + std::to_string(++counter_);
    if (own_.size() < 2 || (roll < 6 && own_.size() < 4)) return Create(name);
    const int id = own_[random_() % own_.size()];
    const std::string id_text = std::to_string(id);
    if (roll < 12) {
      if (Send("DELETE", "/tav-perks/v1/pages/" + id_text, "", {204}))
        own_.erase(std::find(own_.begin(), own_.end(), id));
    } else if (roll < 26) {
      Send("GET", "/tav-perks/v1/pages", "", {200});
    } else if (roll < 30) {
      Send("GET", "/tav-perks/v1/currentpage", "", {200, 404});
    } else if (roll < 33) {
      Send("GET", "/tav-core/v1/status", "", {200});
    } else if (roll < 35) {
      Send("GET", "/tav-perks/v1/styles", "", {200});
    } else if (roll < 48) {
      Send("PUT", "/tav-perks/v1/pages/" + id_text, PageBody(name), {204});
    } else if (roll < 58) {
      Send("PUT", "/tav-perks/v1/currentpage", id_text, {204});
    } else if (roll < 62) {
      const int other = own_[random_() % own_.size()];
      Send("POST", "/tav-perks/v1/update-page-order",
           R"({"targetPageId":)" + id_text + R"(,"destinationPageId":)" + std::to_string(other) +
               R"(,"offset":)" + (random_() % 2 ? "1" : "-1") + "}",
           {204});
    } else if (roll < 76) {
      Send("PUT", "/tav-perks/v1/settings",
           R"({"showLongDescriptions":)" + std::string(random_() % 2 ? "true" : "false") +
               R"(,"gridModeEnabled":)" + (random_() % 2 ? "true" : "false") +
               R"(,"showPresetPages":true,"gameplayPatchVersionSeen":"7.)" +
               std::to_string(random_() % 20) + R"(","gameplayUpdatedPerksSeen":[7101,7204]})",
           {204});
    } else if (roll < 84) {
      Send("PUT", "/tav-summoner/v1/current-summoner",
           R"({"summonerId":4207,"accountId":91377,"displayName":"Quillon Vey","internalName":"QuillonVey",)"
           R"("profileIconId":12,"summonerLevel":)" +
               std::to_string(28 + random_() % 6) + R"(,"puuid":"7c1d2e3f-0000-4000-8000-0000000a1b2c"})",
           {204});
    } else {
      ChampionSelectStep();
    }
  }

  // The shared gameflow walks through champion select: enter, pick a
  // champion, reach the final phase, leave.
  void ChampionSelectStep() {
    switch (random_() % 4) {
      case 0:
        Send("PUT", "/tav-gameflow/v1/session",
             R"({"phase":"ChampSelect","gameData":{"queue":{"id":420},"isCustomGame":false,"gameId":5550001}})",
             {204});
        break;
      case 1:
        Send("PUT", "/tav-champ-select/v1/session",
             R"({"localPlayerCellId":1,"myTeam":[{"cellId":1,"championId":)" +
                 std::to_string(101 + random_() % 8) + R"(}],"timer":{"phase":"BAN_PICK"}})",
             {204});
        break;
      case 2:
        Send("PUT", "/tav-champ-select/v1/session",
             R"({"localPlayerCellId":1,"myTeam":[{"cellId":1,"championId":107}],"timer":{"phase":"FINALIZATION"}})",
             {204});
        break;
      default:
        Send("PUT", "/tav-gameflow/v1/session",
             R"({"phase":"None","gameData":{"queue":{"id":-1},"isCustomGame":false,"gameId":0}})", {204});
        break;
    }
  }

  void Create(const std::string& name) {
    if (Send("POST", "/tav-perks/v1/pages", PageBody(name), {200}) != 200) return;
    rapidjson::Document page;
    std::string error;
    if (!ParseJsonText(last_body_, &page, &error) || !page.IsObject() || !page["id"].IsInt()) {
      return Fail("create " + name + ": answer without an id: " + last_body_.substr(0, 200));
    }
    own_.push_back(page["id"].GetInt());
  }

  // The status when it is one of `expected`, else 0 with the failure noted.
  int Send(const std::string& method, const std::string& path, const std::string& body,
           std::initializer_list<int> expected) {
    httplib::Request request;
    request.method = method;
    request.path = path;
    if (!body.empty()) request.set_header("Content-Type", "application/json");
    request.body = body;
    httplib::Result result = http_.send(request);
    const std::string what = method + " " + path + " " + body.substr(0, 80);
    if (!result) {
      Fail(what + ": no answer (" + httplib::to_string(result.error()) + ")");
      return 0;
    }
    last_body_ = result->body;
    if (std::find(expected.begin(), expected.end(), result->status) != expected.end()) return result->status;
    Fail(what + ": " + std::to_string(result->status) + " " + result->body.substr(0, 200));
    return 0;
  }

  int number_;
  httplib::Client http_;
  std::mt19937 random_;
  Run* run_;
  std::vector<int> own_;
  int counter_ = 0;
  std::string last_body_;
};

// A reader of /events that takes its time over every piece it reads, and
// reconnects when the stream ends, resuming after the last frame it saw.
class SlowReader {
 public:
  SlowReader(int port, std::atomic<bool>* stop) : port_(port), stop_(stop) {}

  void Go() {
    while (!stop_->load()) {
      httplib::Client http("127.0.0.1", port_);
      http.set_read_timeout(std::chrono::seconds(5));
      httplib::Headers headers;
      if (!last_id_.empty()) headers.emplace("Last-Event-ID", last_id_);
      ++connections_;
      http.Get("/events", headers, [this](const char* data, size_t length) {
        Read(std::string_view(data, length));
        std::this_thread::sleep_for(kSlowReaderPause);
        return !stop_->load();
      });
      // An EventSource waits a moment before it reconnects.
      if (!stop_->load()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }

  uint64_t frames() const { return frames_; }
  uint64_t lagged() const { return lagged_; }
  int connections() const { return connections_; }

 private:
  void Read(std::string_view data) {
    buffer_.append(data);
    for (size_t end; (end = buffer_.find("\n\n")) != std::string::npos;) {
      const std::string frame = buffer_.substr(0, end + 1);
      buffer_.erase(0, end + 2);
      if (frame.rfind("id: ", 0) == 0) last_id_ = frame.substr(4, frame.find('\n') - 4);
      if (frame.find("\nevent: ") == std::string::npos) continue;
      ++frames_;
      if (frame.find("\nevent: lagged\n") != std::string::npos) ++lagged_;
    }
  }

  int port_;
  std::atomic<bool>* stop_;
  std::string buffer_;
  std::string last_id_;
  uint64_t frames_ = 0;
  uint64_t lagged_ = 0;
  int connections_ = 0;
};

void CheckSteady(const Run& run, const std::vector<double>& p99_by_tenth) {
  if (run.samples.size() < 3) return Fail("too few samples to judge the memory");
  const Run::Sample& baseline = run.samples.front();
  const Run::Sample& after = run.samples[1];
  const Run::Sample& last = run.samples.back();
  for (size_t i = 1; i < run.samples.size(); ++i) {
    if (run.samples[i].rss_mib > kMaxRssMiB) {
      Fail("RSS " + std::to_string(run.samples[i].rss_mib) + " MiB after " +
           std::to_string(run.samples[i].operations) + " operations is over the bound");
    }
  }
  if (last.rss_mib - after.rss_mib > kMaxRssGrowthMiB) {
    Fail("RSS grew from " + std::to_string(after.rss_mib) + " to " + std::to_string(last.rss_mib) + " MiB");
  }
  if (last.store_kib - baseline.store_kib > kMaxStoreGrowthKiB) {
    Fail("the store grew from " + std::to_string(baseline.store_kib) + " to " + std::to_string(last.store_kib) +
         " KiB");
  }
  if (p99_by_tenth.size() == 10 && p99_by_tenth[9] > 2 * p99_by_tenth[0] + 10) {
    Fail("p99 latency drifted from " + std::to_string(p99_by_tenth[0]) + " ms in the first tenth to " +
         std::to_string(p99_by_tenth[9]) + " ms in the last");
  }
}

}  // namespace

int main(int argc, char** argv) {
  int operations = 100000;
  int clients = 8;
  int slow_readers = 2;
  uint32_t seed = 515151;
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    const long value = i + 1 < argc ? std::strtol(argv[i + 1], nullptr, 10) : 0;
    if (name == "--operations" && value >= 100) {
      operations = static_cast<int>(value);
    } else if (name == "--clients" && value > 0 && value <= 64) {
      clients = static_cast<int>(value);
    } else if (name == "--slow-readers" && i + 1 < argc && value >= 0 && value <= 8) {
      slow_readers = static_cast<int>(value);
    } else if (name == "--seed" && i + 1 < argc) {
      seed = static_cast<uint32_t>(value);
    } else {
      std::fprintf(stderr,
                   "usage: %s [--operations N (>= 100)] [--clients N] [--slow-readers N] [--seed N]\n",
                   argv[0]);
      return 2;
    }
  }
  TempFolder folder;
  Run run;
  run.operations = operations;
  run.latencies.assign(static_cast<size_t>(operations), -1);
  run.store = folder.Path("settings.sqlite3");
  CoreProcess core({"--port", "0", "--store", run.store, "--data", TAV_SAMPLE_DATA_DIR, "--quiet",
                    "--owned-pages", "60"},
                   folder);
  if (!core.Start()) {
    std::fprintf(stderr, "tav-core did not start:\n%s%s", core.Stdout().c_str(), core.Stderr().c_str());
    return 1;
  }
  run.pid = core.pid();
  const double start_rss = ResidentMiB(run.pid);

  std::atomic<bool> stop_readers{false};
  std::vector<std::unique_ptr<SlowReader>> readers;
  std::vector<std::thread> reader_threads;
  for (int i = 0; i < slow_readers; ++i) {
    readers.push_back(std::make_unique<SlowReader>(core.port(), &stop_readers));
    reader_threads.emplace_back(&SlowReader::Go, readers.back().get());
  }

  std::vector<std::unique_ptr<Client>> all;
  for (int i = 0; i < clients; ++i) all.push_back(std::make_unique<Client>(i, core.port(), seed + i, &run));
  const auto start = Clock::now();
  std::vector<std::thread> threads;
  for (auto& client : all) threads.emplace_back(&Client::Go, client.get(), start + kTimeLimit);
  for (std::thread& thread : threads) thread.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  stop_readers.store(true);
  if (run.done.load() < operations) Fail("the time limit ended the run early");

  std::printf("soak: %d operations from %d clients, %d slow event readers, in %.1f s (%.0f operations/s)\n",
              run.done.load(), clients, slow_readers, seconds, run.done.load() / seconds);
  std::printf("RSS at start %.1f MiB\n", start_rss);
  std::printf("%10s %9s %9s %9s %11s\n", "operations", "RSS MiB", "p50 ms", "p99 ms", "store KiB");
  std::vector<double> p99_by_tenth;
  const size_t tenth = static_cast<size_t>(operations) / 10;
  for (size_t i = 0; i < 10 && i < run.samples.size(); ++i) {
    std::vector<double> part;
    for (size_t k = i * tenth; k < (i + 1) * tenth; ++k) {
      if (run.latencies[k] >= 0) part.push_back(run.latencies[k]);
    }
    p99_by_tenth.push_back(Percentile(part, 0.99));
    const Run::Sample& sample = run.samples[i];
    std::printf("%10d %9.1f %9.2f %9.2f %11.0f\n", sample.operations, sample.rss_mib, Percentile(part, 0.50),
                p99_by_tenth.back(), sample.store_kib);
  }
  CheckSteady(run, p99_by_tenth);

  const int exit_status = core.Stop();
  for (std::thread& thread : reader_threads) thread.join();
  for (size_t i = 0; i < readers.size(); ++i) {
    std::printf("slow reader %zu: %llu frames, %llu lagged, %d connections\n", i + 1,
                static_cast<unsigned long long>(readers[i]->frames()),
                static_cast<unsigned long long>(readers[i]->lagged()), readers[i]->connections());
  }
  if (exit_status != 0) Fail("tav-core exited with " + std::to_string(exit_status) + ":\n" + core.Stderr());
  for (const std::string& text : g_failures) std::printf("FAILED: %s\n", text.c_str());
  std::printf(g_failures.empty() ? "1 passed, 0 failed\n" : "0 passed, 1 failed\n");
  return g_failures.empty() ? 0 : 1;
}
