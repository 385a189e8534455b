// Damaged copies of real tables: loading them and reading every value either
// works or throws EngineError naming the file; nothing else may escape, and
// nothing may crash or hang (the suite also runs under ASan/UBSan).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/ByteIo.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/Format.h"
#include "engine/TableFile.h"

namespace ter5::engine {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kDataDir = TER5_TEST_DATA_DIR;
// Fixed seed: every run damages the same bytes.
constexpr std::uint32_t kSeed = 20240611;
// Random damages per table.
constexpr int kFlipRounds = 1500;

// Small tables of different versions and kinds, all of whose prefixes are tried.
const char* const kSmallTables[] = {
    "leonhad+paradoxdriver/mtdemo/FILMS.DB",    // 3.0, short header
    "leonhad+paradoxdriver/fields/bcd.db",      // 5.x, BCD
    "leonhad+paradoxdriver/fields/date35.db",   // 3.5
    "leonhad+paradoxdriver/joins/C.X02",        // maintained secondary index
    "leonhad+paradoxdriver/joins/fk4.XG0",      // composite index with its name
    "Chevich+KsmProj/SPRKU.DB",                 // 4.x, cp1251 text
    "ShellsOfSilver+CDSkakun/MARKAAUTO.DB",     // 7.x
};

Bytes ReadTable(const std::string& relative) { return ReadWholeFile(kDataDir / relative); }

// Loads an image and decodes every field of every record. Returns false when an
// EngineError stopped it; any other exception fails the calling test.
bool ReadAll(Bytes bytes, const std::string& name = "damaged.db") {
    try {
        const auto table = TableFile::FromBytes(std::move(bytes), name);
        for (std::size_t i = 0; i < table->RecordCount(); ++i)
            for (std::size_t f = 0; f < table->Fields().size(); ++f) table->Get(i, f);
        return true;
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        return false;
    }
}

// Like ReadAll for a table on disk, whose blobs come from its .MB file.
bool LoadAndReadAll(const fs::path& path) {
    try {
        const auto table = TableFile::Load(path);
        for (std::size_t i = 0; i < table->RecordCount(); ++i)
            for (std::size_t f = 0; f < table->Fields().size(); ++f) table->Get(i, f);
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A scratch directory removed with the test.
class TempDir {
public:
    TempDir() : path_(fs::temp_directory_path() / ("ter5-corrupt-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

TEST(Corruption, EveryTruncationReadsOrFails) {
    for (const char* name : kSmallTables) {
        SCOPED_TRACE(name);
        const Bytes full = ReadTable(name);
        ASSERT_TRUE(ReadAll(full));
        const std::size_t headerSize = ReadU16(full.data() + format::kHeaderSize);
        for (std::size_t length = 0; length < full.size(); ++length) {
            const bool read = ReadAll(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
            if (length < headerSize) {
                ASSERT_FALSE(read) << "a table cut inside its header loaded, length " << length;
            }
        }
    }
}

TEST(Corruption, TruncatedLargeTableFailsWhereRecordsAreCut) {
    // 1 203 records in 4 KB blocks: cut at every 61st byte, and just around each block start.
    const Bytes full = ReadTable("t232006+Individual-dictionary/_QSQ33.DB");
    const std::size_t headerSize = ReadU16(full.data() + format::kHeaderSize);
    constexpr std::size_t kBlock = 4096, kStride = 61;
    for (std::size_t length = 0; length < full.size(); length += kStride) ReadAll(Bytes(full.begin(), full.begin() + length));
    for (std::size_t start = headerSize; start < full.size(); start += kBlock)
        for (std::size_t length : {start - 1, start, start + 1, start + format::kBlockHeaderSize + 1})
            ReadAll(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
    // Cutting into the last block's records loses data: that must be an error, not a shorter table.
    const auto table = TableFile::FromBytes(full, "_QSQ33.DB");
    const auto& last = table->Blocks().back();
    const std::size_t recordsEnd = last.offset + last.count * table->Header().recordSize;
    EXPECT_FALSE(ReadAll(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(recordsEnd - 1))));
    EXPECT_TRUE(ReadAll(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(recordsEnd))));
}

TEST(Corruption, FlippedBytesReadOrFail) {
    std::mt19937 random(kSeed);
    for (const char* name : kSmallTables) {
        SCOPED_TRACE(name);
        const Bytes original = ReadTable(name);
        const std::size_t headerSize = ReadU16(original.data() + format::kHeaderSize);
        for (int round = 0; round < kFlipRounds; ++round) {
            Bytes damaged = original;
            const int flips = 1 + static_cast<int>(random() % 4);
            for (int k = 0; k < flips; ++k) {
                // Half the damage goes into the header, where one byte changes the most.
                const std::size_t range = (random() & 1) ? headerSize : damaged.size();
                damaged[random() % range] ^= static_cast<std::uint8_t>(1 + random() % 255);
            }
            ReadAll(std::move(damaged));
        }
    }
}

// Header fields set to values no writer produces.
TEST(Corruption, AbsurdHeaderValuesReadOrFail) {
    struct Slot {
        std::size_t offset;
        int width;
    };
    const Slot slots[] = {
        {format::kRecordSize, 2},   {format::kHeaderSize, 2},      {format::kFileType, 1},
        {format::kBlockSizeKb, 1},  {format::kNumRecords, 4},      {format::kBlocksInUse, 2},
        {format::kFileBlocks, 2},   {format::kFirstBlock, 2},      {format::kLastBlock, 2},
        {format::kNumFields, 2},    {format::kNumKeyFields, 2},    {format::kEncryption1, 4},
        {format::kVersion, 1},      {format::kFirstFreeBlock, 2},  {format::kEncryption2, 4},
        {format::kFieldNumbersOffset, 2}, {format::kIndexNameOffset, 2}, {format::kCodePage, 2},
        {format::kDataHeaderEnd, 2},  // the first field's type and size
    };
    const std::uint32_t values[] = {0, 1, 2, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
    for (const char* name : kSmallTables) {
        SCOPED_TRACE(name);
        const Bytes original = ReadTable(name);
        for (const Slot& slot : slots) {
            for (std::uint32_t v : values) {
                Bytes damaged = original;
                for (int b = 0; b < slot.width; ++b) damaged[slot.offset + b] = static_cast<std::uint8_t>(v >> (8 * b));
                ReadAll(std::move(damaged));
            }
        }
    }
}

// Block headers with impossible links and sizes.
TEST(Corruption, AbsurdBlockHeadersReadOrFail) {
    const char* const tables[] = {"leonhad+paradoxdriver/db/AREACODES.DB", "nilsfr+python-pxlib/KOMMENT.DB",
                                  "leonhad+paradoxdriver/fields/long.db"};
    const std::uint16_t links[] = {0, 1, 2, 3, 0x7FFF, 0xFFFF};
    const std::int16_t sizes[] = {-32768, -1000, -9, -1, 0, 1, 7, 1000, 4088, 16378, 32767};
    for (const char* name : tables) {
        SCOPED_TRACE(name);
        const Bytes original = ReadTable(name);
        const auto table = TableFile::FromBytes(original, name);
        for (const auto& block : table->Blocks()) {
            const std::size_t at = block.offset - format::kBlockHeaderSize;
            for (std::uint16_t link : links) {
                Bytes damaged = original;
                WriteU16(damaged.data() + at + format::kBlockNext, link);
                ReadAll(damaged);
                WriteU16(damaged.data() + at + format::kBlockPrev, link);
                ReadAll(std::move(damaged));
            }
            for (std::int16_t size : sizes) {
                Bytes damaged = original;
                WriteU16(damaged.data() + at + format::kBlockAddDataSize, static_cast<std::uint16_t>(size));
                ReadAll(std::move(damaged));
            }
        }
    }
}

TEST(Corruption, BlockChainLoopIsAnError) {
    Bytes bytes = ReadTable("leonhad+paradoxdriver/db/AREACODES.DB");
    const auto table = TableFile::FromBytes(bytes, "AREACODES.DB");
    ASSERT_GE(table->Blocks().size(), 2u);
    const auto& last = table->Blocks().back();
    WriteU16(bytes.data() + last.offset - format::kBlockHeaderSize + format::kBlockNext, table->Blocks().front().number);
    try {
        TableFile::FromBytes(bytes, "AREACODES.DB");
        FAIL() << "a looping block chain loaded";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("block"), std::string::npos) << e.what();
    }
}

// Blob tables read their .MB beside them: damage the .MB and the blob references.
TEST(Corruption, DamagedBlobFilesReadOrFail) {
    const TempDir dir;
    std::mt19937 random(kSeed);
    for (const char* stem : {"leonhad+paradoxdriver/fields/memo", "nilsfr+python-pxlib/KOMMENT",
                             "leonhad+paradoxdriver/fields/graphic240"}) {
        SCOPED_TRACE(stem);
        const fs::path source = kDataDir / stem;
        const auto db = ResolveNoCase(source.string() + ".db");
        const auto mb = ResolveNoCase(source.string() + ".mb");
        ASSERT_TRUE(db && mb);
        const Bytes table = ReadWholeFile(*db), blobs = ReadWholeFile(*mb);
        const fs::path dbCopy = dir.Path() / "t.db", mbCopy = dir.Path() / "t.mb";
        WriteFile(dbCopy, table);
        WriteFile(mbCopy, blobs);
        ASSERT_TRUE(LoadAndReadAll(dbCopy));
        for (std::size_t length = 0; length < blobs.size(); length += 97) {
            WriteFile(mbCopy, Bytes(blobs.begin(), blobs.begin() + static_cast<std::ptrdiff_t>(length)));
            LoadAndReadAll(dbCopy);
        }
        for (int round = 0; round < 300; ++round) {
            Bytes damaged = blobs;
            for (int k = 0; k < 4; ++k) damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
            WriteFile(mbCopy, damaged);
            LoadAndReadAll(dbCopy);
        }
        // References into the .MB: random offsets, slots and lengths in every record.
        WriteFile(mbCopy, blobs);
        const auto t = TableFile::Load(*db);
        for (int round = 0; round < 300; ++round) {
            Bytes damaged = table;
            for (std::size_t i = 0; i < t->RecordCount(); ++i)
                for (const auto& f : t->Fields()) {
                    if (!IsBlobType(f.type)) continue;
                    std::uint8_t* tail = damaged.data() + (t->Record(i) - t->Record(0)) + t->Blocks()[0].offset +
                                         static_cast<std::size_t>(f.offset + f.length - 10);
                    WriteU32(tail, static_cast<std::uint32_t>(random()));
                    WriteU32(tail + 4, (random() & 1) ? static_cast<std::uint32_t>(random()) : random() % 5000);
                }
            WriteFile(dbCopy, damaged);
            LoadAndReadAll(dbCopy);
        }
    }
}

}  // namespace
}  // namespace ter5::engine
