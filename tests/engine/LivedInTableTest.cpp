// Tables as the original engine leaves them after years of use: field-number
// arrays changed by restructuring, header bytes no rule explains, companion files
// of other tables, and the definitions it refuses.

#include <gtest/gtest.h>

#include <filesystem>

#include "DataSetTestSupport.h"
#include "ProcessSupport.h"
#include "engine/ByteIo.h"
#include "engine/EngineError.h"
#include "engine/Format.h"
#include "engine/IndexCatalog.h"
#include "engine/IndexVerify.h"
#include "engine/TableFile.h"

namespace ter5::engine::testing {
namespace {

using namespace format;

bool Consistent(const fs::path& table) {
    const auto problems = VerifyTable(table);
    return std::none_of(problems.begin(), problems.end(), [](const VerifyProblem& p) { return !p.isNote; });
}

// Writes `ids` as the .DB's field-number array and `highest` at 0x64, as a
// restructure leaves them.
void Restructure(const fs::path& table, const std::vector<std::uint16_t>& ids, std::uint16_t highest) {
    auto bytes = ReadWholeFile(table);
    const std::size_t at = ReadU16(bytes.data() + kFieldNumbersOffset) + kExtensionBase;
    for (std::size_t i = 0; i < ids.size(); ++i) WriteU16(bytes.data() + at + 2 * i, ids[i]);
    WriteU16(bytes.data() + kHighFieldId, highest);
    WriteFileAtomic(table, bytes);
}

TEST(RestructuredTable, IndexFilesNameFieldsByPositionWhileTheTableKeepsItsFieldIds) {
    TempDir dir;
    const fs::path path = dir.Path() / "Valut.db";
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 60; ++i) rows.push_back({I(700000 + i / 6), I(i % 3), I(i % 6 / 3 + 1), N(90.5 + i), I(i % 2)});
    MakeTable(path, {{"Date", FieldType::Date}, {"KodOwner", FieldType::Short}, {"KodVa", FieldType::Short},
                     {"Kurs", FieldType::Number}, {"Relation", FieldType::Short}},
              {{"", {"Date", "KodOwner", "KodVa"}, true}}, rows);
    const std::vector<std::uint16_t> ids = {1, 6, 5, 2, 4};
    Restructure(path, ids, 7);

    AddIndex(path, IndexDef{"MainIndex", {"KodVa", "KodOwner", "Date"}, false, false});
    AddIndex(path, IndexDef{"", {"Kurs"}, false, false});
    const auto main = TableFile::Load(dir.Path() / "Valut.xg0");
    EXPECT_EQ(main->Header().fieldNumbers, (std::vector<std::uint16_t>{3, 2, 1, 4, 5, 6, 7}));
    EXPECT_EQ(main->Header().indexFieldNumber, 3);
    EXPECT_EQ(ReadU16(main->Header().raw.data() + kHighFieldId), 8);
    const auto kurs = TableFile::Load(dir.Path() / "Valut.x04");  // Kurs is the fourth field, whatever its id
    EXPECT_EQ(kurs->Header().fieldNumbers, (std::vector<std::uint16_t>{4, 2, 3, 4, 5}));
    EXPECT_EQ(kurs->Header().indexFieldNumber, 4);

    const auto indexes = DiscoverIndexes(*TableFile::Load(path));
    ASSERT_EQ(indexes.size(), 3u);
    EXPECT_EQ(indexes[1].def.fields, (std::vector<std::string>{"Kurs"}));
    EXPECT_EQ(indexes[2].def.name, "MainIndex");
    EXPECT_EQ(indexes[2].def.fields, (std::vector<std::string>{"KodVa", "KodOwner", "Date"}));

