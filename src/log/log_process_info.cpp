#include "log/log_process_info.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

namespace tav {
namespace {

constexpr size_t kPathSize = 1024;

char g_executable_name[kPathSize];
std::atomic<const char*> g_executable_name_text{"<unknown>"};

// Reads up to size - 1 bytes of a small file into `buffer`, NUL-terminated.
size_t ReadSmallFile(const char* path, char* buffer, size_t size) {
  buffer[0] = '\0';
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  size_t length = 0;
  while (length + 1 < size) {
    const ssize_t got = read(fd, buffer + length, size - 1 - length);
    if (got <= 0) break;
    length += static_cast<size_t>(got);
  }
  close(fd);
  buffer[length] = '\0';
  return length;
}

}  // namespace

void LoadExecutableName() {
  static std::once_flag once;
  std::call_once(once, [] {
    char path[kPathSize];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return;
    path[length] = '\0';
    const char* slash = std::strrchr(path, '/');
    const char* name = slash != nullptr ? slash + 1 : path;
    if (*name == '\0') return;
    std::memcpy(g_executable_name, name, std::strlen(name) + 1);
    g_executable_name_text.store(g_executable_name, std::memory_order_release);
  });
}

std::string_view ExecutableName() {
  return g_executable_name_text.load(std::memory_order_acquire);
}

bool IsDebuggerAttached() {
  char status[8192];
  ReadSmallFile("/proc/self/status", status, sizeof status);
  const char* field = std::strstr(status, "TracerPid:");
  if (field == nullptr) return false;
  return std::strtol(field + std::strlen("TracerPid:"), nullptr, 10) != 0;
}

ElapsedTime MonotonicSinceFirstUse() {
  static const timespec start = [] {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
  }();
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const int64_t elapsed_ns = (static_cast<int64_t>(now.tv_sec) - start.tv_sec) * 1000000000 +
                             (static_cast<int64_t>(now.tv_nsec) - start.tv_nsec);
  const int64_t elapsed_ms = elapsed_ns / 1000000;
  return ElapsedTime{elapsed_ms / 1000, static_cast<int32_t>(elapsed_ms % 1000)};
}

const void* CurrentThreadWord() {
  const pthread_t self = pthread_self();
  const void* word = nullptr;
  std::memcpy(&word, &self, sizeof self < sizeof word ? sizeof self : sizeof word);
  return word;
}

}  // namespace tav
