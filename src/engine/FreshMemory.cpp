#include "engine/FreshMemory.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace ter5::engine {

void BackFreshMemory(void* data, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    if (data == nullptr || bytes < kFreshMemoryMinimum) return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) / page * page;
    if (end <= begin) return;
    auto* first = reinterpret_cast<void*>(begin);
    const std::size_t length = end - begin;
    // Both are hints: a kernel without transparent huge pages or without populate
    // (before Linux 5.14) answers EINVAL, and the buffer fills by faults as before.
    ::madvise(first, length, MADV_HUGEPAGE);
    ::madvise(first, length, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace ter5::engine
