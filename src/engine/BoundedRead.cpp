#include "BoundedRead.h"

#include <algorithm>

#include "ByteIo.h"
#include "FileUtil.h"
#include "Format.h"
#include "PlatformFiles.h"

namespace ter5::engine {

std::uint64_t HeaderExtent(const std::uint8_t* head) {
    const std::uint64_t blockSize = static_cast<std::uint64_t>(head[format::kBlockSizeKb]) * format::kBlockUnit;
    return std::max<std::uint64_t>(ReadU16(head + format::kHeaderSize) +
                                       static_cast<std::uint64_t>(ReadU16(head + format::kFileBlocks)) * blockSize,
                                   format::kFixedHeaderEnd);
}

std::string ExcessNote(const std::uint8_t* head, std::uint64_t extent, std::uint64_t size) {
    return "the file goes on " + (size == 0 ? std::string("past") : std::to_string(size - extent) + " bytes past") +
           " the end of its last block (the header counts " + std::to_string(ReadU16(head + format::kFileBlocks)) +
           "); the rest was not read";
}

std::vector<std::uint8_t> ReadWithinHeader(const std::filesystem::path& path, std::string& excess) {
    std::vector<std::uint8_t> head = ReadRegularFile(path, format::kFixedHeaderEnd);
    if (head.size() < format::kFixedHeaderEnd) return head;  // the header parser names what is missing
    const std::uint64_t allowed = HeaderExtent(head.data());
    // One byte more than allowed tells whether the file goes on.
    std::vector<std::uint8_t> bytes = ReadRegularFile(path, allowed + 1);
    if (bytes.size() <= allowed) return bytes;
    bytes.resize(static_cast<std::size_t>(allowed));
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    excess = ExcessNote(head.data(), allowed, ec ? 0 : size);
    return bytes;
}

}  // namespace ter5::engine
