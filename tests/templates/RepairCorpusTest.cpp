// The damage corpus: copies of real tables and of a demo base, each damaged one
// way (cut inside the header, inside a block or at a block boundary, blocks
// zeroed or overwritten, links broken, a chain loop, wrong header counts, a fill
// offset past its block, a flipped field type, a damaged memo block, a repeated
// key). After the repair: every record of every undamaged block is kept byte for
// byte and none is invented; the others are in PROBLEMS or KEYVIOL or in a block
// the report names; verify passes; pxlib reads the table; the backup holds the
// files as they were; a second repair finds nothing to do.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <tuple>

#include "../engine/ProtectionSupport.h"
#include "RepairTestSupport.h"
#include "TemplateTestSupport.h"
#include "base/DemoBase.h"
#include "engine/IndexVerify.h"
#include "engine/RepairSideTables.h"
#include "engine/TableRepair.h"
#include "templates/BaseRepair.h"

namespace ter5::templates::testing {
namespace {

using engine::TableRepairReport;
using Outcome = TableRepairReport::Outcome;

// A demo base of this many parcels has a vertex table of about ten blocks.
constexpr std::size_t kDemoParcels = 40;

struct Damage {
    Damage(std::string n, std::function<void(const fs::path&)> a, std::set<std::uint32_t> l = {}, std::uint32_t from = 0,
           Outcome e = Outcome::Repaired)
        : name(std::move(n)), apply(std::move(a)), lossy(std::move(l)), lossyFrom(from), expected(e) {}
    std::string name;
    std::function<void(const fs::path& table)> apply;
    // Blocks whose records may be missing after the repair (0: from the block before on).
    std::set<std::uint32_t> lossy;
    std::uint32_t lossyFrom = 0;
    Outcome expected = Outcome::Repaired;
};

std::multiset<std::string> Bytes(const std::vector<RawRecord>& records) {
    std::multiset<std::string> set;
    for (const RawRecord& r : records) set.insert(r.bytes);
    return set;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (unsigned char c : bytes) (s += digits[c >> 4]) += digits[c & 0xF];
    return s;
}

// The raw bytes KEYVIOL.DB keeps and PROBLEMS.DB records as hexadecimal text.
std::multiset<std::string> SetAside(const fs::path& folder) {
    std::multiset<std::string> set;
    if (auto kv = engine::FindFileNoCase(folder, engine::kKeyViolationsTable))
        for (const RawRecord& r : RawRecords(*kv)) set.insert(Hex(r.bytes));
    if (auto pr = engine::FindFileNoCase(folder, engine::kProblemsTable)) {
        const auto t = engine::TableFile::Load(*pr);
        for (std::size_t i = 0; i < t->RecordCount(); ++i) set.insert(t->Get(i, t->Fields().size() - 1).text);
    }
    return set;
}

class RepairCorpusTest : public ::testing::Test {
protected:
    void SetUp() override { base::WriteDemoBase(demo.Path(), {kDemoParcels, 7}); }

