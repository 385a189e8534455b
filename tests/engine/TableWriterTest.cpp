// Writing tables: creation of every field type, editing through TableEditor,
// keyed order, auto-increment, adding indexes, and the guarantee that a failed
// operation leaves the original file untouched. pxlib reads what we write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexCatalog.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"
#include "engine/TableFile.h"

#ifdef TER5_HAVE_PXLIB
extern "C" {
#include <paradox.h>
}
#endif

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

class TableWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ter5-writer-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

std::vector<FieldDef> EveryTypeFields() {
    return {{"Id", FieldType::Long, 0},        {"Name", FieldType::Alpha, 20},   {"Small", FieldType::Short, 0},
            {"Flag", FieldType::Logical, 0},   {"Num", FieldType::Number, 0},    {"Money", FieldType::Money, 0},
            {"Dec", FieldType::Bcd, 2},        {"Day", FieldType::Date, 0},      {"Clock", FieldType::Time, 0},
            {"Stamp", FieldType::Timestamp, 0}, {"Raw", FieldType::Bytes, 4},    {"Seq", FieldType::AutoInc, 0},
            {"Note", FieldType::Memo, 5},       {"Bin", FieldType::Blob, 1},     {"Pic", FieldType::Graphic, 1},
            {"Ole", FieldType::Ole, 1}};
}

TEST_F(TableWriterTest, EveryTypeRoundTripsThroughTheEditor) {
    const fs::path path = dir_ / "ALL.DB";
    CreateTable(path, EveryTypeFields(), {{"", {"Id"}, true}});
    {
        TableEditor ed(path);
        for (int id : {3, 1, 2}) {
            std::string r = ed.BlankRecord();
            ed.SetField(r, 0, Value::Int(id));
            ed.SetField(r, 1, Value::Text("Строка " + std::to_string(id)));
            ed.SetField(r, 2, Value::Int(-id));
            ed.SetField(r, 3, Value::Bool(id % 2 == 1));
            ed.SetField(r, 4, Value::Float(-1.5 * id));
            ed.SetField(r, 5, Value::Float(100.25));
            ed.SetField(r, 6, Value::Decimal("-12.50"));
            ed.SetField(r, 7, Value::Int(730000 + id));
            ed.SetField(r, 8, Value::Int(3600000));
            ed.SetField(r, 9, Value::Float(730000.0 * 86400000.0 + 1234));
            ed.SetField(r, 10, Value::Bytes(std::string("\x01\x02\x03\x04", 4)));
            ed.SetField(r, 12, Value::Text(id == 1 ? "abc" : "длинная заметка, не влезает в заголовок"));
            ed.SetField(r, 13, Value::Bytes(std::string(5000, static_cast<char>(id))));
            ed.SetField(r, 14, Value::Bytes("BMpicture"));
            ed.SetField(r, 15, Value::Bytes(std::string(300, 'o')));
            ed.Append(std::move(r));
        }
        ed.Save();
    }
    auto t = TableFile::Load(path);
    ASSERT_EQ(t->RecordCount(), 3u);
    EXPECT_EQ(t->Header().fileType, FileType::KeyedDb);
    for (std::size_t i = 0; i < 3; ++i) {
        const int id = static_cast<int>(i) + 1;  // sorted by key
        EXPECT_EQ(t->Get(i, 0).integer, id);
        EXPECT_EQ(t->Get(i, 1).text, "Строка " + std::to_string(id));
        EXPECT_EQ(t->Get(i, 2).integer, -id);
        EXPECT_EQ(t->Get(i, 3).boolean, id % 2 == 1);
        EXPECT_DOUBLE_EQ(t->Get(i, 4).number, -1.5 * id);
        EXPECT_EQ(t->Get(i, 6).text, "-12.50");
        EXPECT_EQ(t->Get(i, 7).integer, 730000 + id);
        EXPECT_EQ(t->Get(i, 10).text, std::string("\x01\x02\x03\x04", 4));
        EXPECT_EQ(t->Get(i, 12).text, id == 1 ? "abc" : "длинная заметка, не влезает в заголовок");
        EXPECT_EQ(t->Get(i, 13).text, std::string(5000, static_cast<char>(id)));
        EXPECT_EQ(t->Get(i, 14).text, "BMpicture");
        EXPECT_EQ(t->Get(i, 15).text, std::string(300, 'o'));
    }
    // Auto-increment follows append order, not key order.
    EXPECT_EQ(t->Get(2, 11).integer, 1);
    EXPECT_EQ(t->Get(0, 11).integer, 2);
    EXPECT_EQ(t->Header().autoIncrement, 3u);
    ASSERT_EQ(DiscoverIndexes(*t).size(), 1u);
}

