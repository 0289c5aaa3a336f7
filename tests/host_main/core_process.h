// tav-core started as a child process for a test: its output goes to files
// in a temporary folder, the port comes from the line it prints once it
// serves, and Stop ends it as a user would (SIGTERM) and gives its exit
// status.
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
#include <stdlib.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

  // Spawns the program and waits (at most `timeout`) until it serves.
  // False when it exits first or never says it serves.
  bool Start(std::chrono::seconds timeout = std::chrono::seconds(60)) {
    if (!Spawn()) return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    static const std::regex kServing(R"(serving http://127\.0\.0\.1:([0-9]+)/)");
    while (std::chrono::steady_clock::now() < deadline) {
      std::smatch match;
      const std::string out = Stdout();
      if (std::regex_search(out, match, kServing)) {
        port_ = std::stoi(match[1]);
        return true;
      }
      if (Reap(false)) return false;
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
    // Built before fork: the child only calls what is safe there.
    const std::string out = stdout_path_;
    const std::string err = stderr_path_;
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int null_fd = open("/dev/null", O_RDONLY);
      if (out_fd < 0 || err_fd < 0 || null_fd < 0) _exit(127);
      dup2(null_fd, 0);
      dup2(out_fd, 1);
      dup2(err_fd, 2);
      execv(argv[0], argv.data());
      _exit(127);
    }
    exited_ = false;
    return true;
  }

  // The exit status after waiting at most `timeout`: the code for a normal
  // exit, minus the signal number for a killed process, 1000 for a time-out.
  int WaitExit(std::chrono::seconds timeout = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!Reap(false)) {
      if (std::chrono::steady_clock::now() >= deadline) return 1000;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
  }

  // SIGTERM, then the exit status as WaitExit gives it.
  int Stop(std::chrono::seconds timeout = std::chrono::seconds(60)) {
    if (pid_ > 0 && !exited_) kill(pid_, SIGTERM);
    return WaitExit(timeout);
  }

  // SIGKILL: a crash at an arbitrary moment.
  void Kill() {
    if (pid_ <= 0 || exited_) return;
    kill(pid_, SIGKILL);
    Reap(true);
  }

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  std::string Stdout() const { return ReadWholeFile(stdout_path_); }
  std::string Stderr() const { return ReadWholeFile(stderr_path_); }

 private:
  bool Reap(bool block) {
    if (pid_ <= 0) return true;
    if (exited_) return true;
    int status = 0;
    pid_t done = waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (done != pid_) return false;
    exited_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return true;
  }

  std::vector<std::string> arguments_;
  std::string stdout_path_;
  std::string stderr_path_;
  pid_t pid_ = -1;
  bool exited_ = true;
  int status_ = 0;
  int port_ = 0;
};

}  // namespace tav::host

#endif  // TAV_TESTS_HOST_MAIN_CORE_PROCESS_H_
