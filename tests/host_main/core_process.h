// tav-core started as a child process for a test, and what the tests read
// of the pages it serves and stores. The child's output goes to files in a
// temporary folder, the port comes from the line it prints once it serves,
// and Stop ends it as a user would (SIGTERM) and gives its exit status.
//
//   TempFolder folder;
//   CoreProcess core({"--port", "0", "--store", folder.Path("s.sqlite3")}, folder);
//   ASSERT_TRUE(core.Start()) << core.Stderr();
//   httplib::Client client("127.0.0.1", core.port());
//   EXPECT_EQ(core.Stop(), 0) << core.Stderr();
#ifndef TAV_TESTS_HOST_MAIN_CORE_PROCESS_H_
#define TAV_TESTS_HOST_MAIN_CORE_PROCESS_H_

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "json_text.h"
#include "tests/host_main/api_recorder.h"

namespace tav::host {

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/tav-core-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made != nullptr ? made : "/tmp";
  }
  ~TempFolder() {
    std::error_code ignored;
    if (path_ != "/tmp") std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class CoreProcess {
 public:
  // `arguments` follow the program name. Output goes to files named after
  // `name` in `folder`.
  CoreProcess(std::vector<std::string> arguments, const TempFolder& folder, std::string name = "core")
      : arguments_(std::move(arguments)),
        stdout_path_(folder.Path(name + ".out")),
        stderr_path_(folder.Path(name + ".err")) {}
  ~CoreProcess() { Kill(); }
  CoreProcess(const CoreProcess&) = delete;
  CoreProcess& operator=(const CoreProcess&) = delete;

  // Spawns the program and waits (at most a minute) until it serves. False
  // when it exits first or never says it serves.
  bool Start() {
    if (!Spawn()) return false;
    static const std::regex kServing(R"(serving http://127\.0\.0\.1:([0-9]+)/)");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline && !Reap(false)) {
      std::smatch match;
      const std::string out = Stdout();
      if (std::regex_search(out, match, kServing)) {
        port_ = std::stoi(match[1]);
        recorder_ = ApiRecorder::Start(port_, watch_events_);
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  // Spawns the program without waiting for it to serve (for programs
  // expected to fail).
  bool Spawn() {
    std::vector<std::string> all = {TAV_CORE_PATH};
    all.insert(all.end(), arguments_.begin(), arguments_.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    // Variables set here come first: a lookup finds them before the test's own.
    std::vector<char*> envp;
    for (std::string& variable : environment_) envp.push_back(variable.data());
    for (char** variable = environ; *variable != nullptr; ++variable) envp.push_back(*variable);
    envp.push_back(nullptr);
    // The child truncates its output files, but not always before
    // posix_spawn returns (qemu-user forks for it): remove them here, so that
    // Start never reads a previous run's "serving".
    std::filesystem::remove(stdout_path_);
    std::filesystem::remove(stderr_path_);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, stdout_path_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, stderr_path_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    exited_ = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0;
    posix_spawn_file_actions_destroy(&actions);
    return !exited_;
  }

  // The exit status after waiting at most a minute: the code for a normal
  // exit, minus the signal number for a killed process, 1000 for a time-out.
  int WaitExit() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!Reap(false)) {
      if (std::chrono::steady_clock::now() >= deadline) return 1000;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
  }

  // SIGTERM, then the exit status as WaitExit gives it.
  int Stop() {
    if (!exited_) kill(pid_, SIGTERM);
    const int status = WaitExit();
    recorder_.reset();
    return status;
  }

  // SIGKILL: a crash at an arbitrary moment.
  void Kill() {
    if (!exited_) {
      kill(pid_, SIGKILL);
      Reap(true);
    }
    recorder_.reset();
  }

  // Sets an environment variable of the program; before Start.
  void SetEnvironment(const std::string& name, const std::string& value) {
    environment_.push_back(name + "=" + value);
  }

  // With recording on (ApiRecorder), whether Start follows the event stream
  // (default yes; it holds one of the program's event streams), and the
  // clients whose answers are recorded.
  void WatchEvents(bool watch) { watch_events_ = watch; }
  void Watch(httplib::Client& client) {
    if (recorder_) recorder_->Watch(client);
  }

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  std::string Stdout() const { return ReadWholeFile(stdout_path_); }
  std::string Stderr() const { return ReadWholeFile(stderr_path_); }

 private:
  bool Reap(bool block) {
    if (exited_) return true;
    int status = 0;
    if (waitpid(pid_, &status, block ? 0 : WNOHANG) != pid_) return false;
    exited_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return true;
  }

  std::vector<std::string> arguments_;
  std::vector<std::string> environment_;  // NAME=value
  std::string stdout_path_;
  std::string stderr_path_;
  pid_t pid_ = -1;
  bool exited_ = true;
  int status_ = 0;
  int port_ = 0;
  bool watch_events_ = true;
  std::unique_ptr<ApiRecorder> recorder_;
};

// "id:name" of the editable pages of a page list, sorted.
inline std::vector<std::string> EditablePageKeys(const rapidjson::Value& pages) {
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

// The same of the player's book in a stored settings document: the book of
// tav-core's default shard "TV1", or the only one while the plugin does not
// know the shard. Empty, with `problem` said, for any other text.
inline std::vector<std::string> StoredPageKeys(const std::string& text, std::string* problem) {
  rapidjson::Document document;
  std::string error;
  if (!ParseJsonText(text, &document, &error) || !document.IsObject() ||
      !document.HasMember("data")) {
    *problem = "the stored document is not a settings document: " + text.substr(0, 200);
    return {};
  }
  const auto& books = document["data"]["perShardPerkBooks"];
  if (books.IsObject() && books.HasMember("tv1")) return EditablePageKeys(books["tv1"]["pages"]);
  if (!books.IsObject() || books.MemberCount() != 1) {
    *problem = "expected one book in the stored document: " + JsonText(books).substr(0, 200);
    return {};
  }
  return EditablePageKeys(books.MemberBegin()->value["pages"]);
}

// The stored settings document as it is in the store's file, "" when none.
inline std::string StoredDocumentOnDisk(const std::string& store_path) {
  sqlite3* db = nullptr;
  std::string text;
  if (sqlite3_open_v2(store_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(
            db, "SELECT value FROM documents WHERE key = 'PerksPreferences/page-settings'", -1,
            &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return text;
}

}  // namespace tav::host

#endif  // TAV_TESTS_HOST_MAIN_CORE_PROCESS_H_
