#pragma once
// Large buffers filled once, at a table's opening or a map's load: the file images of
// the tables, the map's vertex store. The system backs a new buffer with memory page by
// page as it is first written, one page fault per 4 KiB; on virtual machines a fault
// costs microseconds, and 200 MB written fresh cost most of a second (measured: the
// click-to-map benchmark, bench/MainWindowBench.cpp). Asked for the whole buffer in one
// call, the system backs it in a tenth of that, with huge pages where it gives them.

#include <cstddef>
#include <vector>

namespace ter5::engine {

// Buffers smaller than this are left to the ordinary faults: the call would cost more
// than the faults it saves.
inline constexpr std::size_t kFreshMemoryMinimum = std::size_t{1} << 20;

// Asks the system to back the whole pages within [data, data + bytes) with memory now,
// ready to be written, with huge pages where the system gives them on request. Nothing
// is written and nothing is promised: the contents stay as they were, and where the
// system cannot do it (another platform, an older kernel, no memory to spare now) the
// pages come one fault at a time as before. Never throws.
void BackFreshMemory(void* data, std::size_t bytes) noexcept;

// Grows `values` to `count` elements as resize() does, the new storage backed at once.
template <typename T>
void ResizeFresh(std::vector<T>& values, std::size_t count) {
    if (count > values.capacity()) {
        values.reserve(count);
        BackFreshMemory(values.data() + values.size(), (count - values.size()) * sizeof(T));
    }
    values.resize(count);
}

}  // namespace ter5::engine
