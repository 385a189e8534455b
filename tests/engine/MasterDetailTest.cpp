// Master–detail tables: the parcel/vertex pair the map load walks, new detail rows
// taking the master key, and the template store's cascade delete and numbering.

#include <gtest/gtest.h>

#include "DataSetTestSupport.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "engine/Table.h"

namespace ter5::engine {
namespace {

using namespace testing;
using T = FieldType;

// The numbers of the detail's vertices, in its order.
std::vector<std::string> Numbers(Table& detail) { return Rows(detail, {"Number"}); }

class MasterDetailTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeBase(dir.Path());
        parcels.SetDatabaseName(dir.Str());
        parcels.SetSql({"select *", "from \"subter.db\"", "order by house"});
        vertices.SetDatabaseName(dir.Str());
        vertices.SetTableName("POLIGON.Db");
        vertices.SetReadOnly(true);
        vertices.SetIndexFieldNames("Ter;PutNumber");
        vertices.SetMasterSource(&parcels);
        vertices.SetMasterFields("Code");
    }

    TempDir dir;
    Query parcels;
    Table vertices;
};

TEST_F(MasterDetailTest, VerticesFollowEveryMoveOfTheParcel) {
    parcels.Open();
    vertices.Open();
    std::vector<std::string> walk;
    for (parcels.First(); !parcels.Eof(); parcels.Next()) {
        std::string line = parcels.AsString("Code") + ":";
        for (const auto& n : Numbers(vertices)) line += " " + n;
        walk.push_back(line);
    }
    // Parcels in address order; parcel 6 has no vertices; each parcel's vertices
    // in boundary order although the file holds them mixed.
    EXPECT_EQ(walk, (std::vector<std::string>{"6:", "5: 41", "4: 31", "3: 21 22", "2: 11 12 13", "1: 1 2 3"}));

    ASSERT_TRUE(parcels.Locate("Code", N(2)));
    EXPECT_EQ(vertices.RecordCount(), 3u);
    EXPECT_EQ(vertices.RecNo(), 1u);
    EXPECT_TRUE(vertices.Bof());
    vertices.Last();
    EXPECT_EQ(vertices.AsInteger("PutNumber"), 3);
    EXPECT_TRUE(vertices.Locate("Number", I(12)));
    EXPECT_EQ(vertices.RecNo(), 2u);
    EXPECT_FALSE(vertices.Locate("Number", I(1)));  // parcel 1's vertex is not in this detail

    ASSERT_TRUE(parcels.Locate("Code", I(6)));
    EXPECT_TRUE(vertices.IsEmpty());
    EXPECT_TRUE(vertices.Eof() && vertices.Bof());
    EXPECT_EQ(vertices.RecNo(), 0u);

    parcels.Close();  // a closed master leaves the detail empty
    EXPECT_TRUE(vertices.IsEmpty());
    parcels.Open();  // first parcel: 6, none
    parcels.Next();
    EXPECT_EQ(Numbers(vertices), std::vector<std::string>{"41"});
}

