// Index files rebuilt from the real tables equal the originals; pxlib accepts our
// .PX files; multi-level trees, case-insensitive Cyrillic keys and descending keys.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "engine/ByteIo.h"
#include "engine/EngineError.h"
#include "engine/FieldCodec.h"
#include "engine/FileUtil.h"
#include "engine/IndexBuilder.h"
#include "engine/IndexMaintenance.h"
#include "engine/IndexReader.h"
#include "engine/IndexVerify.h"
#include "engine/TableWriter.h"

#ifdef TER5_HAVE_PXLIB
extern "C" {
#include <paradox.h>
}
#endif

namespace ter5::engine {
namespace {

namespace fs = std::filesystem;

const fs::path kDataDir = TER5_TEST_DATA_DIR;

// The used part of every block: its header and its records (real files keep stale
// bytes after the last record of a block).
std::vector<std::uint8_t> UsedBytes(const std::vector<std::uint8_t>& image) {
    const TableHeader h = ParseHeader(image.data(), image.size(), "image");
    std::vector<std::uint8_t> used;
    for (std::size_t at = h.headerSize; at + format::kBlockHeaderSize <= image.size(); at += h.BlockSize()) {
        const int addDataSize = static_cast<std::int16_t>(image[at + 4] | (image[at + 5] << 8));
        const std::size_t end = at + format::kBlockHeaderSize + (addDataSize < 0 ? 0 : addDataSize + h.recordSize);
        used.insert(used.end(), image.begin() + static_cast<std::ptrdiff_t>(at), image.begin() + static_cast<std::ptrdiff_t>(std::min(end, image.size())));
    }
    return used;
}

auto TreeShape(const IndexTree& t) {
    return std::tuple(t.header.fileType, t.header.indexLevels, t.header.indexRoot, t.header.numRecords,
                      t.header.sortOrder, t.header.version, t.header.fields.size());
}

auto Entry(const TreeEntry& e) { return std::tuple(e.key, e.child, e.count); }

void ExpectSameTree(const std::vector<std::uint8_t>& ours, const fs::path& original) {
    const IndexTree a = ReadIndexTree(ours, "rebuilt");
    const IndexTree b = LoadIndexTree(original);
    EXPECT_EQ(TreeShape(a), TreeShape(b));
    const auto la = a.Leaves(), lb = b.Leaves();
    ASSERT_EQ(la.size(), lb.size());
    for (std::size_t i = 0; i < la.size(); ++i) EXPECT_EQ(Entry(la[i]), Entry(lb[i]));
    // Real tree files use 2 KB blocks except the 4 KB ones of the field-type samples.
    if (a.header.blockSizeKb == b.header.blockSizeKb) {
        EXPECT_EQ(UsedBytes(ours), UsedBytes(ReadWholeFile(original)));
    }
}

// What an X header says beyond its counters, pointers and time stamps.
auto XHeaderFacts(const TableHeader& h) {
    std::vector<std::tuple<std::string, FieldType, int>> fields;
    for (const auto& f : h.fields) fields.emplace_back(f.name, f.type, f.size);
    return std::tuple(h.fileType, h.numKeyFields, h.fieldNumbers, h.flags, h.indexFieldNumber, h.indexName,
                      h.sortOrderId, h.codePage, h.blockSizeKb, h.numRecords, ReadU16(h.raw.data() + format::kHighFieldId),
                      fields);
}

TEST(IndexBuilder, RebuiltIndexesEqualTheOriginals) {
    for (const char* name : {"leonhad+paradoxdriver/db/AREACODES.DB", "leonhad+paradoxdriver/db/GENERAL.DB",
                             "leonhad+paradoxdriver/joins/C.DB", "leonhad+paradoxdriver/joins/fk4.db",
                             "leonhad+paradoxdriver/joins/multiple.db", "leonhad+paradoxdriver/mtdemo/FILMS.DB",
                             "leonhad+paradoxdriver/mtdemo/TAXRATE.DB", "leonhad+paradoxdriver/fields/long.db",
                             "Chevich+KsmProj/ValutC.db", "Chevich+KsmProj/SPRPRPL.DB", "nilsfr+python-pxlib/KOMMENT.DB",
                             "ShellsOfSilver+CDSkakun/MARKAAUTO.DB", "ShellsOfSilver+CDSkakun/bdd.db",
                             "t232006+Individual-dictionary/_QSQ33.DB"}) {
        const auto table = TableFile::Load(kDataDir / name);
        for (const IndexInfo& info : DiscoverIndexes(*table)) {
            SCOPED_TRACE(info.files.at(0).string());
            if (info.def.primary) {
                ExpectSameTree(BuildPrimaryIndex(*table), info.files[0]);
                continue;
            }
            const IndexFiles files = ChooseIndexFiles(*table, info.def);
            EXPECT_EQ(files.x, info.files[0]);
            const SecondaryImages built = BuildSecondaryIndex(*table, info.def, files);
            const auto original = ReadWholeFile(info.files[0]);
            EXPECT_EQ(XHeaderFacts(ParseHeader(built.x.data(), built.x.size(), "rebuilt")),
                      XHeaderFacts(ParseHeader(original.data(), original.size(), "original")));
            // The real hints are all true, so the records are equal byte for byte.
            EXPECT_EQ(UsedBytes(built.x), UsedBytes(original));
            if (info.files.size() > 1) ExpectSameTree(built.y, info.files[1]);
        }
    }
    EXPECT_THROW(BuildPrimaryIndex(*TableFile::Load(kDataDir / "Chevich+KsmProj/Conf.DB")), EngineError);
}

class IndexBuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("ter5-build-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Writes table `name` with `rows` (already in key order for a keyed table) and loads it.
    std::shared_ptr<TableFile> MakeTable(const std::string& name, const std::vector<FieldDef>& fields, int keyFields,
                                         const std::vector<std::vector<Value>>& rows, std::uint8_t blockKb = 2) {
        TableFormat format;
        format.blockSizeKb = blockKb;
        TableHeader h = MakeTableHeader(name, fields, keyFields, format);
        const TextCodec codec(format.codePage);
        std::vector<std::string> records;
        for (const auto& row : rows) {
            std::string rec(h.recordSize, '\0');
            for (std::size_t i = 0; i < row.size(); ++i)
                EncodeField(h.fields[i], row[i], reinterpret_cast<std::uint8_t*>(rec.data()) + h.fields[i].offset, codec);
            records.push_back(std::move(rec));
        }
        WriteFileAtomic(dir_ / name, BuildTableImage(h, records));
        return TableFile::Load(dir_ / name);
    }

    std::shared_ptr<TableFile> NumberedTable(const std::string& name, FieldType keyType, int keySize, int count) {
        std::vector<std::vector<Value>> rows;
        for (int i = 0; i < count; ++i) {
            char key[16];
            std::snprintf(key, sizeof key, "k%06d", i);
            rows.push_back({keyType == FieldType::Alpha ? Value::Text(key) : Value::Int(i), Value::Text("row")});
        }
        return MakeTable(name, {{"K", keyType, keySize}, {"Pad", FieldType::Alpha, 200}}, 1, rows);
    }

    fs::path dir_;
};

TEST_F(IndexBuildTest, DeepPrimaryTreeIsNumberedTopDown) {
    // 1000 records of 401 bytes: 5 per 2 KB block, 200 data blocks; .PX entries of 206
    // bytes: 9 per block, so 23 leaf blocks, 3 blocks on level 2 and the root.
    const auto table = NumberedTable("DEEP.DB", FieldType::Alpha, 200, 1000);
    ASSERT_EQ(table->Blocks().size(), 200u);
    const IndexTree tree = ReadIndexTree(BuildPrimaryIndex(*table), "DEEP.PX");
    EXPECT_EQ(tree.header.blockSizeKb, 2);
    EXPECT_EQ(tree.header.indexLevels, 3);
    EXPECT_EQ(tree.header.indexRoot, 1);
    EXPECT_EQ(tree.header.fileBlocks, 27);
    EXPECT_EQ(tree.header.numRecords, 200u + 23u + 3u);
    ASSERT_EQ(tree.levels.size(), 3u);
    ASSERT_EQ(tree.levels[1].size(), 3u);
    EXPECT_EQ(tree.levels[1][0].number, 2);
    EXPECT_EQ(tree.levels[2].front().number, 5);
    const auto& root = tree.levels[0][0].entries;
    ASSERT_EQ(root.size(), 3u);
    EXPECT_EQ(root[0].count, 405u);  // 9 leaf blocks × 9 data blocks × 5 records
    EXPECT_EQ(root[1].count, 405u);
    EXPECT_EQ(root[2].count, 190u);
    EXPECT_EQ(root[1].key.substr(0, 7), "k000405");
    WriteIndex(*table, {"", {"K"}, true, false, false});
    for (const auto& p : VerifyTable(dir_ / "DEEP.DB")) ADD_FAILURE() << p.text;
}

#ifdef TER5_HAVE_PXLIB
void CollectPxlibError(pxdoc_t*, int type, const char* msg, void* data) {
    if (type != PX_Warning) *static_cast<std::string*>(data) += std::string(msg) + "\n";
}

// pxlib opens the table and our .PX, reads the index and accepts it for the table.
void ExpectPxlibAcceptsIndex(const fs::path& db, const std::vector<std::uint8_t>& px, const fs::path& pxPath) {
    WriteFileAtomic(pxPath, px);
    std::string errors;
    pxdoc_t* table = PX_new3(CollectPxlibError, nullptr, nullptr, nullptr, &errors);
    pxdoc_t* index = PX_new3(CollectPxlibError, nullptr, nullptr, nullptr, &errors);
    ASSERT_EQ(PX_open_file(table, db.string().c_str()), 0) << errors;
    ASSERT_EQ(PX_open_file(index, pxPath.string().c_str()), 0) << errors;
    EXPECT_EQ(PX_read_primary_index(index), 0) << errors;
    EXPECT_EQ(PX_add_primary_index(table, index), 0) << errors;
    EXPECT_EQ(errors, "");
    PX_delete(table);
    PX_delete(index);
}

TEST_F(IndexBuildTest, PxlibAcceptsOurPrimaryIndexes) {
    for (const char* name : {"leonhad+paradoxdriver/db/AREACODES.DB", "leonhad+paradoxdriver/mtdemo/TAXRATE.DB",
                             "Chevich+KsmProj/ValutC.db"}) {
        SCOPED_TRACE(name);
        const fs::path copy = dir_ / fs::path(name).filename();
        fs::copy_file(kDataDir / name, copy, fs::copy_options::overwrite_existing);
        fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
        const auto table = TableFile::Load(copy);
        ExpectPxlibAcceptsIndex(copy, BuildPrimaryIndex(*table), dir_ / (copy.stem().string() + ".PX"));
    }
    // Two levels, the deepest pxlib reads: 2100 records of 204 bytes in 210 blocks, 204 entries a block.
    const auto big = NumberedTable("BIG.DB", FieldType::Long, 4, 2100);
    const auto px = BuildPrimaryIndex(*big);
    ASSERT_EQ(ReadIndexTree(px, "BIG.PX").header.indexLevels, 2);
    ExpectPxlibAcceptsIndex(dir_ / "BIG.DB", px, dir_ / "BIG.PX");
}
#endif

TEST_F(IndexBuildTest, CaseInsensitiveKeysAreUpperCasedInTheTablesCodePage) {
    const auto table = MakeTable("WORDS.DB", {{"Name", FieldType::Alpha, 20}, {"N", FieldType::Long, 0}}, 0,
                                 {{Value::Text("ёжик"), Value::Int(1)},
                                  {Value::Text("Ёлка"), Value::Int(2)},
                                  {Value::Text("абв"), Value::Int(3)},
                                  {Value::Text("АБВ"), Value::Int(4)},
                                  {Value::Text("Zebra"), Value::Int(5)},
                                  {Value::Text("apple"), Value::Int(6)}});
    const IndexFiles files = WriteIndex(*table, {"names", {"name"}, false, true, false});
    EXPECT_EQ(files.x.filename(), "WORDS.XG0");
    const auto x = TableFile::Load(files.x);
    EXPECT_EQ(x->Header().fileType, FileType::CompositeIndex);  // unkeyed table: not maintained
    EXPECT_EQ(x->Header().flags, kIndexFlagCaseInsensitive);
    // cp1251 byte order: Latin, then Ё (0xA8), then А-Я (0xC0-0xDF); equal keys by Tup No.
    const std::vector<std::pair<std::string, std::int64_t>> expected = {
        {"APPLE", 6}, {"ZEBRA", 5}, {"ЁЖИК", 1}, {"ЁЛКА", 2}, {"АБВ", 3}, {"АБВ", 4}};
    ASSERT_EQ(x->RecordCount(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(x->Get(i, 0).text, expected[i].first);
        EXPECT_EQ(x->Get(i, 1).integer, expected[i].second);  // Tup No
        EXPECT_EQ(x->Get(i, 2).integer, 1);                   // Blk Num
        EXPECT_EQ(x->Get(i, 3).integer, (expected[i].second - 1) * table->Header().recordSize);  // Tup Offset
    }
    for (const auto& p : VerifyTable(dir_ / "WORDS.DB")) ADD_FAILURE() << p.text;
}

TEST_F(IndexBuildTest, DescendingIndexReversesItsFieldsOnly) {
    const auto table = MakeTable("NUMS.DB", {{"Id", FieldType::Long, 0}, {"V", FieldType::Short, 0}}, 1,
                                 {{Value::Int(1), Value::Int(-5)}, {Value::Int(2), Value::Int(7)},
                                  {Value::Int(3), Value::Int(7)}, {Value::Int(4), Value::Int(0)}});
    WriteIndex(*table, {"", {"Id"}, true, false, false});
    const IndexFiles files = WriteIndex(*table, {"byV", {"V"}, false, false, true});
    const auto x = TableFile::Load(files.x);
    EXPECT_EQ(x->Header().fileType, FileType::CompositeIndexMaint);
    EXPECT_EQ(x->Header().flags, kIndexFlagDescending);
    EXPECT_EQ(x->Header().fieldNumbers, (std::vector<std::uint16_t>{0x8002, 2, 3}));
    // V descending, ties by the ascending primary key.
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {{7, 2}, {7, 3}, {0, 4}, {-5, 1}};
    ASSERT_EQ(x->RecordCount(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(x->Get(i, 0).integer, expected[i].first);
        EXPECT_EQ(x->Get(i, 1).integer, expected[i].second);
    }
    const auto found = DiscoverIndexes(*table);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_TRUE(found[1].def.descending);
    EXPECT_EQ(found[1].def.name, "byV");
    for (const auto& p : VerifyTable(dir_ / "NUMS.DB")) ADD_FAILURE() << p.text;
}

}  // namespace
}  // namespace ter5::engine
