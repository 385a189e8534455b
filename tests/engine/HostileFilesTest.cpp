// What other hands leave in a shared base, tried on copies of real tables with
// ter5tool processes: a memo file put back from an older copy, records on blocks
// taken off the chain, tables whose names differ only in case, FIFOs under the
// names of lock and table files, symbolic links, a table file far larger than its
// header, and a table another process holds. Every case: nothing is lost, nothing
// is misreported, and a refused write changes no byte.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <fstream>
#include <functional>
#include <string>

#include "DataSetTestSupport.h"
#include "ProcessSupport.h"
#include "engine/ByteIo.h"
#include "engine/TableFile.h"

namespace ter5::engine::testing {
namespace {

const fs::path kData = TER5_TEST_DATA_DIR;

// Copies the files `names` of the test data folder `folder` into `dir`, writable.
void CopyData(const std::string& folder, const std::vector<std::string>& names, const fs::path& dir) {
    for (const std::string& name : names) {
        fs::copy_file(kData / folder / name, dir / name, fs::copy_options::overwrite_existing);
        fs::permissions(dir / name, fs::perms::owner_write, fs::perm_options::add);
    }
}

std::string Quoted(const fs::path& p) { return "'" + PathToUtf8(p) + "'"; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Runs ter5tool; on POSIX systems it is killed after a minute, so that a command
// waiting on a FIFO fails the test instead of hanging it (exit 124).
int RunWithin(const std::string& arguments, std::string* output = nullptr, const std::string& env = "") {
#ifdef _WIN32
    return RunTool(arguments, output, env);
#else
    return RunProgram("timeout", "60 '" + std::string(TER5_TOOL_PATH) + "' " + arguments, output, env);
#endif
}

// Checks that `write` (a ter5tool command line) fails with every part of `message`
// and leaves every file of `dir` as it was.
void ExpectRefusedUnchanged(const fs::path& dir, const std::string& write, const std::vector<std::string>& message) {
    const auto before = Snapshot(dir);
    std::string out;
    EXPECT_EQ(RunWithin(write, &out), 2) << write << "\n" << out;
    for (const std::string& part : message) EXPECT_TRUE(Contains(out, part)) << write << "\n" << out;
    EXPECT_EQ(Snapshot(dir), before) << write;
}

// A copy of the real keyed table SPRKU (.DB and .PX) in `dir`, its dump and a CSV of
// one new row beside it.
struct Sprku {
    explicit Sprku(const fs::path& dir) : table(dir / "SPRKU.DB"), csv(dir / "rows.csv") {
        CopyData("Chevich+KsmProj", {"SPRKU.DB", "SPRKU.PX"}, dir);
        EXPECT_EQ(RunTool("dump " + Quoted(table), &dumped), 0);
        header = dumped.substr(0, dumped.find('\n'));
        WriteText(csv, header.substr(0, header.find(',')) + "\n99\n");
    }
    fs::path table, csv;
    std::string dumped, header;
};

// The byte offset of record `i` (chain order) of a table on disk.
std::size_t RecordOffset(const fs::path& table, std::size_t i) {
    const auto t = TableFile::Load(table);
    const TableFile::Block& b = t->Blocks()[t->BlockOfRecord(i)];
    return b.offset + (i - b.firstRecord) * t->Header().recordSize;
}

TEST(HostileFilesTest, AnOlderMemoFilePutBackIsFoundAndRefusesWritesInsteadOfCrossLinkingMemos) {
    TempDir dir;
    CopyData("nilsfr+python-pxlib", {"KOMMENT.DB", "KOMMENT.MB", "KOMMENT.PX"}, dir.Path());
    const fs::path table = dir.Path() / "KOMMENT.DB";
    const fs::path mb = dir.Path() / "KOMMENT.MB";
    const auto originalSize = fs::file_size(mb);
    const std::string memo(400, 'x');  // longer than the field's leader: it goes to the .MB
    for (int i = 1; i <= 3; ++i) {
        const fs::path csv = dir.Path() / ("rows" + std::to_string(i) + ".csv");
        WriteText(csv, "Aar,Org_kode,Kommentar\n20" + std::to_string(10 + i) + ",NEW" + std::to_string(i) + ",memo " +
                           std::to_string(i) + " " + memo + "\n");
        ASSERT_EQ(RunTool("append " + Quoted(table) + " " + Quoted(csv)), 0);
    }
    std::string out;
    ASSERT_EQ(RunTool("verify " + Quoted(table), &out), 0) << out;
    std::string dumped;
    ASSERT_EQ(RunTool("dump " + Quoted(table), &dumped), 0);
    ASSERT_TRUE(Contains(dumped, "memo 2 " + memo));

    fs::resize_file(mb, originalSize);  // the memo file as it was before the appends
    EXPECT_EQ(RunTool("verify " + Quoted(table), &out), 1) << out;
    EXPECT_TRUE(Contains(out, "field 'Kommentar': the blob at offset " + std::to_string(originalSize) + " lies outside")) << out;
    const fs::path more = dir.Path() / "more.csv";
    WriteText(more, "Aar,Org_kode,Kommentar\n2031,LATE,late " + memo + "\n");
    ExpectRefusedUnchanged(dir.Path(), "append " + Quoted(table) + " " + Quoted(more),
                           {"the table is damaged", "lies outside", "`ter5tool verify` lists the damage"});
}

TEST(HostileFilesTest, BlobReferencesThatDoNotHoldAreReportedByVerify) {
    TempDir dir;
    CopyData("nilsfr+python-pxlib", {"KOMMENT.DB", "KOMMENT.MB", "KOMMENT.PX"}, dir.Path());
    const fs::path table = dir.Path() / "KOMMENT.DB";
    const auto t = TableFile::Load(table);
    const FieldDesc& memo = t->Fields()[3];
    // The records whose memo lies in the .MB (its reference's offset is not zero).
    std::vector<std::size_t> inFile;
    for (std::size_t i = 0; i < t->RecordCount(); ++i)
        if (ReadU32(t->Record(i) + memo.offset + memo.length - 10) != 0) inFile.push_back(i);
    ASSERT_GE(inFile.size(), 2u);
    const auto pristine = ReadWholeFile(table);
    const std::size_t tail = memo.offset + memo.length - 10;  // offset u32, length u32, modification u16

    struct Damage {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> apply;
        std::string message;
    };
    const std::size_t a = RecordOffset(table, inFile[0]) + tail;
    const std::size_t b = RecordOffset(table, inFile[1]) + tail;
    const std::vector<Damage> damages = {
        {"two records name one blob",
         [&](std::vector<std::uint8_t>& bytes) { std::copy(bytes.begin() + a, bytes.begin() + a + 10, bytes.begin() + b); },
         "as record " + std::to_string(inFile[0] + 1) + " does"},
        {"another modification number", [&](std::vector<std::uint8_t>& bytes) { WriteU16(bytes.data() + a + 8, ReadU16(bytes.data() + a + 8) + 1); },
         "has modification number"},
        {"another length", [&](std::vector<std::uint8_t>& bytes) { WriteU32(bytes.data() + a + 4, ReadU32(bytes.data() + a + 4) + 1); }, "holds"},
        {"a free slot", [&](std::vector<std::uint8_t>& bytes) { bytes[a] = 32; }, "free slot"},  // KOMMENT's blocks use slots 51–63
    };
    for (const Damage& d : damages) {
        auto bytes = pristine;
        d.apply(bytes);
        WriteFileAtomic(table, bytes);
        std::string out;
        EXPECT_EQ(RunTool("verify " + Quoted(table), &out), 1) << d.what << "\n" << out;
        EXPECT_TRUE(Contains(out, "field 'Kommentar'") && Contains(out, d.message)) << d.what << "\n" << out;
    }
    WriteFileAtomic(table, pristine);
    std::string out;
    EXPECT_EQ(RunTool("verify " + Quoted(table), &out), 0) << out;  // the real file holds every rule
}

// Takes the second block of `table`'s chain off the chain and puts it on the free
// list, its records left in it, with every header counter made to agree.
std::size_t UnlinkSecondBlock(const fs::path& table) {
    auto bytes = ReadWholeFile(table);
    const std::size_t headerSize = ReadU16(bytes.data() + 2);
    const std::size_t blockSize = bytes[5] * 1024u;
    const std::size_t recordSize = ReadU16(bytes.data());
    const auto at = [&](std::size_t n) { return bytes.data() + headerSize + (n - 1) * blockSize; };
    const std::uint16_t first = ReadU16(bytes.data() + 0x0E);
    const std::uint16_t second = ReadU16(at(first));
    const std::uint16_t third = ReadU16(at(second));
    const std::size_t records = static_cast<std::size_t>(ReadS16(at(second) + 4)) / recordSize + 1;
    WriteU16(at(first), third);
    WriteU16(at(third) + 2, first);
    WriteU16(at(second), 0);
    WriteU16(bytes.data() + 0x4D, second);                              // first free block
    WriteU16(bytes.data() + 0x0A, ReadU16(bytes.data() + 0x0A) - 1);    // blocks in use
    WriteU32(bytes.data() + 0x06, static_cast<std::uint32_t>(ReadU32(bytes.data() + 0x06) - records));
    WriteFileAtomic(table, bytes);
    return records;
}

TEST(HostileFilesTest, RecordsOnABlockTakenOffTheChainAreReportedAndNoWriteDropsThem) {
    TempDir dir;
    CopyData("t232006+Individual-dictionary", {"_QSQ33.DB", "_QSQ33.X01"}, dir.Path());
    const fs::path table = dir.Path() / "_QSQ33.DB";
    const std::size_t hidden = UnlinkSecondBlock(table);
    ASSERT_EQ(hidden, 16u);
    ASSERT_EQ(TableFile::Load(table)->RecordCount(), 1203u - hidden);
    std::string out;
    EXPECT_EQ(RunTool("verify " + Quoted(table), &out), 1) << out;
    EXPECT_TRUE(Contains(out, "block 2 is on the free list but holds 16 records")) << out;
    const fs::path csv = dir.Path() / "rows.csv";
    WriteText(csv, "word\nnew word\n");
    for (const std::string& write : {"append " + Quoted(table) + " " + Quoted(csv),
                                     "index add " + Quoted(table) + " --secondary byWord word --case-insensitive",
                                     "index add " + Quoted(table) + " --primary word"})
        ExpectRefusedUnchanged(dir.Path(), write, {"the table is damaged", "block 2", "`ter5tool verify` lists the damage"});
}

TEST(HostileFilesTest, TablesWhoseNamesDifferOnlyInCaseAreRefusedByEveryCommand) {
    TempDir dir;
    const Sprku copy(dir.Path());
    const fs::path& table = copy.table;
    const fs::path& csv = copy.csv;
    const std::string& header = copy.header;
#ifdef _WIN32
    GTEST_SKIP() << "Windows names ignore case: two such files cannot be made";
#else
    fs::copy_file(table, dir.Path() / "sprku.db");
    const std::vector<std::string> commands = {"append " + Quoted(table) + " " + Quoted(csv),
                                               "append " + Quoted(dir.Path() / "sprku.db") + " " + Quoted(csv),
                                               "index add " + Quoted(table) + " --secondary Other " +
                                                   header.substr(header.rfind(',') + 1),
                                               "verify " + Quoted(table), "dump " + Quoted(table), "info " + Quoted(table)};
    for (const std::string& command : commands)
        ExpectRefusedUnchanged(dir.Path(), command,
                               {"two tables whose names differ only in case", "Windows programs cannot tell them apart"});
    // Index files of one table in two spellings are as ambiguous.
    fs::remove(dir.Path() / "sprku.db");
    fs::copy_file(dir.Path() / "SPRKU.PX", dir.Path() / "sprku.px");
    ExpectRefusedUnchanged(dir.Path(), commands[0], {"two files of one table whose names differ only in case"});
    fs::remove(dir.Path() / "sprku.px");
    EXPECT_EQ(RunTool(commands[0]), 0);
#endif
}

#ifndef _WIN32
TEST(HostileFilesTest, FifosUnderTheNamesOfLockJournalAndTableFilesHangNothing) {
    TempDir dir;
    CopyData("nilsfr+python-pxlib", {"KOMMENT.DB", "KOMMENT.MB", "KOMMENT.PX"}, dir.Path());
    const fs::path table = dir.Path() / "KOMMENT.DB";
    const auto rows = [&](const std::string& key) {
        const fs::path csv = dir.Path() / (key + ".csv");
        WriteText(csv, "Aar,Org_kode\n2040," + key + "\n");
        return "append " + Quoted(table) + " " + Quoted(csv);
    };
    std::string out;
    // The original engine's lock files: a FIFO is nobody's lock, and nothing waits on it.
    for (const char* name : {"PARADOX.LCK", "PDOXUSRS.LCK", "KOMMENT.LCK"}) {
        ASSERT_EQ(::mkfifo((dir.Path() / name).c_str(), 0644), 0);
        EXPECT_EQ(RunWithin("verify " + Quoted(table), &out), 0) << name << "\n" << out;
        EXPECT_EQ(RunWithin("info " + Quoted(dir.Path()), &out), 0) << name << "\n" << out;
        EXPECT_EQ(RunWithin(rows(std::string("K") + name[0] + name[1]), &out), 0) << name << "\n" << out;
        fs::remove(dir.Path() / name);
    }
    // Our lock file: reading goes on without it, writing is refused naming it.
    fs::remove(dir.Path() / kLockFileName);
    ASSERT_EQ(::mkfifo((dir.Path() / kLockFileName).c_str(), 0644), 0);
    EXPECT_EQ(RunWithin("verify " + Quoted(table), &out), 0) << out;
    ExpectRefusedUnchanged(dir.Path(), rows("LOCK"), {std::string(kLockFileName) + " cannot be used", "FIFO"});
    fs::remove(dir.Path() / kLockFileName);
    // A journal: reported, left alone, writes refused.
    ASSERT_EQ(::mkfifo((dir.Path() / "KOMMENT.ter5journal").c_str(), 0644), 0);
    EXPECT_EQ(RunWithin("verify " + Quoted(table), &out), 1) << out;
    EXPECT_TRUE(Contains(out, "KOMMENT.ter5journal: not a journal this program wrote")) << out;
    ExpectRefusedUnchanged(dir.Path(), rows("JOUR"), {"not a journal this program wrote", "nothing was written"});
    EXPECT_TRUE(fs::is_fifo(dir.Path() / "KOMMENT.ter5journal"));
    fs::remove(dir.Path() / "KOMMENT.ter5journal");
    // The memo file: its memos cannot be read, and nothing waits.
    fs::rename(dir.Path() / "KOMMENT.MB", dir.Path() / "saved.mb");
    ASSERT_EQ(::mkfifo((dir.Path() / "KOMMENT.MB").c_str(), 0644), 0);
    EXPECT_EQ(RunWithin("dump " + Quoted(table), &out), 2) << out;
    EXPECT_TRUE(Contains(out, "KOMMENT.MB: cannot read: it is a FIFO")) << out;
    EXPECT_EQ(RunWithin("verify " + Quoted(table), &out), 1) << out;
    ExpectRefusedUnchanged(dir.Path(), rows("MEMO"), {"the table is damaged", "FIFO"});
}

TEST(HostileFilesTest, ASymlinkedTableIsRefusedAndStaysALink) {
    TempDir dir, elsewhere;
    const Sprku copy(elsewhere.Path());
    fs::create_symlink(copy.table, dir.Path() / "SPRKU.DB");
    fs::copy_file(elsewhere.Path() / "SPRKU.PX", dir.Path() / "SPRKU.PX");
    const fs::path csv = dir.Path() / "rows.csv";
    fs::copy_file(copy.csv, csv);
    std::string dumped;
    EXPECT_EQ(RunTool("dump " + Quoted(dir.Path() / "SPRKU.DB"), &dumped), 0);  // reading through the link works
    EXPECT_EQ(dumped, copy.dumped);
    const auto target = Snapshot(elsewhere.Path());
    ExpectRefusedUnchanged(dir.Path(), "append " + Quoted(dir.Path() / "SPRKU.DB") + " " + Quoted(csv),
                           {"is a symbolic link to", "nothing was written"});
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "SPRKU.DB"));
    EXPECT_EQ(Snapshot(elsewhere.Path()), target);
    EXPECT_EQ(RunTool("append " + Quoted(elsewhere.Path() / "SPRKU.DB") + " " + Quoted(csv)), 0);  // where it lies
}

TEST(HostileFilesTest, ATableFileFarLargerThanItsHeaderAllowsIsNotReadWhole) {
    TempDir dir;
    const Sprku copy(dir.Path());
    const fs::path& table = copy.table;
    const std::uintmax_t size = fs::file_size(table);
    constexpr std::uintmax_t kHuge = 20ull << 30;  // sparse: no disk space is taken
    fs::resize_file(table, kHuge);
    std::string out;
    EXPECT_EQ(RunTool("verify " + Quoted(table), &out), 1) << out;
    EXPECT_TRUE(Contains(out, "goes on " + std::to_string(kHuge - size) + " bytes past the end of its last block")) << out;
    EXPECT_EQ(RunTool("dump " + Quoted(table), &out), 0);
    EXPECT_TRUE(Contains(out, copy.dumped)) << out;  // every record still read
    EXPECT_EQ(RunTool("append " + Quoted(table) + " " + Quoted(copy.csv), &out), 2) << out;
    EXPECT_TRUE(Contains(out, "the table is damaged")) << out;
    EXPECT_EQ(fs::file_size(table), kHuge);
}
#endif

TEST(HostileFilesTest, VerifyOfATableAnotherProcessHoldsExclusivelySaysBusy) {
    TempDir dir;
    const fs::path table = Sprku(dir.Path()).table;
    Holder holder("engine-exclusive", table);
    ASSERT_TRUE(holder.Held());
    std::string out;
    EXPECT_EQ(RunTool("verify " + Quoted(table), &out), 2) << out;
    EXPECT_TRUE(Contains(out, "busy: ") && Contains(out, "Table is busy")) << out;
    EXPECT_FALSE(Contains(out, "unreadable")) << out;
    EXPECT_EQ(holder.Finish(), 0);
    EXPECT_EQ(RunTool("verify " + Quoted(table), &out), 0) << out;
}

}  // namespace
}  // namespace ter5::engine::testing
