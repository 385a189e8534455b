#pragma once
// Reading a Paradox table or index file no further than its header allows: the
// header and the blocks it counts. Real files end exactly there; a file far larger
// (a sparse file of gigabytes under a table's name) is not read into memory whole.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ter5::engine {

// The bytes of `path` up to the end of the last block its header counts (all of it
// when the header is too short to say). When the file is longer, `excess` says by
// how much and that the rest was not read; otherwise it is left empty. Throws
// EngineError naming the file when it cannot be read (or is no regular file).
std::vector<std::uint8_t> ReadWithinHeader(const std::filesystem::path& path, std::string& excess);

}  // namespace ter5::engine