TEST_F(MasterDetailTest, DetailOpenedBeforeItsMasterFillsWhenTheMasterOpens) {
    vertices.Open();
    EXPECT_TRUE(vertices.IsEmpty());
    parcels.Open();
    parcels.Last();
    EXPECT_EQ(Numbers(vertices), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(MasterDetailTest, DetailUnlinkedWhenItsMasterGoesAway) {
    {
        Query master;
        master.SetDatabaseName(dir.Str());
        master.SetSql({"select * from subter"});
        master.Open();
        vertices.SetMasterSource(&master);
        vertices.Open();
        EXPECT_EQ(vertices.RecordCount(), 3u);  // parcel 1
    }
    EXPECT_EQ(vertices.MasterSource(), nullptr);
    EXPECT_EQ(vertices.RecordCount(), 10u);
}

TEST_F(MasterDetailTest, NewDetailRowTakesTheMasterKey) {
    Table master;
    master.SetDatabaseName(dir.Str());
    master.SetTableName("subter");
    master.Open();
    vertices.SetReadOnly(false);
    vertices.SetMasterSource(&master);
    vertices.Open();

    ASSERT_TRUE(master.Locate("Code", I(6)));
    vertices.Append();
    EXPECT_EQ(vertices.AsFloat("Ter"), 6.0);
    EXPECT_FALSE(vertices.Modified());  // the key is no change of the user's
    vertices.Refresh();
    EXPECT_TRUE(vertices.IsEmpty());
    vertices.Append();
    vertices.SetAsFloat("PutNumber", 1);
    vertices.Post();
    EXPECT_EQ(Rows(vertices, {"Ter", "PutNumber", "Code"}), std::vector<std::string>{"6,1,11"});

    vertices.Append();
    vertices.SetAsFloat("PutNumber", 2);
    master.First();  // moving the master posts the pending row to the parcel it was begun for
    EXPECT_EQ(vertices.State(), DataSetState::Browse);
    ASSERT_TRUE(master.Locate("Code", I(6)));
    EXPECT_EQ(vertices.RecordCount(), 2u);

    master.Append();  // a new master row has no key yet: no detail rows
    EXPECT_TRUE(vertices.IsEmpty());
    master.Cancel();
    EXPECT_EQ(vertices.RecordCount(), 2u);
}

TEST_F(MasterDetailTest, DetailWithoutIndexFieldNamesUsesThePrimaryKey) {
    MakeTable(dir.Path() / "notes.db", {{"Code", T::Long}, {"Seq", T::Short}, {"Text", T::Alpha, 20}},
              {{"", {"Code", "Seq"}, true}}, {{I(2), I(2), A("b")}, {I(1), I(1), A("x")}, {I(2), I(1), A("a")}});
    parcels.Open();
    Table notes;
    notes.SetDatabaseName(dir.Str());
    notes.SetTableName("notes");
    notes.SetMasterSource(&parcels);
    notes.SetMasterFields("Code");
    notes.Open();
    ASSERT_TRUE(parcels.Locate("Code", I(2)));
    EXPECT_EQ(Rows(notes, {"Text"}), (std::vector<std::string>{"a", "b"}));

    Table tooMany;
    tooMany.SetDatabaseName(dir.Str());
    tooMany.SetTableName("poligon");
    tooMany.SetMasterSource(&parcels);
    tooMany.SetMasterFields("Code;House");  // more fields than the primary key has
    EXPECT_THROW(tooMany.Open(), EngineError);
}

// The template store: groups → table templates → field and index rows.
class TemplateStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path d = dir.Path();
        MakeTable(d / "NameBase.DB", {{"Code_NameBase", T::AutoInc}, {"Name", T::Alpha, 200}, {"Flag", T::Alpha, 1}},
                  {{"", {"Code_NameBase"}, true}, {"ByName", {"Name"}, false, true}},
                  {{Null(), A("TER v.5"), A("р")}, {Null(), A("Прочие"), A("п")}});
        MakeTable(d / "Bases.DB",
                  {{"Code_Bases", T::AutoInc}, {"Code_NameBase", T::Long}, {"Name", T::Alpha, 200},
                   {"Flag", T::Alpha, 1}, {"Note", T::Alpha, 200}},
                  {{"", {"Code_Bases"}, true}, {"GroupName", {"Code_NameBase", "Name"}, false, true}},
                  {{Null(), I(1), A("TER.DB")}, {Null(), I(1), A("subter.db")}, {Null(), I(1), A("POLIGON.DB")},
                   {Null(), I(2), A("OTHER.DB")}});
        MakeTable(d / "Field.DB",
                  {{"Code_Field", T::AutoInc}, {"Code_Bases", T::Long}, {"Number", T::Long}, {"NameField", T::Alpha, 200},
                   {"Type", T::Alpha, 1}, {"Width", T::Long}, {"Note", T::Alpha, 250}},
                  {{"", {"Code_Field"}, true}, {"BaseNumber", {"Code_Bases", "Number"}}},
                  {{Null(), I(2), I(7), A("Ixp1"), A("N")}, {Null(), I(2), I(1), A("Code"), A("I")},
                   {Null(), I(2), I(2), A("House"), A("A"), I(255)}});
        MakeTable(d / "Index.db",
                  {{"Code_Index", T::AutoInc}, {"Code_Bases", T::Long}, {"NameIndex", T::Alpha, 200},
                   {"StructureIndex", T::Alpha, 200}},
                  {{"", {"Code_Index"}, true}, {"BaseName", {"Code_Bases", "NameIndex"}}},
                  {{Null(), I(1), Null(), A("Code")}, {Null(), I(1), A("ByFamily"), A("Family")},
                   {Null(), I(2), Null(), A("Code")}, {Null(), I(4), Null(), A("Id")}});

        Setup(nameBase, "NameBase.DB", "Name", nullptr);
        Setup(bases, "Bases.DB", "Code_NameBase;Name", &nameBase);
        Setup(fields, "Field.DB", "Code_Bases;Number", &bases);
        Setup(indexes, "Index.db", "Code_Bases;NameIndex", &bases);
        bases.SetMasterFields("Code_NameBase");
        fields.SetMasterFields("Code_Bases");
        indexes.SetMasterFields("Code_Bases");

        // Cascade delete and numbering, as the data module installs them.
        nameBase.SetBeforeDelete([this](DataSet&) {
            for (bases.First(); !bases.IsEmpty();) bases.Delete();
        });
        bases.SetBeforeDelete([this](DataSet&) {
            for (indexes.First(); !indexes.IsEmpty();) indexes.Delete();
        });
        fields.SetBeforeInsert([this](DataSet& ds) {
            ds.Last();
            lastFieldNumber = ds.IsEmpty() ? 0 : ds.AsInteger("Number");
        });
        fields.SetOnNewRecord([this](DataSet& ds) { ds.SetAsInteger("Number", lastFieldNumber + 1); });
        for (Table* t : {&nameBase, &bases, &indexes, &fields}) t->Open();
    }

    void Setup(Table& t, const char* name, const char* index, DataSet* master) {
        t.SetDatabaseName(dir.Str());
        t.SetTableName(name);
        t.SetIndexFieldNames(index);
        t.SetMasterSource(master);
    }

    TempDir dir;
    Table nameBase, bases, fields, indexes;
    std::int64_t lastFieldNumber = 0;
};

