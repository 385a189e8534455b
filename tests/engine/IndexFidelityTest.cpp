// Index keys as the original engine stores and orders them, by language driver:
// every real index rebuilt entry for entry; keys upper-cased per driver; keyed
// tables ordered per driver; an index or record order written by rules this
// program does not know is kept by a reindex (and rebuilt when forced); unique
// indexes stay unique.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ByteIo.h"
#include "engine/EngineError.h"
#include "engine/FieldCodec.h"
#include "engine/FileUtil.h"
#include "engine/IndexBuilder.h"
#include "engine/IndexMaintenance.h"
#include "engine/IndexReader.h"
#include "engine/IndexVerify.h"
#include "engine/TableEditor.h"
#include "engine/TableWriter.h"
#include "../support/IndexOrderSupport.h"
#include "ProcessSupport.h"

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
    return std::any_of(problems.begin(), problems.end(),
                       [&](const VerifyProblem& p) { return p.isNote && p.text.find(part) != std::string::npos; });
}

// What an X header says that a rebuild derives (counters, pointers, time stamps
// and block layout aside).
auto DerivedFacts(const TableHeader& h) {
    std::vector<std::tuple<std::string, FieldType, int>> fields;
    for (const auto& f : h.fields) fields.emplace_back(f.name, f.type, f.size);
    return std::tuple(h.fileType, h.numKeyFields, h.fieldNumbers, h.flags, h.indexFieldNumber, h.indexName, h.sortOrder,
                      h.sortOrderId, h.codePage, h.numRecords, ReadU16(h.raw.data() + format::kHighFieldId), fields);
}

// Expects the X file image `built` to hold the entries of `original` in the same
// order, equal but for the block hints.
void ExpectSameEntries(const std::vector<std::uint8_t>& built, const fs::path& original, const TableFile& table,
                       const IndexDef& def) {
    const auto a = TableFile::FromBytes(built, "rebuilt", table.Codec().CodePage());
    const auto b = TableFile::Load(original);
    EXPECT_EQ(DerivedFacts(a->Header()), DerivedFacts(b->Header()));
    const SecondaryLayout layout = MakeSecondaryLayout(table, def);
    const RecordBuffer ra = ReadIndexRecords(*a), rb = ReadIndexRecords(*b);
    ASSERT_EQ(ra.Count(), rb.Count());
    for (std::size_t i = 0; i < ra.Count(); ++i)
        ASSERT_TRUE(SameIgnoringHints(layout, ra.At(i), rb.At(i))) << "entry " << i + 1;
}

// Every maintained index of the real tables, rebuilt from its table: the same
// entries in the same order, and the header bytes a rebuild derives. Produto.XG0
// (ANSII850) is the exception the engine cannot match: its driver collates.
TEST(IndexFidelity, RealIndexesRebuildEntryForEntry) {
    std::size_t rebuilt = 0;
    for (const auto& e : fs::recursive_directory_iterator(kDataDir)) {
        if (!e.is_regular_file() || !EqualsNoCase(e.path().extension().string(), ".db")) continue;
        const std::string name = e.path().filename().string();
        if (name.rfind("encrypted", 0) == 0 || name == "synch1.db") continue;
        const auto table = TableFile::Load(e.path());
        for (const IndexInfo& info : DiscoverIndexes(*table)) {
            if (info.def.primary || !info.maintained) continue;
            SCOPED_TRACE(PathToUtf8(info.files.at(0)));
            const SecondaryImages built = BuildSecondaryIndex(*table, info.def, ChooseIndexFiles(*table, info.def));
            ExpectSameEntries(built.x, info.files[0], *table, info.def);
            ++rebuilt;
        }
    }
    EXPECT_GE(rebuilt, 17u);  // B00001 ×2, People ×3, GroupLink ×2, Counts, KartA, Msghdr ×2, DB_Cliente, …

    // The one real index in an order of its own is still its table's records.
    const fs::path produto = kDataDir / "wesleysousalacerda+DEMarket/Backup/backup-09-07/bd/Produto.DB";
    const auto problems = VerifyTable(produto);
    EXPECT_EQ(Errors(problems), "");
}

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ter5-driver-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A table `name` of `driver` with fields Name (A20) and N (long), keyed on Name
    // when `keyed`, holding `names` in the order given (the order a writer of that
    // driver chose), with its .PX when keyed; text in `textPage` (0: the driver's).
    fs::path MakeTable(const std::string& name, const TableFormat& driver, bool keyed, const std::vector<std::string>& names,
                       int textPage = 0) {
        TableHeader h = MakeTableHeader(name, {{"Name", FieldType::Alpha, 20}, {"N", FieldType::Long, 0}}, keyed ? 1 : 0, driver);
        const TextCodec codec(textPage ? textPage : driver.codePage);
        std::vector<std::string> records;
        std::int64_t n = 0;
        for (const std::string& text : names) {
            std::string rec(h.recordSize, '\0');
            auto* p = reinterpret_cast<std::uint8_t*>(rec.data());
            EncodeField(h.fields[0], Value::Text(text), p + h.fields[0].offset, codec);
            EncodeField(h.fields[1], Value::Int(++n), p + h.fields[1].offset, codec);
            records.push_back(std::move(rec));
        }
        const fs::path path = dir_ / name;
        WriteFileAtomic(path, BuildTableImage(h, records));
        if (keyed) {
            const auto table = TableFile::Load(path, driver.codePage);
            WriteFileAtomic(dir_ / (path.stem().string() + ".PX"), BuildPrimaryIndex(*table));
        }
        return path;
    }

    static TableFormat Driver(const char* id, std::uint8_t sortByte, int codePage) {
        TableFormat f;
        f.sortOrderId = id;
        f.sortOrder = sortByte;
        f.codePage = codePage;
        return f;
    }

    // The key texts of an index's entries (its first field) in file order.
    static std::vector<std::string> Keys(const fs::path& x, int codePage) {
        const auto t = TableFile::Load(x, codePage);
        std::vector<std::string> keys;
        for (std::size_t i = 0; i < t->RecordCount(); ++i) keys.push_back(t->Get(i, 0).text);
        return keys;
    }

    static std::vector<std::string> Names(const fs::path& table, int codePage) {
        const auto t = TableFile::Load(table, codePage);
        std::vector<std::string> names;
        for (std::size_t i = 0; i < t->RecordCount(); ++i) names.push_back(t->Get(i, 0).text);
        return names;
    }

    fs::path dir_;
};