TEST_F(TableWriterTest, DuplicateKeyIsRefusedAndNothingIsWritten) {
    const fs::path path = dir_ / "k.db";
    CreateTable(path, {{"Code", FieldType::Long, 0}, {"Name", FieldType::Alpha, 10}}, {{"", {"Code"}, true}});
    TableEditor ed(path);
    for (int i = 0; i < 2; ++i) {
        std::string r = ed.BlankRecord();
        ed.SetField(r, 0, Value::Int(7));
        ed.Append(r);
    }
    const auto before = ReadWholeFile(path);
    EXPECT_THROW(ed.Save(), EngineError);
    EXPECT_EQ(ReadWholeFile(path), before);
}

// A vertex-like table: unkeyed, then keyed on Code, then the composite index the
// map reads it by. Records survive every step and end up in key order.
TEST_F(TableWriterTest, AddIndexMakesAnUnkeyedTableKeyedAndAddsSecondaries) {
    const fs::path path = dir_ / "POLIGON.DB";
    CreateTable(path, {{"Code", FieldType::AutoInc, 0}, {"PutNumber", FieldType::Number, 0}, {"Ter", FieldType::Number, 0}}, {});
    {
        TableEditor ed(path);
        for (int code : {5, 3, 9, 1}) {
            std::string r = ed.BlankRecord();
            ed.SetField(r, 0, Value::Int(code));
            ed.SetField(r, 1, Value::Float(10 - code));
            ed.SetField(r, 2, Value::Float(code % 2));
            ed.Append(r);
        }
        ed.Save();
    }
    EXPECT_EQ(TableFile::Load(path)->Get(0, 0).integer, 5);  // unkeyed: append order

    AddIndex(path, {"", {"code"}, true});
    AddIndex(path, {"TerPut", {"Ter", "PutNumber"}, false, true});
    auto t = TableFile::Load(path);
    ASSERT_EQ(t->RecordCount(), 4u);
    EXPECT_EQ(t->Header().fileType, FileType::KeyedDb);
    const std::vector<int> expected{1, 3, 5, 9};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(t->Get(i, 0).integer, expected[i]);
    const auto indexes = DiscoverIndexes(*t);
    ASSERT_EQ(indexes.size(), 2u);
    EXPECT_TRUE(indexes[0].def.primary);
    EXPECT_EQ(indexes[1].def.name, "TerPut");
    EXPECT_EQ(indexes[1].def.fields, (std::vector<std::string>{"Ter", "PutNumber"}));

    // Re-adding an index of the same name replaces it rather than adding a twin.
    AddIndex(path, {"TerPut", {"PutNumber"}, false, true});
    const auto again = DiscoverIndexes(*TableFile::Load(path));
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[1].def.fields, (std::vector<std::string>{"PutNumber"}));
}

TEST_F(TableWriterTest, PrimaryIndexMustUseLeadingFields) {
    const fs::path path = dir_ / "t.db";
    CreateTable(path, {{"A", FieldType::Long, 0}, {"B", FieldType::Long, 0}}, {});
    const auto before = ReadWholeFile(path);
    EXPECT_THROW(AddIndex(path, {"", {"B"}, true}), EngineError);
    EXPECT_THROW(AddIndex(path, {"", {"Missing"}, true}), EngineError);
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_THROW(CreateTable(dir_ / "u.db", {{"A", FieldType::Long, 0}, {"B", FieldType::Long, 0}}, {{"", {"B"}, true}}),
                 EngineError);
}