    {
        // A write rewrites the table but keeps its own array.
        TableEditor editor(path);
        std::string record = editor.BlankRecord();
        editor.SetField(record, 0, I(800000));
        editor.Append(record);
        editor.Save();
    }
    const auto table = TableFile::Load(path);
    EXPECT_EQ(table->Header().fieldNumbers, ids);
    EXPECT_EQ(ReadU16(table->Header().raw.data() + kHighFieldId), 7);
    EXPECT_TRUE(Consistent(path));
}

TEST(PredecessorBytes, ARebuiltIndexKeepsTheBytesOfTheFileItReplaces) {
    TempDir dir;
    for (const char* f : {"ValutC.db", "ValutC.PX", "ValutC.X03", "ValutC.Y03"}) {
        fs::copy_file(fs::path(TER5_TEST_DATA_DIR) / "Chevich+KsmProj" / f, dir.Path() / f);
        fs::permissions(dir.Path() / f, fs::perms::owner_write, fs::perm_options::add);
    }
    // Counters and constants no rule derives, set to values no rule would give.
    struct Byte {
        const char* file;
        std::size_t offset;
        std::uint8_t value;
    };
    const std::vector<Byte> altered = {
        {"ValutC.PX", 0x12, 0x41}, {"ValutC.PX", 0x2C, 0x77}, {"ValutC.PX", 0x49, 0x3C},
        {"ValutC.X03", 0x12, 0x42}, {"ValutC.X03", 0x2D, 0x5A}, {"ValutC.X03", 0x2F, 0x66},
        {"ValutC.X03", 0x3A, 0x07}, {"ValutC.X03", 0x56, 0x21}, {"ValutC.X03", 0x6C, 0x02},
        {"ValutC.Y03", 0x2C, 0x13},
    };
    for (const Byte& b : altered) {
        auto bytes = ReadWholeFile(dir.Path() / b.file);
        bytes[b.offset] = b.value;
        WriteFileAtomic(dir.Path() / b.file, bytes);
    }
    RebuildIndexes(dir.Path() / "ValutC.db");
    for (const Byte& b : altered)
        EXPECT_EQ(ReadWholeFile(dir.Path() / b.file).at(b.offset), b.value) << b.file << " byte " << b.offset;
    const auto problems = VerifyTable(dir.Path() / "ValutC.db");
    EXPECT_TRUE(std::none_of(problems.begin(), problems.end(), [](const VerifyProblem& p) { return !p.isNote; }));

    // Without a predecessor the documented rules stand.
    fs::remove(dir.Path() / "ValutC.PX");
    RebuildIndexes(dir.Path() / "ValutC.db");
    const auto px = FindFileNoCase(dir.Path(), "ValutC.PX");
    ASSERT_TRUE(px);
    EXPECT_NE(ReadWholeFile(*px).at(0x2C), 0x77);
}

TEST(OtherTablesFiles, CreatingATableNeverTouchesTheFilesOfAnotherTableOfTheSameStem) {
    TempDir dir;
    MakeTable(dir.Path() / "TER.DB", {{"Code", FieldType::Long}, {"Note", FieldType::Memo, 2}},
              {{"", {"Code"}, true}, {"byNote", {"Code"}, false, true}},
              {{I(1), A("длинная заметка о владельце")}, {I(2), A("ещё одна")}});
    const auto before = Snapshot(dir.Path());
    ASSERT_TRUE(before.count("TER.MB") && before.count("TER.PX") && before.count("TER.XG0"));
    try {
        CreateTable(dir.Path() / "TER.TXT", {{"A", FieldType::Alpha, 10}}, {{"", {"A"}, true}});
        FAIL() << "a table of the same stem was created";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("TER.DB"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Snapshot(dir.Path()), before);

    // Replacing a table replaces its own files only once the new table is complete.
    EXPECT_THROW(CreateTable(dir.Path() / "ter.db", {{"A", FieldType::Alpha, 10}}, {{"", {"Missing"}, true}}),
                 EngineError);
    EXPECT_EQ(Snapshot(dir.Path()), before);
    CreateTable(dir.Path() / "ter.db", {{"A", FieldType::Alpha, 10}}, {});
    EXPECT_EQ(Names(Snapshot(dir.Path())), (std::vector<std::string>{"TER.DB"}));
}

TEST(RefusedDefinitions, WhatTheTableEngineRefusesIsRefusedNamingTheField) {
    using T = FieldType;
    std::vector<FieldDef> numbered;
    for (int i = 0; i < 256; ++i) numbered.push_back({"F" + std::to_string(i), T::Short});
    struct Case {
        std::vector<FieldDef> fields;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{{"Name", T::Alpha, 0}}, "'Name'"},
        {{{"Name", T::Alpha, 256}}, "'Name'"},
        {{{"Note", T::Memo, 0}}, "'Note'"},
        {{{"Picture", T::Graphic, 241}}, "'Picture'"},
        {{{"Sum", T::Bcd, 33}}, "'Sum'"},
        {{{"АбвгдеёжзийклмнопрстуфхцчШ", T::Short}}, "longer than 25"},
        {{{"Код", T::Long}, {"КОД", T::Short}}, "'КОД' is defined twice"},
        {numbered, "at most 255"},
        {{{"A", T::Alpha, 255}, {"B", T::Alpha, 255}, {"C", T::Alpha, 255}, {"D", T::Alpha, 255}, {"E", T::Alpha, 255},
          {"F", T::Alpha, 255}, {"G", T::Alpha, 255}, {"H", T::Alpha, 255}, {"I", T::Alpha, 255}, {"J", T::Alpha, 255},
          {"K", T::Alpha, 255}, {"L", T::Alpha, 255}, {"M", T::Alpha, 255}, {"N", T::Alpha, 255}, {"O", T::Alpha, 255},
          {"P", T::Alpha, 255}, {"Q", T::Alpha, 255}},
         "do not fit"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        try {
            CreateTable(dir.Path() / "BAD.DB", c.fields, {});
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("BAD.DB"), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(dir.Path() / "BAD.DB"));
    }
}

}  // namespace
}  // namespace ter5::engine::testing
