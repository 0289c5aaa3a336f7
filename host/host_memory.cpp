#include "host_memory.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tav::host {

namespace {
std::atomic<size_t> g_live_blocks{0};
}  // namespace

void* HostMemory::Allocate(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) {
    std::fputs("devcore: out of memory\n", stderr);
    std::abort();
  }
  g_live_blocks.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void HostMemory::Free(void* block) {
  if (block == nullptr) return;
  g_live_blocks.fetch_sub(1, std::memory_order_relaxed);
  std::free(block);
}

char* HostMemory::DuplicateText(std::string_view text) {
  char* copy = static_cast<char*>(Allocate(text.size() + 1));
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

size_t HostMemory::LiveBlocks() { return g_live_blocks.load(std::memory_order_relaxed); }

}  // namespace tav::host