TEST_F(TableWriterTest, CreateReplacesAnExistingTableAndItsIndexFiles) {
    const fs::path path = dir_ / "r.db";
    CreateTable(path, {{"A", FieldType::Alpha, 5}, {"B", FieldType::Long, 0}}, {{"", {"A"}, true}, {"byB", {"B"}, false, true}});
    EXPECT_TRUE(FindFileNoCase(dir_, "r.XG0"));
    CreateTable(path, {{"C", FieldType::Number, 0}}, {});
    auto t = TableFile::Load(path);
    ASSERT_EQ(t->Fields().size(), 1u);
    EXPECT_FALSE(FindFileNoCase(dir_, "r.XG0"));
    EXPECT_FALSE(FindFileNoCase(dir_, "r.PX"));
}

TEST_F(TableWriterTest, ExclusiveUseMakesTheTableBusy) {
    const fs::path path = dir_ / "lock.db";
    CreateTable(path, {{"A", FieldType::Long, 0}}, {});
    TableLock held(path, TableLock::Mode::Exclusive);
    try {
        TableLock second(path, TableLock::Mode::Shared);
        FAIL() << "a second lock was granted";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("Table is busy"), std::string::npos);
    }
}

#ifdef TER5_HAVE_PXLIB
// pxlib, an independent reader, sees the values we wrote.
TEST_F(TableWriterTest, PxlibReadsWrittenTables) {
    const fs::path path = dir_ / "PX.DB";
    CreateTable(path, {{"Code", FieldType::Long, 0}, {"Name", FieldType::Alpha, 12}, {"X", FieldType::Number, 0},
                       {"Day", FieldType::Date, 0}, {"S", FieldType::Short, 0}},
                {{"", {"Code"}, true}});
    {
        TableEditor ed(path);
        for (int i = 1; i <= 500; ++i) {
            std::string r = ed.BlankRecord();
            ed.SetField(r, 0, Value::Int(i * 7 % 501));
            ed.SetField(r, 1, Value::Text("n" + std::to_string(i)));
            ed.SetField(r, 2, Value::Float(i * 0.25 - 30));
            ed.SetField(r, 3, Value::Int(700000 + i));
            ed.SetField(r, 4, Value::Int(-i));
            ed.Append(r);
        }
        ed.Save();
    }
    auto ours = TableFile::Load(path);
    pxdoc_t* doc = PX_new();
    ASSERT_EQ(PX_open_file(doc, path.string().c_str()), 0);
    ASSERT_EQ(PX_get_num_records(doc), 500);
    for (int i = 0; i < 500; ++i) {
        pxval_t** rec = PX_retrieve_record(doc, i);
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(rec[0]->value.lval, ours->Get(i, 0).integer);
        EXPECT_EQ(std::string(rec[1]->value.str.val), ours->Get(i, 1).text);
        EXPECT_DOUBLE_EQ(rec[2]->value.dval, ours->Get(i, 2).number);
        EXPECT_EQ(rec[4]->value.lval, ours->Get(i, 4).integer);
        for (int f = 0; f < PX_get_num_fields(doc); ++f) {
            if (rec[f]->type == pxfAlpha && rec[f]->value.str.val) doc->free(doc, rec[f]->value.str.val);
            doc->free(doc, rec[f]);
        }
        doc->free(doc, rec);
    }
    // pxlib's primary-index reader accepts our .PX.
    pxdoc_t* px = PX_new();
    const auto pxPath = FindFileNoCase(dir_, "PX.PX");
    ASSERT_TRUE(pxPath);
    ASSERT_EQ(PX_open_file(px, pxPath->string().c_str()), 0);
    EXPECT_EQ(PX_read_primary_index(px), 0);
    PX_close(doc);
    PX_delete(doc);
}
#endif

}  // namespace
}  // namespace ter5::engine
