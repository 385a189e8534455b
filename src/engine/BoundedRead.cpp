#include "BoundedRead.h"

#include <algorithm>

#include "ByteIo.h"
#include "FileUtil.h"
#include "Format.h"
#include "PlatformFiles.h"

namespace ter5::engine {

std::vector<std::uint8_t> ReadWithinHeader(const std::filesystem::path& path, std::string& excess) {
    std::vector<std::uint8_t> head = ReadRegularFile(path, format::kFixedHeaderEnd);
    if (head.size() < format::kFixedHeaderEnd) return head;  // the header parser names what is missing
    const std::uint64_t blockSize = static_cast<std::uint64_t>(head[format::kBlockSizeKb]) * format::kBlockUnit;
    const std::uint64_t allowed =
        std::max<std::uint64_t>(ReadU16(head.data() + format::kHeaderSize) +
                                    static_cast<std::uint64_t>(ReadU16(head.data() + format::kFileBlocks)) * blockSize,
                                format::kFixedHeaderEnd);
    // One byte more than allowed tells whether the file goes on.
    std::vector<std::uint8_t> bytes = ReadRegularFile(path, allowed + 1);
    if (bytes.size() <= allowed) return bytes;
    bytes.resize(static_cast<std::size_t>(allowed));
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    excess = "the file goes on " + (ec ? std::string("past") : std::to_string(size - allowed) + " bytes past") +
             " the end of its last block (the header counts " + std::to_string(ReadU16(head.data() + format::kFileBlocks)) +
             "); the rest was not read";
    return bytes;
}

}  // namespace ter5::engine
