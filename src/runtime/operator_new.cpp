// The library's own operator new and delete, every form, routed through the
// counting heap. They have hidden visibility: code inside the library uses
// them, while the host process and other modules keep their own heap.
// (Built into the shared library only; the unit-test programs keep theirs.)
//
// Under AddressSanitizer nothing is defined here: the sanitizer must own
// operator new and delete to check them, and blocks that the C++ runtime
// allocates with its operator new are often freed by inline code of the
// library, which a replacement here would turn into mismatch reports.
#include <cstddef>
#include <new>

#include "runtime/heap.h"

#if defined(__SANITIZE_ADDRESS__)
#define TAV_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAV_SANITIZED_HEAP 1
#endif
#endif

#ifndef TAV_SANITIZED_HEAP

// <new> declares these functions with default visibility, and a visibility
// attribute on the definition is ignored in favour of that declaration. The
// assembler's .hidden directive marks the emitted symbols instead, so the
// dynamic linker never offers them to the rest of the process. Their
// mangled names spell std::size_t's type: "m" (unsigned long) on 64-bit
// targets, "j" (unsigned int) on 32-bit ones, where naming a symbol that is
// not defined would fail the link.
#if defined(__LP64__)
#define TAV_SIZE "m"
#else
#define TAV_SIZE "j"
#endif
__asm__(
    ".hidden _Znw" TAV_SIZE "\n.hidden _Zna" TAV_SIZE "\n"
    ".hidden _Znw" TAV_SIZE "RKSt9nothrow_t\n.hidden _Zna" TAV_SIZE "RKSt9nothrow_t\n"
    ".hidden _Znw" TAV_SIZE "St11align_val_t\n.hidden _Zna" TAV_SIZE "St11align_val_t\n"
    ".hidden _Znw" TAV_SIZE "St11align_val_tRKSt9nothrow_t\n"
    ".hidden _Zna" TAV_SIZE "St11align_val_tRKSt9nothrow_t\n"
    ".hidden _ZdlPv\n.hidden _ZdaPv\n.hidden _ZdlPv" TAV_SIZE "\n.hidden _ZdaPv" TAV_SIZE "\n"
    ".hidden _ZdlPvRKSt9nothrow_t\n.hidden _ZdaPvRKSt9nothrow_t\n"
    ".hidden _ZdlPvSt11align_val_t\n.hidden _ZdaPvSt11align_val_t\n"
    ".hidden _ZdlPv" TAV_SIZE "St11align_val_t\n.hidden _ZdaPv" TAV_SIZE "St11align_val_t\n"
    ".hidden _ZdlPvSt11align_val_tRKSt9nothrow_t\n.hidden _ZdaPvSt11align_val_tRKSt9nothrow_t\n");
#undef TAV_SIZE

namespace {

void* AllocateOrThrow(std::size_t size) {
  for (;;) {
    if (void* block = tav::HeapAllocate(size)) return block;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

void* AllocateAlignedOrThrow(std::size_t size, std::align_val_t alignment) {
  for (;;) {
    if (void* block = tav::HeapAllocateAligned(size, static_cast<std::size_t>(alignment))) {
      return block;
    }
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return AllocateOrThrow(size);
  } catch (...) {
    return nullptr;
  }
}

void* AllocateAlignedOrNull(std::size_t size, std::align_val_t alignment) noexcept {
  try {
    return AllocateAlignedOrThrow(size, alignment);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateAlignedOrThrow(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateAlignedOrThrow(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment,
                              const std::nothrow_t&) noexcept {
  return AllocateAlignedOrNull(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment,
                                const std::nothrow_t&) noexcept {
  return AllocateAlignedOrNull(size, alignment);
}

void operator delete(void* block) noexcept { tav::HeapFree(block); }
void operator delete[](void* block) noexcept { tav::HeapFree(block); }
void operator delete(void* block, std::size_t) noexcept { tav::HeapFree(block); }
void operator delete[](void* block, std::size_t) noexcept { tav::HeapFree(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept {
  tav::HeapFree(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  tav::HeapFree(block);
}
void operator delete(void* block, std::align_val_t) noexcept { tav::HeapFree(block); }
void operator delete[](void* block, std::align_val_t) noexcept {
  tav::HeapFree(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
  tav::HeapFree(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
  tav::HeapFree(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  tav::HeapFree(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  tav::HeapFree(block);
}

#endif  // TAV_SANITIZED_HEAP
