// Verification of the real tables, stale hints and out-of-date indexes, corrupt and
// hostile B-tree files, and the exit codes of `ter5tool verify`.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>


#include "../support/ProcessRun.h"
#include "engine/ByteIo.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexBuilder.h"
#include "engine/IndexReader.h"
#include "engine/IndexVerify.h"

namespace ter5::engine {
namespace {

namespace fs = std::filesystem;

const fs::path kDataDir = TER5_TEST_DATA_DIR;

std::string Errors(const std::vector<VerifyProblem>& problems) {
    std::string s;
    for (const auto& p : problems)
        if (!p.isNote) s += p.text + "\n";
    return s;
}

bool HasNote(const std::vector<VerifyProblem>& problems, const std::string& part) {
    for (const auto& p : problems)
        if (p.isNote && p.text.find(part) != std::string::npos) return true;
    return false;
}

TEST(IndexVerify, RealTablesAreConsistentExceptTheBrokenOnes) {
    std::size_t checked = 0;
    for (const auto& e : fs::recursive_directory_iterator(kDataDir)) {
        if (!e.is_regular_file() || !EqualsNoCase(e.path().extension().string(), ".db")) continue;
        const std::string name = e.path().filename().string();
        SCOPED_TRACE(name);
        const auto problems = VerifyTable(e.path());
        ++checked;
        const std::string errors = Errors(problems);
        // synch1.db: the header says 4 records, its only block is empty. STATES.DB
        // is keyed but has no .PX, which other programs refuse to open.
        EXPECT_EQ(errors.find("4 records") != std::string::npos, name == "synch1.db") << errors;
        EXPECT_EQ(errors.find("without its primary index file") != std::string::npos, name == "STATES.DB") << errors;
        EXPECT_EQ(errors.empty(), name != "synch1.db" && name != "STATES.DB") << errors;
        const std::vector<std::pair<std::string, std::string>> notes = {
            {"case.db", "non-maintained index lags behind its table"},
            {"_QSQ33.DB", "no tree file"},
            {"fk4.db", "counter at 0x2E is 133"},  // the .DB says 132
        };
        for (const auto& [table, note] : notes) {
            if (name == table) {
                EXPECT_TRUE(HasNote(problems, note)) << note;
            }
        }
    }
    EXPECT_GE(checked, 30u);
}

class IndexDamageTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("ter5-verify-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        for (const auto& e : fs::directory_iterator(kDataDir / "leonhad+paradoxdriver/joins"))
            if (e.path().stem() == "C") {
                // Writable copies: the data folder may be read-only, and Windows replaces no read-only file.
                fs::copy_file(e.path(), dir_ / e.path().filename());
                fs::permissions(dir_ / e.path().filename(), fs::perms::owner_write, fs::perm_options::add);
            }
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Changes byte `offset` of a file in the temporary directory.
    void Poke(const std::string& file, std::size_t offset, std::uint8_t value) {
        auto bytes = ReadWholeFile(dir_ / file);
        bytes.at(offset) = value;
        WriteFileAtomic(dir_ / file, bytes);
    }

    fs::path dir_;
};

// C.X02 holds A, C, Blk Num (10 bytes) from offset 0x806; C.PX one entry at 0x806.
constexpr std::size_t kFirstRecord = 0x806;

TEST_F(IndexDamageTest, StaleHintsAreNotesChangedKeysAreErrors) {
    EXPECT_EQ(VerifyTable(dir_ / "C.DB").size(), 0u);
    Poke("C.X02", kFirstRecord + 9, 0x02);  // Blk Num 1 → 2: a stale hint
    auto problems = VerifyTable(dir_ / "C.DB");
    EXPECT_EQ(Errors(problems), "");
    EXPECT_TRUE(HasNote(problems, "1 of 3 entries carry stale block hints"));

    Poke("C.X03", kFirstRecord + 3, 0x09);  // B of the first entry: 4 → 9
    problems = VerifyTable(dir_ / "C.DB");
    EXPECT_NE(Errors(problems).find("C.X03: entry 1 does not match"), std::string::npos) << Errors(problems);
    EXPECT_NE(Errors(problems).find("C.Y03: leaf entry 1 has key"), std::string::npos) << Errors(problems);

    Poke("C.PX", kFirstRecord + 7, 0x02);  // key 4 bytes, child 2, count 0x8003 → 0x8002
    EXPECT_NE(Errors(VerifyTable(dir_ / "C.DB")).find("C.PX: leaf entry 1 counts 2 records"), std::string::npos);
}

TEST_F(IndexDamageTest, CorruptTreeFilesGiveEngineErrors) {
    // A two-level tree: 500 leaf entries of a Long key, 204 to a 2 KB block.
    const auto table = TableFile::Load(dir_ / "C.DB");
    std::vector<TreeEntry> leaves;
    for (std::uint16_t i = 1; i <= 500; ++i) {
        std::string key(4, '\0');
        WriteFlippedU32(reinterpret_cast<std::uint8_t*>(key.data()), i * 10u);
        leaves.push_back({key, i, 7});
    }
    const std::vector<FieldDesc> keyFields(table->Header().fields.begin(), table->Header().fields.begin() + 1);
    const auto image = BuildTreeFile(table->Header(), FileType::PrimaryIndex, keyFields, leaves, "T.PX");
    const IndexTree tree = ReadIndexTree(image, "T.PX");
    ASSERT_EQ(tree.header.indexLevels, 2);
    EXPECT_EQ(tree.Leaves().size(), 500u);
    EXPECT_EQ(tree.levels[0][0].entries[2].count, 92u * 7u);

    const std::size_t root = 0x800 + format::kBlockHeaderSize;  // first root entry: key, child, count, 0
    const std::size_t childOfFirstEntry = root + 4;
    auto expectError = [&](std::vector<std::uint8_t> bytes, const char* expected) {
        try {
            ReadIndexTree(bytes, "T.PX");
            ADD_FAILURE() << "accepted: " << expected;
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
    };
    auto bytes = image;
    WriteFlippedU16(bytes.data() + childOfFirstEntry, 1);  // the root points at itself
    expectError(bytes, "block 1 is reached twice");
    WriteFlippedU16(bytes.data() + childOfFirstEntry, 3);  // two entries share a child
    expectError(bytes, "block 3 is reached twice");
    WriteFlippedU16(bytes.data() + childOfFirstEntry, 900);
    expectError(bytes, "names block 900");
    bytes = image;
    bytes[format::kIndexLevels] = 200;  // leaf entries taken for tree pointers
    expectError(bytes, "reached twice");
    bytes = image;
    WriteU16(bytes.data() + format::kIndexRoot, 0);
    expectError(bytes, "the root names block 0");
    bytes = image;
    WriteU16(bytes.data() + 0x800 + format::kBlockAddDataSize, 0x7FF8);
    expectError(bytes, "claims");
    bytes = image;
    bytes.resize(0x800 + 2048 + 100);
    expectError(bytes, "truncated file");

    // Random damage to the header and the root of real and built trees: an answer or
    // an EngineError, nothing else.
    std::mt19937 random(20240611);
    for (const fs::path& file : {dir_ / "C.PX", dir_ / "C.Y02"}) {
        for (const auto& original : {ReadWholeFile(file), image}) {
            for (int round = 0; round < 3000; ++round) {
                auto damaged = original;
                for (int k = 0; k < 3; ++k)
                    damaged[random() % std::min<std::size_t>(damaged.size(), 0x800 + 64)] = static_cast<std::uint8_t>(random());
                try {
                    ReadIndexTree(damaged, "damaged");
                } catch (const EngineError&) {
                }
            }
        }
    }

    // Damaged index files are verify errors naming the file, not exceptions.
    fs::resize_file(dir_ / "C.Y03", 0x800 + 3);
    fs::resize_file(dir_ / "C.X02", 40);  // shorter than any header
    const std::string errors = Errors(VerifyTable(dir_ / "C.DB"));
    EXPECT_NE(errors.find("C.Y03: unreadable: "), std::string::npos) << errors;
    EXPECT_NE(errors.find("C.X02: unreadable: " + (dir_ / "C.X02").string() + ": not a Paradox file"), std::string::npos)
        << errors;
    EXPECT_THROW(DiscoverIndexes(*table), EngineError);
}

int RunTool(const std::string& args, const fs::path& output) {
    std::string text;
    const int code = ter5::testing::RunProgram(TER5_TOOL_PATH, args, &text);
    std::ofstream(output, std::ios::binary) << text;
    return code;
}

std::string ReadText(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(IndexDamageTest, VerifyCommandExitCodes) {
    const fs::path out = dir_ / "out.txt";
    EXPECT_EQ(RunTool("verify \"" + dir_.string() + "\"", out), 0) << ReadText(out);
    EXPECT_EQ(ReadText(out), "");
    Poke("C.Y02", kFirstRecord + 1, 0x07);
    EXPECT_EQ(RunTool("verify \"" + (dir_ / "C.DB").string() + "\"", out), 1);
    EXPECT_NE(ReadText(out).find("error: " + (dir_ / "C.Y02").string() + ": leaf entry 1 has key"), std::string::npos)
        << ReadText(out);
    const fs::path junk = dir_ / "JUNK.DB";
    std::ofstream(junk) << "not a table";
    EXPECT_EQ(RunTool("verify \"" + (dir_ / "C.DB").string() + "\" \"" + junk.string() + "\"", out), 2);
    EXPECT_NE(ReadText(out).find("unreadable: "), std::string::npos);
}

}  // namespace
}  // namespace ter5::engine