TEST_F(TemplateStoreTest, DetailsShowTheRowsOfTheCurrentMasterRow) {
    EXPECT_EQ(nameBase.AsString("Name"), "TER v.5");
    // A case-insensitive index: subter.db sorts as SUBTER.DB.
    EXPECT_EQ(Rows(bases, {"Name"}), (std::vector<std::string>{"POLIGON.DB", "subter.db", "TER.DB"}));
    ASSERT_TRUE(bases.Locate("Name", A("SUBTER.DB"), {.caseInsensitive = true}));
    EXPECT_EQ(Rows(fields, {"Number", "NameField"}), (std::vector<std::string>{"1,Code", "2,House", "7,Ixp1"}));
    EXPECT_EQ(Rows(indexes, {"StructureIndex"}), std::vector<std::string>{"Code"});
    nameBase.Next();
    EXPECT_EQ(Rows(bases, {"Name"}), std::vector<std::string>{"OTHER.DB"});
}

TEST_F(TemplateStoreTest, NewFieldRowsAreNumberedOneAboveTheHighest) {
    ASSERT_TRUE(bases.Locate("Name", A("subter.db")));
    fields.First();
    fields.Append();
    EXPECT_EQ(fields.AsInteger("Number"), 8);  // 1, 2 and 7 in use
    EXPECT_EQ(fields.AsInteger("Code_Bases"), 2);
    fields.SetAsString("NameField", "IdentificationCode");
    fields.Refresh();
    EXPECT_EQ(Rows(fields, {"Number"}), (std::vector<std::string>{"1", "2", "7", "8"}));

    ASSERT_TRUE(bases.Locate("Name", A("TER.DB")));
    fields.Append();
    EXPECT_EQ(fields.AsInteger("Number"), 1);  // the first field of a template
    fields.Refresh();  // saved without typing anything: no row
    EXPECT_TRUE(fields.IsEmpty());
    EXPECT_EQ(TableFile::Load(dir.Path() / "Field.DB")->RecordCount(), 4u);
}

TEST_F(TemplateStoreTest, DeletingAGroupDeletesItsTemplatesAndTheirIndexRows) {
    nameBase.Delete();
    EXPECT_EQ(nameBase.RecordCount(), 1u);
    EXPECT_EQ(nameBase.AsString("Name"), "Прочие");
    Query left;
    left.SetDatabaseName(dir.Str());
    left.SetSql({"select Code_Bases, Name from bases"});
    left.Open();
    EXPECT_EQ(Rows(left, {"Code_Bases", "Name"}), std::vector<std::string>{"4,OTHER.DB"});
    left.Close();
    left.SetSql({"select Code_Bases, StructureIndex from \"Index.db\""});
    left.Open();
    EXPECT_EQ(Rows(left, {"Code_Bases", "StructureIndex"}), std::vector<std::string>{"4,Id"});

    nameBase.Delete();
    EXPECT_TRUE(nameBase.IsEmpty());
    EXPECT_THROW(nameBase.Delete(), EngineError);  // nothing left to delete
}

}  // namespace
}  // namespace ter5::engine
