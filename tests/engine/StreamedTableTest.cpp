// Tables streamed by TableFile::Open, a block at a time: every real table reads as
// when loaded whole, in any record order, or fails with the same message; damaged
// copies fail as Load fails; a block another program changes in place after the
// table was opened is reported, while a replacement by rename leaves the open table
// as it was read.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DataSetTestSupport.h"
#include "engine/ByteIo.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/Format.h"
#include "engine/TableFile.h"
#include "engine/ValueText.h"

namespace ter5::engine::testing {
namespace {

const fs::path kDataDir = TER5_TEST_DATA_DIR;
// 1 203 records in 4 KB blocks of a 7.x table.
const fs::path kManyBlocks = kDataDir / "t232006+Individual-dictionary/_QSQ33.DB";

// What reading a table gives: every value's dump text in `order`, or the error.
struct Reading {
    std::vector<std::string> values;
    std::vector<std::string> notes;
    std::string error;
    bool operator==(const Reading&) const = default;
};

Reading ReadTable(const fs::path& path, bool streamed, bool backwards = false) {
    Reading r;
    try {
        const auto table = streamed ? TableFile::Open(path) : TableFile::Load(path);
        const std::size_t n = table->RecordCount();
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = backwards ? n - 1 - k : k;
            for (std::size_t f = 0; f < table->Fields().size(); ++f)
                r.values.push_back(FormatValueText(table->Fields()[f].type, table->Get(i, f)));
        }
        r.notes = table->Notes();
    } catch (const EngineError& e) {
        r.error = e.what();
    }
    return r;
}

std::vector<fs::path> RealTables() {
    std::vector<fs::path> tables;
    for (const auto& e : fs::recursive_directory_iterator(kDataDir))
        if (EqualsNoCase(PathToUtf8(e.path().extension()), ".db")) tables.push_back(e.path());
    std::sort(tables.begin(), tables.end());
    return tables;
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(StreamedTable, EveryRealTableReadsAsLoadedInAnyOrderOrFailsAlike) {
    const auto tables = RealTables();
    ASSERT_GT(tables.size(), 30u);
    int read = 0;
    for (const fs::path& path : tables) {
        const Reading loaded = ReadTable(path, false);
        EXPECT_EQ(ReadTable(path, true), loaded) << path;
        if (!loaded.error.empty()) continue;
        ++read;
        Reading backwards = ReadTable(path, true, true);
        Reading loadedBackwards = ReadTable(path, false, true);
        EXPECT_EQ(backwards, loadedBackwards) << path;
    }
    EXPECT_GT(read, 30);

    // Only the header is held in memory.
    const auto streamed = TableFile::Open(kManyBlocks);
    EXPECT_TRUE(streamed->Streamed());
    EXPECT_EQ(streamed->Bytes().size(), streamed->Header().headerSize);
    EXPECT_EQ(streamed->RecordCount(), 1203u);
}

TEST(StreamedTable, DamagedCopiesFailAsWhenLoaded) {
    TempDir dir;
    const std::vector<std::uint8_t> whole = ReadWholeFile(kManyBlocks);
    const fs::path copy = dir.Path() / "damaged.db";
    // Cut inside the header, at a block boundary and inside a block.
    const std::size_t headerSize = ReadU16(whole.data() + format::kHeaderSize);
    for (const std::size_t size : {std::size_t{40}, headerSize - 1, headerSize + 4096, headerSize + 4096 * 3 + 100}) {
        WriteBytes(copy, std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
        const Reading loaded = ReadTable(copy, false);
        EXPECT_FALSE(loaded.error.empty()) << size;
        EXPECT_EQ(ReadTable(copy, true), loaded) << size;
    }
    // A block chain that loops back.
    std::vector<std::uint8_t> looped = whole;
    WriteU16(looped.data() + headerSize + 4096 * 2 + format::kBlockNext, 1);
    WriteBytes(copy, looped);
    const Reading loaded = ReadTable(copy, false);
    EXPECT_NE(loaded.error.find("reached twice"), std::string::npos) << loaded.error;
    EXPECT_EQ(ReadTable(copy, true), loaded);
}

TEST(StreamedTable, ABlockChangedInPlaceIsReportedAndAReplacementByRenameIsNotSeen) {
    TempDir dir;
    const fs::path table = dir.Path() / "words.db";
    const fs::path other = dir.Path() / "other.db";
    fs::copy_file(kManyBlocks, table);
    const auto before = TableFile::Load(table);
    const auto streamed = TableFile::Open(table);
    const std::size_t last = streamed->RecordCount() - 1;

    // Another program's write by rename: the open table still reads the file it opened.
    // Windows refuses to replace a file that is open, whatever the sharing asked for.
    std::vector<std::uint8_t> changed = ReadWholeFile(table);
    std::fill(changed.begin() + static_cast<std::ptrdiff_t>(streamed->Blocks().back().offset), changed.end(), 'x');
    WriteBytes(other, changed);
    std::error_code renamed;
    fs::rename(other, table, renamed);
#ifdef _WIN32
    EXPECT_TRUE(renamed);
#else
    EXPECT_FALSE(renamed) << renamed.message();
#endif
    EXPECT_EQ(streamed->Get(last, 0).text, before->Get(last, 0).text);

    // The original engine's write in place: a block that lost a record since.
    const auto inPlace = TableFile::Open(table);
    const TableFile::Block& block = inPlace->Blocks()[3];
    {
        std::fstream f(table, std::ios::in | std::ios::out | std::ios::binary);
        std::uint8_t size[2];
        WriteU16(size, static_cast<std::uint16_t>((block.count - 2) * inPlace->Header().recordSize));
        f.seekp(static_cast<std::streamoff>(block.offset - format::kBlockHeaderSize + format::kBlockAddDataSize));
        f.write(reinterpret_cast<const char*>(size), 2);
    }
    EXPECT_NO_THROW(inPlace->Get(0, 0));
    try {
        inPlace->Get(block.firstRecord, 0);
        ADD_FAILURE() << "a changed block was read";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("words.db: block " + std::to_string(block.number) +
                                             " was changed by another program"),
                  std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace ter5::engine::testing
