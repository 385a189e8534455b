// Index discovery on the real tables, field lists, and the names of new index files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexCatalog.h"
#include "engine/TableFile.h"
#include "engine/TableWriter.h"

namespace ter5::engine {
namespace {

namespace fs = std::filesystem;

const fs::path kDataDir = TER5_TEST_DATA_DIR;

struct ExpectedIndex {
    std::string name;
    std::vector<std::string> fields;
    bool primary, caseInsensitive, descending, maintained;
    int fileNumber;
    std::vector<std::string> files;  // file names
};

struct DiscoveryCase {
    const char* table;
    std::vector<ExpectedIndex> indexes;
};

std::string Names(const std::vector<fs::path>& files) {
    std::string s;
    for (const auto& f : files) s += f.filename().string() + " ";
    return s;
}

TEST(IndexCatalog, DiscoversTheIndexesOfEveryRealTable) {
    const std::vector<DiscoveryCase> cases = {
        {"leonhad+paradoxdriver/db/AREACODES.DB",
         {{"", {"AC"}, true, false, false, true, -1, {"AREACODES.PX"}},
          {"ste", {"State"}, false, true, false, true, 0, {"AREACODES.XG0", "AREACODES.YG0"}}}},
        {"leonhad+paradoxdriver/joins/C.DB",
         {{"", {"C"}, true, false, false, true, -1, {"C.PX"}},
          {"A", {"A"}, false, false, false, true, 2, {"C.X02", "C.Y02"}},
          {"B", {"B"}, false, false, false, true, 3, {"C.X03", "C.Y03"}}}},
        {"leonhad+paradoxdriver/joins/fk4.db",
         {{"", {"ID"}, true, false, false, true, -1, {"fk4.px"}},
          {"reference", {"FK1", "FK"}, false, false, false, true, 0, {"fk4.XG0", "fk4.YG0"}}}},
        {"leonhad+paradoxdriver/joins/multiple.db",
         {{"", {"ID"}, true, false, false, true, -1, {"multiple.PX"}},
          {"FK", {"FK"}, false, false, false, true, 2, {"multiple.X02", "multiple.Y02"}},
          {"FK2", {"FK2"}, false, false, false, true, 4, {"multiple.X04", "multiple.Y04"}}}},
        {"leonhad+paradoxdriver/joins/indexed.db",
         {{"Descending", {"Indexed"}, false, true, true, false, 0, {"indexed.xg0", "indexed.yg0"}}}},
        {"Chevich+KsmProj/ValutC.db",
         {{"", {"Date", "KodOwner", "KodVa"}, true, false, false, true, -1, {"ValutC.PX"}},
          {"KodVa", {"KodVa"}, false, false, false, true, 3, {"ValutC.X03", "ValutC.Y03"}}}},
        {"t232006+Individual-dictionary/_QSQ33.DB", {{"word", {"word"}, false, false, false, false, 1, {"_QSQ33.X01"}}}},
        {"leonhad+paradoxdriver/areas/STATES.DB", {{"", {"Abv"}, true, false, false, true, -1, {}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        const auto table = TableFile::Load(kDataDir / c.table);
        const auto found = DiscoverIndexes(*table);
        ASSERT_EQ(found.size(), c.indexes.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            const ExpectedIndex& e = c.indexes[i];
            const IndexInfo& f = found[i];
            SCOPED_TRACE(e.name);
            EXPECT_EQ(f.def.name, e.name);
            EXPECT_EQ(f.def.fields, e.fields);
            EXPECT_EQ(f.def.primary, e.primary);
            EXPECT_EQ(f.def.caseInsensitive, e.caseInsensitive);
            EXPECT_EQ(f.def.descending, e.descending);
            EXPECT_EQ(f.maintained, e.maintained);
            EXPECT_EQ(f.fileNumber, e.fileNumber);
            std::string expectedFiles;
            for (const auto& n : e.files) expectedFiles += n + " ";
            EXPECT_EQ(Names(f.files), expectedFiles);
        }
    }
}

class IndexFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("ter5-catalog-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Copies every file of `stem` from the data folder `folder` into the temporary directory.
    std::shared_ptr<TableFile> CopyTable(const std::string& folder, const std::string& stem, const std::string& table) {
        for (const auto& e : fs::directory_iterator(kDataDir / folder))
            if (e.path().stem() == stem) {
                // Writable copies: the data folder may be read-only, and Windows replaces no read-only file.
                fs::copy_file(e.path(), dir_ / e.path().filename());
                fs::permissions(dir_ / e.path().filename(), fs::perms::owner_write, fs::perm_options::add);
            }
        return TableFile::Load(dir_ / table);
    }

    fs::path dir_;
};

TEST_F(IndexFilesTest, FieldListsMatchFieldsIgnoringCaseAndBlanks) {
    const auto fk4 = CopyTable("leonhad+paradoxdriver/joins", "fk4", "fk4.db");
    EXPECT_EQ(ParseFieldList(*fk4, " fk1 ;FK\t"), (std::vector<std::string>{"FK1", "FK"}));
    EXPECT_EQ(ParseFieldList(*fk4, "b1"), (std::vector<std::string>{"B1"}));
    for (const char* bad : {"FK1;Nope", "", "FK1;;FK", "FK;fk"}) {
        try {
            ParseFieldList(*fk4, bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find("fk4.db"), std::string::npos) << e.what();
            if (std::string(bad) == "FK1;Nope") {
                EXPECT_NE(std::string(e.what()).find("'Nope'"), std::string::npos);
            }
        }
    }
    // Cyrillic field names match in either case.
    TableFormat format;
    TableHeader h = MakeTableHeader("CYR.DB", {{"Код", FieldType::Long, 0}, {"Имя", FieldType::Alpha, 20}}, 0, format);
    WriteFileAtomic(dir_ / "CYR.DB", BuildTableImage(h, {}));
    const auto cyr = TableFile::Load(dir_ / "CYR.DB");
    EXPECT_EQ(ParseFieldList(*cyr, "имя; КОД"), (std::vector<std::string>{"Имя", "Код"}));
}

TEST_F(IndexFilesTest, NewIndexesGetTheirFileNames) {
    const auto ac = CopyTable("leonhad+paradoxdriver/db", "AREACODES", "AREACODES.DB");
    // Single field, case-sensitive, named after its field: .Xnn with the field number.
    IndexFiles f = ChooseIndexFiles(*ac, {"", {"Cities"}, false, false, false});
    EXPECT_EQ(f.x.filename(), "AREACODES.X03");
    EXPECT_EQ(f.y.filename(), "AREACODES.Y03");
    EXPECT_FALSE(f.composite);
    // Anything else is .XGn with the lowest free number; XG0 holds 'ste'.
    f = ChooseIndexFiles(*ac, {"byCity", {"Cities"}, false, false, false});
    EXPECT_EQ(f.x.filename(), "AREACODES.XG1");
    EXPECT_EQ(f.y.filename(), "AREACODES.YG1");
    EXPECT_TRUE(f.composite);
    EXPECT_TRUE(f.obsolete.empty());
    // The same name (any case) replaces the index in place.
    f = ChooseIndexFiles(*ac, {"STE", {"State", "AC"}, false, true, false});
    EXPECT_EQ(f.x.filename(), "AREACODES.XG0");
    EXPECT_TRUE(f.obsolete.empty());
    // Primary: the existing .PX.
    EXPECT_EQ(ChooseIndexFiles(*ac, {"", {"AC"}, true, false, false}).x.filename(), "AREACODES.PX");
    // A name that is a field's name belongs to the single-field index on that field.
    EXPECT_THROW(ChooseIndexFiles(*ac, {"Cities", {"State", "Cities"}, false, false, false}), EngineError);

    // The field-named index cannot turn case-insensitive under its field's name.
    const auto c = CopyTable("leonhad+paradoxdriver/joins", "C", "C.DB");
    EXPECT_EQ(ChooseIndexFiles(*c, {"a", {"A"}, false, false, false}).x.filename(), "C.X02");
    EXPECT_THROW(ChooseIndexFiles(*c, {"A", {"A"}, false, true, false}), EngineError);

    // Lower-case tables get lower-case index files; existing ones keep their spelling.
    const auto fk4 = CopyTable("leonhad+paradoxdriver/joins", "fk4", "fk4.db");
    EXPECT_EQ(ChooseIndexFiles(*fk4, {"other", {"B1"}, false, false, false}).x.filename(), "fk4.xg1");
    EXPECT_EQ(ChooseIndexFiles(*fk4, {"", {"FK"}, false, false, false}).x.filename(), "fk4.x04");
    EXPECT_EQ(ChooseIndexFiles(*fk4, {"reference", {"FK"}, false, false, false}).y.filename(), "fk4.YG0");
}

}  // namespace
}  // namespace ter5::engine
