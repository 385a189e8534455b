// libFuzzer target: any bytes as a table file in a scratch directory, then every
// command's engine path on it — read, verify, open as a data set, append, add a
// secondary and a primary index, reindex, rebuild. Each either works or throws
// EngineError; ASan and UBSan catch everything else.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "../tests/engine/WritePaths.h"

namespace {

namespace fs = std::filesystem;

// A directory of this process's own, in memory where the system has one: every
// write syncs its files.
fs::path ScratchDirectory() {
    std::error_code ec;
    const fs::path parent = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path dir = parent / ("ter5-fuzz-write-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path dir = ScratchDirectory();
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove(e.path(), ec);
    {
        std::ofstream out(dir / "T.DB", std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ter5::engine::testing::RunEveryWritePath(dir / "T.DB");
    return 0;
}