    // Copies `stem` of `from` into a fresh directory, damages it and repairs it;
    // checks everything the corpus promises.
    TableRepairReport Run(const fs::path& from, const std::string& stem, const std::string& ext, const Damage& damage,
                          const engine::StructureSource* structure = nullptr) {
        SCOPED_TRACE(stem + ": " + damage.name);
        TempDir dir, backup;
        CopyTable(from, stem, dir.Path());
        const fs::path table = dir.Path() / (stem + ext);
        const std::vector<RawRecord> originals = RawRecords(table);
        damage.apply(table);
        const auto damaged = Files(dir.Path());
        engine::RepairOptions options;
        options.backupFolder = backup.Path() / stem;
        options.structure = structure;
        const TableRepairReport report = engine::RepairTable(table, options);
        EXPECT_EQ(report.outcome, damage.expected) << engine::FormatRepairReport(report, engine::ReportLanguage::English);
        if (report.outcome != Outcome::Repaired && report.outcome != Outcome::RepairedWithLosses) return report;

        const std::vector<RawRecord> repaired = RawRecords(table);
        for (const auto& p : engine::VerifyTable(table)) EXPECT_TRUE(p.isNote) << p.text;
        std::multiset<std::string> left = Bytes(repaired);
        std::multiset<std::string> aside = SetAside(options.backupFolder);
        std::set<std::uint32_t> reported;
        for (const auto& b : report.damagedBlocks) reported.insert(b.number);
        const auto lossy = [&](const RawRecord& r) {
            return damage.lossy.count(r.block) || (damage.lossyFrom && r.block >= damage.lossyFrom);
        };
        std::vector<RawRecord> missing;
        for (int pass = 0; pass < 2; ++pass)  // the records of undamaged blocks first: equal records may be in both
            for (const RawRecord& r : originals) {
                if (lossy(r) != (pass == 1)) continue;
                if (auto it = left.find(r.bytes); it != left.end()) left.erase(it);
                else missing.push_back(r);
            }
        for (const RawRecord& r : missing) {
            EXPECT_TRUE(lossy(r)) << "a record of undamaged block " << r.block << " is missing";
            if (auto it = aside.find(Hex(r.bytes)); it != aside.end()) aside.erase(it);
            else EXPECT_TRUE(reported.count(r.block) || damage.lossyFrom) << "block " << r.block << " lost records unreported";
        }
        EXPECT_TRUE(left.empty()) << left.size() << " record(s) invented";
        // The backup holds every file of the table as the repair found it.
        for (const auto& [name, bytes] : damaged) {
            const auto copy = engine::FindFileNoCase(options.backupFolder, name);
            EXPECT_TRUE(copy) << name << " is not in the backup";
            if (copy) {
                EXPECT_EQ(engine::ReadWholeFile(*copy), bytes) << name;
            }
        }
#ifdef TER5_HAVE_PXLIB
        if (!engine::FindFileNoCase(dir.Path(), stem + ".MB")) {
            std::string error;
            const std::vector<std::string> read = PxlibRecords(table, error);
            EXPECT_TRUE(error.empty()) << error;
            std::vector<std::string> ours;
            for (const RawRecord& r : repaired) ours.push_back(r.bytes);
            EXPECT_EQ(read, ours) << "pxlib reads other records";
        }
#endif
        TempDir again;
        options.backupFolder = again.Path() / stem;
        EXPECT_EQ(engine::RepairTable(table, options).outcome, Outcome::Sound);
        EXPECT_FALSE(fs::exists(options.backupFolder));
        return report;
    }

