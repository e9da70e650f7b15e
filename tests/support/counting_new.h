// Replaces the global operator new and delete with ones that count every
// allocation, for a program that checks that some stretch of work allocates
// nothing. Include it in exactly one source file of the program: the
// replacements are definitions, not declarations.
//
// The memory comes from malloc (or aligned_alloc) and goes back to free.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace kestrel::testing {

namespace counting_new_detail {
inline std::atomic<long> allocations{0};
// Non-zero while allocations are not to be counted, on this thread.
inline thread_local int notCounting = 0;

inline void* Allocate(std::size_t size, std::size_t align) {
  if (notCounting == 0) allocations.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;
  return align <= alignof(std::max_align_t) ? std::malloc(size)
                                            : std::aligned_alloc(align, (size + align - 1) / align * align);
}
}  // namespace counting_new_detail

// Allocations counted so far.
inline long CountedAllocations() { return counting_new_detail::allocations.load(); }

// While one lives, this thread's allocations are not counted: the harness's
// own bookkeeping, not the work under test.
struct NotCounted {
  NotCounted() { ++counting_new_detail::notCounting; }
  ~NotCounted() { --counting_new_detail::notCounting; }
  NotCounted(const NotCounted&) = delete;
  NotCounted& operator=(const NotCounted&) = delete;
};

}  // namespace kestrel::testing

void* operator new(std::size_t size) {
  if (void* p = kestrel::testing::counting_new_detail::Allocate(size, 0)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = kestrel::testing::counting_new_detail::Allocate(size, 0)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t align) {
  if (void* p = kestrel::testing::counting_new_detail::Allocate(size, std::size_t(align))) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) {
  if (void* p = kestrel::testing::counting_new_detail::Allocate(size, std::size_t(align))) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return kestrel::testing::counting_new_detail::Allocate(size, 0);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return kestrel::testing::counting_new_detail::Allocate(size, 0);
}
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return kestrel::testing::counting_new_detail::Allocate(size, std::size_t(align));
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return kestrel::testing::counting_new_detail::Allocate(size, std::size_t(align));
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