// Mixed-case keys of a case-insensitive index, stored as each driver stores them.
TEST_F(DriverTest, CaseInsensitiveKeysAreStoredAsTheirDriverStoresThem) {
    struct Case {
        TableFormat driver;
        std::vector<std::string> names, keys;  // keys: in the expected index order
    };
    const std::vector<Case> cases = {
        // The driver of new bases: every Cyrillic letter upper-cased, Ё included.
        {Driver("ancyrr", 0x8F, 1251), {"Маз 5334", "ёлка", "Ёж", "apple", "Zebra"},
         {"APPLE", "ZEBRA", "ЁЖ", "ЁЛКА", "МАЗ 5334"}},
        // 'ascii' ANSI: a-z alone; the bytes of cp1251 text under it stay as they are.
        {Driver("DBWINUS0", 0x4C, 1252), {"Erica Morton", "bob", "Zoe"}, {"BOB", "ERICA MORTON", "ZOE"}},
        {Driver("ANSII850", 0x11, 1252), {"Açucar", "Feijão", "sal"}, {"AÇUCAR", "FEIJÃO", "SAL"}},
        // cp866 drivers: the page's own letters (chosen).
        {Driver("db866ru0", 0x91, 866), {"ёж", "Дом", "арка"}, {"АРКА", "ДОМ", "ЁЖ"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driver.sortOrderId);
        const fs::path table = MakeTable("WORDS.DB", c.driver, true, {});
        {
            TableEditor editor(table, c.driver.codePage);
            for (const std::string& name : c.names) {
                std::string r = editor.BlankRecord();
                editor.SetField(r, 0, Value::Text(name));
                editor.Append(std::move(r));
            }
            editor.Save();
        }
        const IndexFiles files = AddIndex(table, {"ByName", {"Name"}, false, true, false}, c.driver.codePage);
        EXPECT_EQ(TableFile::Load(files.x, c.driver.codePage)->Header().flags, kIndexFlagCaseInsensitive);
        EXPECT_EQ(Keys(files.x, c.driver.codePage), c.keys);
        EXPECT_EQ(Errors(VerifyTable(table, c.driver.codePage)), "");
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    // DBWINUS0 over cp1251 text (read as cp1251): Cyrillic keeps its case.
    const fs::path table = MakeTable("RU.DB", Driver("DBWINUS0", 0x4C, 1252), false, {"пр. Мира", "Рабочая"}, 1251);
    const IndexFiles files = AddIndex(table, {"ByName", {"Name"}, false, true, false}, 1251);
    EXPECT_EQ(Keys(files.x, 1251), (std::vector<std::string>{"Рабочая", "пр. Мира"}));
}

// Keyed tables of each driver: the engine's own writes order records by the bytes
// of their keys (Cyrillic upper and lower case, Ё/ё, digits, punctuation, blanks),
// their .PX follows the blocks, and verify is quiet.
TEST_F(DriverTest, KeyedTablesOfEachDriverAreWrittenInByteOrder) {
    const std::vector<std::string> keys = {"ёж", "Ёлка", "Еда", "еда", "10", "2", "Я.Коласа", "пер.Я.Коласа", " пробел",
                                           "а-б", "а б", "Zebra", "apple", ""};
    for (const TableFormat& driver : {Driver("ancyrr", 0x8F, 1251), Driver("cyrr", 0x93, 866),
                                      Driver("db866ru0", 0x91, 866), Driver("DBWINUS0", 0x4C, 1252),
                                      Driver("ascii", 0x00, 1251)}) {
        SCOPED_TRACE(driver.sortOrderId);
        const int page = driver.codePage == 1252 ? 1251 : driver.codePage;  // cp1251 text under a cp1252 header
        const fs::path table = MakeTable("KEYED.DB", driver, true, {});
        {
            TableEditor editor(table, page);
            for (const std::string& key : keys) {
                std::string r = editor.BlankRecord();
                editor.SetField(r, 0, Value::Text(key));
                editor.Append(std::move(r));
            }
            editor.Save();
        }
        std::vector<std::string> encoded;
        const TextCodec codec(page);
        for (const std::string& key : keys) encoded.push_back(codec.Encode(key));
        std::sort(encoded.begin(), encoded.end());
        std::vector<std::string> expected;
        for (const std::string& e : encoded) expected.push_back(codec.Decode(e));
        EXPECT_EQ(Names(table, page), expected);
        EXPECT_EQ(Errors(VerifyTable(table, page)), "");
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
}

// A keyed ancyrr table in an order this program does not write (Ё after Е, as a
// Russian collation puts it): verify notes it, a reindex keeps it, an append keeps
// it and places the new record by bytes, and a forced reindex sorts by bytes.
TEST_F(DriverTest, AKeyedTableInAnUnknownOrderIsKept) {
    const std::vector<std::string> collated = {"Дом", "Ель", "Ёж", "Жук"};  // byte order puts Ё (0xA8) first
    const fs::path table = MakeTable("KEYED.DB", Driver("ancyrr", 0x8F, 1251), true, collated);
    const auto before = ReadWholeFile(table);
    const auto problems = VerifyTable(table);
    EXPECT_EQ(Errors(problems), "");
    EXPECT_TRUE(HasNote(problems, "key order of driver ancyrr is not known")) << problems.size();

    IndexKeeping keeping;
    ReplaceIndexes(table, {dir_ / "KEYED.PX"}, {{"", {"Name"}, true, false, false}}, {}, 0, &keeping);
    EXPECT_EQ(ReadWholeFile(table), before);
    ASSERT_EQ(keeping.notes.size(), 1u);
    EXPECT_NE(keeping.notes[0].find("follows rules this program does not know for driver ancyrr"), std::string::npos);

    {
        TableEditor editor(table);
        std::string r = editor.BlankRecord();
        editor.SetField(r, 0, Value::Text("Гора"));
        editor.Append(std::move(r));
        editor.Save();
    }
    EXPECT_EQ(Names(table, 1251), (std::vector<std::string>{"Гора", "Дом", "Ель", "Ёж", "Жук"}));
    EXPECT_EQ(Errors(VerifyTable(table)), "");

    IndexKeeping forced;
    forced.force = true;
    ReplaceIndexes(table, {dir_ / "KEYED.PX"}, {{"", {"Name"}, true, false, false}}, {}, 0, &forced);
    EXPECT_TRUE(forced.notes.empty());
    EXPECT_EQ(Names(table, 1251), (std::vector<std::string>{"Ёж", "Гора", "Дом", "Ель", "Жук"}));
    EXPECT_FALSE(HasNote(VerifyTable(table), "not known"));
}

// A maintained case-insensitive index in the ANSII850 collation Produto.XG0 shows
// (Ç as C, Ó as O): verify notes it, a reindex and `index add` leave its files byte
// for byte, `--force` rebuilds it in byte order.
TEST_F(DriverTest, AnIndexInAnUnknownOrderIsKeptByteForByte) {
    const TableFormat ansi850 = Driver("ANSII850", 0x11, 1252);
    const fs::path table = MakeTable("PRODUTO.DB", ansi850, true, {"Arroz", "Açucar", "Miojo", "Sabao", "Óleo"});
    const IndexDef byName{"ByName", {"Name"}, false, true, false};
    const IndexFiles files = AddIndex(table, byName, 1252);
    EXPECT_EQ(Keys(files.x, 1252), (std::vector<std::string>{"ARROZ", "AÇUCAR", "MIOJO", "SABAO", "ÓLEO"}));

    // The entries in the engine's collation order: AÇUCAR ARROZ MIOJO ÓLEO SABAO.
    ter5::testing::ReorderIndexEntries(table, files.x, files.y, {1, 0, 2, 4, 3}, 1252);
    const auto xBefore = ReadWholeFile(files.x);
    const auto yBefore = ReadWholeFile(files.y);

    const auto problems = VerifyTable(table, 1252);
    EXPECT_EQ(Errors(problems), "");
    EXPECT_TRUE(HasNote(problems, "the key order of driver ANSII850 is not known to it"));

    IndexKeeping keeping;
    ReplaceIndexes(table, {files.x, files.y}, {{"", {"Name"}, true, false, false}, byName}, {}, 1252, &keeping);
    EXPECT_EQ(ReadWholeFile(files.x), xBefore);
    EXPECT_EQ(ReadWholeFile(files.y), yBefore);
    ASSERT_EQ(keeping.notes.size(), 1u);
    EXPECT_EQ(keeping.notes[0], "PRODUTO.XG0: index 'ByName' kept: its order follows rules this program does not know "
                                "for driver ANSII850");

    std::string output;
    EXPECT_EQ(testing::RunTool("index add " + (dir_ / "PRODUTO.DB").string() + " --secondary ByName Name --case-insensitive",
                               &output), 0) << output;
    EXPECT_NE(output.find("note: PRODUTO.XG0: index 'ByName' kept"), std::string::npos) << output;
    EXPECT_EQ(ReadWholeFile(files.x), xBefore);

    EXPECT_EQ(testing::RunTool("index add " + (dir_ / "PRODUTO.DB").string() +
                               " --secondary ByName Name --case-insensitive --force", &output), 0) << output;
    EXPECT_EQ(Keys(files.x, 1252), (std::vector<std::string>{"ARROZ", "AÇUCAR", "MIOJO", "SABAO", "ÓLEO"}));
    EXPECT_EQ(Errors(VerifyTable(table, 1252)), "");

    // An index that lost an entry is no genuine order: it is rebuilt, not kept.
    IndexKeeping again;
    auto broken = ReadWholeFile(files.x);
    const TableHeader xh = TableFile::Load(files.x, 1252)->Header();
    WriteU32(broken.data() + format::kNumRecords, 4);
    WriteU16(broken.data() + xh.headerSize + format::kBlockAddDataSize, static_cast<std::uint16_t>(3 * xh.recordSize));
    WriteFileAtomic(files.x, broken);
    ReplaceIndexes(table, {files.x, files.y}, {{"", {"Name"}, true, false, false}, byName}, {}, 1252, &again);
    EXPECT_TRUE(again.notes.empty());
    EXPECT_EQ(Keys(files.x, 1252).size(), 5u);
}

// KartA.XG0 is unique (0x31 = descending, case-insensitive, unique): a write keeps
// it so, and refuses a second record with a date already there.
TEST_F(DriverTest, UniqueIndexesStayUnique) {
    for (const char* ext : {".DB", ".PX", ".XG0", ".YG0"}) {
        fs::copy_file(kDataDir / "Chevich+KsmProj" / (std::string("KartA") + ext), dir_ / (std::string("KartA") + ext));
        fs::permissions(dir_ / (std::string("KartA") + ext), fs::perms::owner_write, fs::perm_options::add);
    }
    const fs::path table = dir_ / "KartA.DB";
    const auto before = ReadWholeFile(table);
    const auto source = TableFile::Load(table);
    const int dateField = source->FieldIndex("DateOpl");  // the unique index's field
    ASSERT_GE(dateField, 0);
    {
        TableEditor editor(table);
        std::string r = editor.BlankRecord();
        editor.SetField(r, static_cast<std::size_t>(dateField), source->Get(0, static_cast<std::size_t>(dateField)));
        editor.Append(std::move(r));
        EXPECT_THROW(editor.Save(), EngineError);
    }
    EXPECT_EQ(ReadWholeFile(table), before);
    RebuildIndexes(table);
    EXPECT_EQ(TableFile::Load(dir_ / "KartA.XG0")->Header().flags, 0x31);
    EXPECT_EQ(Errors(VerifyTable(table)), "");
}

}  // namespace
}  // namespace ter5::engine