    TempDir demo, templates;
};

// Damage to one block of a table file.
std::function<void(const fs::path&)> AtBlock(std::size_t n, std::function<void(std::uint8_t* block, std::size_t size)> change) {
    return [n, change](const fs::path& table) {
        Patch(table, [&](std::vector<std::uint8_t>& b) {
            change(b.data() + BlockStart(b, n), b[engine::format::kBlockSizeKb] * engine::format::kBlockUnit);
        });
    };
}

std::function<void(const fs::path&)> CutAt(std::function<std::size_t(const std::vector<std::uint8_t>&)> size) {
    return [size](const fs::path& table) { Patch(table, [&](std::vector<std::uint8_t>& b) { b.resize(size(b)); }); };
}

std::function<void(const fs::path&)> SetWord(std::size_t offset, std::uint16_t value) {
    return [=](const fs::path& table) { Patch(table, [&](std::vector<std::uint8_t>& b) { engine::WriteU16(b.data() + offset, value); }); };
}

TEST_F(RepairCorpusTest, BlocksCutZeroedOrOverwrittenLoseOnlyTheirOwnRecords) {
    const std::vector<Damage> damages = {
        {"cut inside block 5", CutAt([](const auto& b) { return BlockStart(b, 5) + 1000; }), {}, 5, Outcome::RepairedWithLosses},
        {"cut at the end of block 6", CutAt([](const auto& b) { return BlockStart(b, 7); }), {}, 7, Outcome::RepairedWithLosses},
        {"block 3 zeroed", AtBlock(3, [](std::uint8_t* p, std::size_t n) { std::fill(p, p + n, 0); }), {3}, 0,
         Outcome::RepairedWithLosses},
        {"block 4 overwritten", AtBlock(4, [](std::uint8_t* p, std::size_t n) {
             std::mt19937 random(4);
             for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>(random());
         }), {4}, 0, Outcome::RepairedWithLosses},
        {"fill offset of block 2 past the block", AtBlock(2, [](std::uint8_t* p, std::size_t n) {
             engine::WriteU16(p + 4, static_cast<std::uint16_t>(n + 52));
         }), {2}, 0, Outcome::RepairedWithLosses},
    };
    for (const Damage& d : damages) Run(demo.Path(), "POLIGON", ".DB", d);
    // An unkeyed table of 81 blocks, one A255 field and a non-maintained index.
    const fs::path qsq = kRealData / "t232006+Individual-dictionary";
    for (const Damage& d : damages) Run(qsq, "_QSQ33", ".DB", d);
}

TEST_F(RepairCorpusTest, BrokenLinksLoopsAndHeaderCountsLoseNothing) {
    const std::vector<Damage> damages = {
        {"block 2 names no next block", AtBlock(2, [](std::uint8_t* p, std::size_t) { engine::WriteU16(p, 0); })},
        {"block 6 names a wrong previous block", AtBlock(6, [](std::uint8_t* p, std::size_t) { engine::WriteU16(p + 2, 9); })},
        {"block 5 leads back to block 2", AtBlock(5, [](std::uint8_t* p, std::size_t) { engine::WriteU16(p, 2); })},
        {"header counts 99 records", [](const fs::path& t) {
             Patch(t, [](std::vector<std::uint8_t>& b) { engine::WriteU32(b.data() + engine::format::kNumRecords, 99); });
         }},
        {"header names block 4 first", SetWord(engine::format::kFirstBlock, 4)},
        {"header names block 3 last", SetWord(engine::format::kLastBlock, 3)},
    };
    for (const Damage& d : damages) Run(demo.Path(), "POLIGON", ".DB", d);
    {
        TempDir dir, backup;
        CopyTable(demo.Path(), "POLIGON", dir.Path());
        const std::uint32_t counter = engine::TableFile::Load(dir.Path() / "POLIGON.DB")->Header().autoIncrement;
        // The auto-increment counter behind the codes in use.
        Patch(dir.Path() / "POLIGON.DB", [](std::vector<std::uint8_t>& b) { engine::WriteU32(b.data() + engine::format::kAutoIncrement, 5); });
        engine::RepairOptions options;
        options.backupFolder = backup.Path() / "b";
        EXPECT_EQ(engine::RepairTable(dir.Path() / "POLIGON.DB", options).outcome, Outcome::Repaired);
        EXPECT_EQ(engine::TableFile::Load(dir.Path() / "POLIGON.DB")->Header().autoIncrement, counter);
    }
    // Unkeyed: the records keep the order of the chain the links rebuild.
    const fs::path qsq = kRealData / "t232006+Individual-dictionary";
    for (const Damage& d : damages) {
        TempDir copy;
        CopyTable(qsq, "_QSQ33", copy.Path());
        const std::vector<RawRecord> before = RawRecords(copy.Path() / "_QSQ33.DB");
        Run(qsq, "_QSQ33", ".DB", d);
        TempDir dir, backup;
        CopyTable(qsq, "_QSQ33", dir.Path());
        d.apply(dir.Path() / "_QSQ33.DB");
        engine::RepairOptions options;
        options.backupFolder = backup.Path() / "b";
        engine::RepairTable(dir.Path() / "_QSQ33.DB", options);
        const std::vector<RawRecord> after = RawRecords(dir.Path() / "_QSQ33.DB");
        ASSERT_EQ(after.size(), before.size()) << d.name;
        for (std::size_t i = 0; i < after.size(); ++i) ASSERT_EQ(after[i].bytes, before[i].bytes) << d.name << ", record " << i + 1;
    }
}

TEST_F(RepairCorpusTest, RepeatedKeysGoToKeyViolations) {
    // The 10th owner takes the 9th owner's code: it repeats an earlier key.
    TempDir dir, backup;
    CopyTable(demo.Path(), "ter", dir.Path());
    const fs::path table = dir.Path() / "ter.db";
    std::vector<RawRecord> records = RawRecords(table);
    const auto loaded = engine::TableFile::Load(table);
    const std::size_t at9 = static_cast<std::size_t>(loaded->Record(8) - loaded->Bytes().data());
    const std::size_t at10 = static_cast<std::size_t>(loaded->Record(9) - loaded->Bytes().data());
    Patch(table, [&](std::vector<std::uint8_t>& b) { std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(at9), 4, b.begin() + static_cast<std::ptrdiff_t>(at10)); });
    const auto damaged = Files(dir.Path());
    std::string edited = records[9].bytes;
    std::copy_n(records[8].bytes.begin(), 4, edited.begin());
    records.erase(records.begin() + 9);

