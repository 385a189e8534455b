// Every header byte of a table and of its composite index set to boundary values,
// then every command's engine path run on it: nothing may crash, hang or escape
// but the engine's own error (the suite also runs under ASan and UBSan).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "DataSetTestSupport.h"
#include "WritePaths.h"
#include "engine/FileUtil.h"
#include "engine/Format.h"

namespace ter5::engine::testing {
namespace {

// The bytes swept: the fixed header and its 4.x extension.
constexpr std::size_t kSweptBytes = format::kDataHeaderEnd;
// Values every byte takes in turn: zero, one, the sign boundary and all bits.
constexpr std::uint8_t kBoundaryValues[] = {0x00, 0x01, 0x80, 0xFF};

// Thousands of small writes: in memory where the system has a memory file system,
// since every write syncs its files to disk.
fs::path ScratchParent() {
    std::error_code ec;
    return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

TEST(HeaderSweep, EveryHeaderByteAtEveryBoundaryValueThroughEveryWritePath) {
    TempDir pristine;
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= 40; ++i) rows.push_back({I(i), A("Ёлкин " + std::to_string(i)), N(i * 1.5), A("заметка")});
    MakeTable(pristine.Path() / "T.DB",
              {{"Code", FieldType::Long}, {"Name", FieldType::Alpha, 20}, {"Area", FieldType::Number},
               {"Note", FieldType::Memo, 4}},
              {{"", {"Code"}, true}, {"ByName", {"Name", "Area"}, false, true}}, rows);
    int runs = 0, survivingWrites = 0;
    for (const char* file : {"T.DB", "T.XG0"}) {
        for (std::size_t offset = 0; offset < kSweptBytes; ++offset) {
            for (std::uint8_t value : kBoundaryValues) {
                TempDir dir(ScratchParent());
                for (const auto& e : fs::directory_iterator(pristine.Path()))
                    if (e.path().filename() != kLockFileName) fs::copy_file(e.path(), dir.Path() / e.path().filename());
                auto bytes = ReadWholeFile(dir.Path() / file);
                if (bytes[offset] == value) continue;
                bytes[offset] = value;
                WriteFileAtomic(dir.Path() / file, bytes);
                SCOPED_TRACE(std::string(file) + " byte " + std::to_string(offset) + " = " + std::to_string(value));
                survivingWrites += RunEveryWritePath(dir.Path() / "T.DB");
                ++runs;
            }
        }
    }
    EXPECT_GT(runs, 400);
    EXPECT_GT(survivingWrites, 0);  // many bytes are harmless: those runs really wrote
}

}  // namespace
}  // namespace ter5::engine::testing
