// The host's own heap for everything it hands to the plugin: texts, value
// arrays and header arrays inside request, event and response records.
//
// Every block is counted, so a test can tell whether the plugin released the
// response records the host filled for it:
//
//   size_t before = HostMemory::LiveBlocks();
//   ... the plugin calls Request, then record_release ...
//   EXPECT_EQ(HostMemory::LiveBlocks(), before);
#ifndef TAV_HOST_HOST_MEMORY_H_
#define TAV_HOST_HOST_MEMORY_H_

#include <cstddef>
#include <string_view>

namespace tav::host {

class HostMemory {
 public:
  // Never returns null for size 0; aborts when the system is out of memory
  // (the host is a development tool, not a survivor of exhaustion).
  static void* Allocate(size_t size);
  // Accepts null.
  static void Free(void* block);
  // A NUL-terminated copy of `text` (which may contain NULs; they are copied).
  static char* DuplicateText(std::string_view text);

  // Blocks allocated and not yet freed, process-wide.
  static size_t LiveBlocks();
};

}  // namespace tav::host

#endif  // TAV_HOST_HOST_MEMORY_H_