    engine::RepairOptions options;
    options.backupFolder = backup.Path() / "ter";
    const TableRepairReport report = engine::RepairTable(table, options);
    EXPECT_EQ(report.outcome, Outcome::RepairedWithLosses);
    EXPECT_EQ(report.keyViolations, 1u);
    EXPECT_EQ(Bytes(RawRecords(table)), Bytes(records));
    const std::vector<RawRecord> violations = RawRecords(options.backupFolder / engine::kKeyViolationsTable);
    ASSERT_EQ(violations.size(), 1u);
    EXPECT_EQ(violations[0].bytes, edited);
    for (const auto& p : engine::VerifyTable(table)) EXPECT_TRUE(p.isNote) << p.text;
    for (const auto& [name, bytes] : damaged) EXPECT_EQ(engine::ReadWholeFile(options.backupFolder / name), bytes) << name;
    options.backupFolder = backup.Path() / "again";
    EXPECT_EQ(engine::RepairTable(table, options).outcome, Outcome::Sound);
}

TEST_F(RepairCorpusTest, ADamagedMemoBlockMakesItsBlobsNullAndKeepsTheRecords) {
    // People.MB: a single-blob block at 0x1000 (a photo), memo slots in later blocks.
    const fs::path people = kRealData / "Chevich+KsmProjAddons/Etv/Example";
    TempDir dir, backup;
    CopyTable(people, "People", dir.Path());
    const fs::path table = dir.Path() / "People.DB";
    const std::size_t before = RawRecords(table).size();
    Patch(dir.Path() / "People.MB", [](std::vector<std::uint8_t>& b) { std::fill(b.begin() + 0x1000, b.begin() + 0x1010, 0); });
    engine::RepairOptions options;
    options.backupFolder = backup.Path() / "People";
    const TableRepairReport report = engine::RepairTable(table, options);
    EXPECT_EQ(report.outcome, Outcome::RepairedWithLosses);
    EXPECT_GE(report.blobsLost, 1u);
    EXPECT_EQ(report.kept, before);
    EXPECT_EQ(RawRecords(table).size(), before);
    for (const auto& p : engine::VerifyTable(table)) EXPECT_TRUE(p.isNote) << p.text;
    const auto t = engine::TableFile::Load(table);
    for (std::size_t i = 0; i < t->RecordCount(); ++i)
        for (std::size_t f = 0; f < t->Fields().size(); ++f) EXPECT_NO_THROW(t->Get(i, f)) << "record " << i + 1;
    options.backupFolder = backup.Path() / "again";
    EXPECT_EQ(engine::RepairTable(table, options).outcome, Outcome::Sound);
}

TEST_F(RepairCorpusTest, AProtectedTableIsReadDecryptedAndStaysProtected) {
    using engine::testing::kSampleProtection;
    using engine::testing::ProtectionOf;
    const fs::path people = kRealData / "Chevich+KsmProjAddons/Etv/Example";
    for (const auto& [from, stem, ext] : {std::tuple{demo.Path(), "POLIGON", ".DB"}, std::tuple{people, "People", ".DB"}}) {
        TempDir dir, backup;
        CopyTable(from, stem, dir.Path());
        const fs::path table = dir.Path() / (std::string(stem) + ext);
        engine::testing::ProtectTable(table, kSampleProtection);
        const std::vector<RawRecord> originals = RawRecords(table);
        // The stored (encrypted) bytes of the last block are zeroed.
        const std::uint32_t last = originals.back().block;
        AtBlock(last, [](std::uint8_t* p, std::size_t n) { std::fill(p, p + n, 0); })(table);
        engine::RepairOptions options;
        options.backupFolder = backup.Path() / stem;
        const TableRepairReport report = engine::RepairTable(table, options);
        EXPECT_EQ(report.outcome, Outcome::RepairedWithLosses) << engine::FormatRepairReport(report, engine::ReportLanguage::English);
        std::multiset<std::string> left = Bytes(RawRecords(table));
        for (const RawRecord& r : originals) {
            if (r.block == last) continue;
            const auto it = left.find(r.bytes);
            EXPECT_TRUE(it != left.end()) << stem << ": a record of block " << r.block << " is missing";
            if (it != left.end()) left.erase(it);
        }
        EXPECT_TRUE(left.empty()) << stem << ": records invented";
        for (const char* file : {".DB", ".PX"}) {
            const auto f = engine::FindFileNoCase(dir.Path(), std::string(stem) + file);
            ASSERT_TRUE(f) << stem << file;
            EXPECT_EQ(ProtectionOf(*f), kSampleProtection) << *f;
        }
        for (const auto& p : engine::VerifyTable(table)) EXPECT_TRUE(p.isNote) << p.text;
        const auto t = engine::TableFile::Load(table);
        for (std::size_t i = 0; i < t->RecordCount(); ++i)
            for (std::size_t f = 0; f < t->Fields().size(); ++f) EXPECT_NO_THROW(t->Get(i, f));
        options.backupFolder = backup.Path() / "again";
        EXPECT_EQ(engine::RepairTable(table, options).outcome, Outcome::Sound);
    }
}

TEST_F(RepairCorpusTest, AHeaderThatCannotBeReadNeedsAStructureAndChangesNothingWithout) {
    const std::function<void(const fs::path&)> flipType = [](const fs::path& t) {
        Patch(t, [](std::vector<std::uint8_t>& b) { b[engine::format::kDataHeaderEnd + 2 * 2] ^= 0x80; });  // field 3's type
    };
    const auto cutHeader = CutAt([](const auto&) { return std::size_t{100}; });
    // Without a structure: nothing is changed.
    for (const auto& damage : {flipType, cutHeader}) {
        TempDir dir, backup;
        CopyTable(demo.Path(), "POLIGON", dir.Path());
        damage(dir.Path() / "POLIGON.DB");
        const auto before = Files(dir.Path());
        engine::RepairOptions options;
        options.backupFolder = backup.Path() / "POLIGON";
        const TableRepairReport report = engine::RepairTable(dir.Path() / "POLIGON.DB", options);
        EXPECT_EQ(report.outcome, Outcome::NotRepairable);
        EXPECT_NE(report.error.find("header cannot be read"), std::string::npos) << report.error;
        EXPECT_EQ(Files(dir.Path()), before);
        EXPECT_FALSE(fs::exists(options.backupFolder));
    }
    // From the default template group, or from an intact table of the same structure.
    TemplateModule module(templates.Str());
    const auto fromTemplates = TemplateStructure(module.Store(), "TER v.5", demo.Path() / "POLIGON.DB");
    ASSERT_TRUE(fromTemplates);
    engine::StructureSource fromTable;
    fromTable.table = demo.Path() / "POLIGON.DB";
    fromTable.description = "an intact copy";
    for (const engine::StructureSource* source : {&*fromTemplates, static_cast<const engine::StructureSource*>(&fromTable)}) {
        const TableRepairReport flipped = Run(demo.Path(), "POLIGON", ".DB", {"field 3's type flipped", flipType}, source);
        EXPECT_FALSE(flipped.headerReadable);
        EXPECT_NE(flipped.structureFrom.find("own header, its field list from"), std::string::npos) << flipped.structureFrom;
        const TableRepairReport cut =
            Run(demo.Path(), "POLIGON", ".DB", {"cut inside the header", cutHeader, {}, 1, Outcome::RepairedWithLosses}, source);
        EXPECT_EQ(cut.kept, 0u);
    }
}

TEST_F(RepairCorpusTest, AStructureThatDoesNotFitTheIndexFilesIsRefused) {
    TempDir dir, backup;
    CopyTable(demo.Path(), "POLIGON", dir.Path());
    Patch(dir.Path() / "POLIGON.DB", [](std::vector<std::uint8_t>& b) { b[engine::format::kDataHeaderEnd] ^= 0x80; });
    engine::StructureSource wrong;
    wrong.description = "a wrong template";
    wrong.fields = {{"Code", engine::FieldType::Long}, {"Number", engine::FieldType::Number}, {"X", engine::FieldType::Number},
                    {"Y", engine::FieldType::Number},  {"Z", engine::FieldType::Number},      {"PutNumber", engine::FieldType::Long},
                    {"Ter", engine::FieldType::Long}};
    wrong.indexes = {engine::IndexDef{"", {"Code"}, true}};
    const auto before = Files(dir.Path());
    engine::RepairOptions options;
    options.backupFolder = backup.Path() / "POLIGON";
    options.structure = &wrong;
    const TableRepairReport report = engine::RepairTable(dir.Path() / "POLIGON.DB", options);
    EXPECT_EQ(report.outcome, Outcome::NotRepairable);
    EXPECT_NE(report.error.find("does not fit"), std::string::npos) << report.error;
    EXPECT_EQ(Files(dir.Path()), before);
}

}  // namespace
}  // namespace ter5::templates::testing
