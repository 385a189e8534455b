// Cursor, field access, Locate, declared fields, editing, refresh, notifications
// and sharing of Table and Query, over the small base of DataSetTestSupport.h.

#include <gtest/gtest.h>

#include "DataSetTestSupport.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/Query.h"
#include "engine/Table.h"

namespace ter5::engine {
namespace {

using namespace testing;

// Expects `call` to throw EngineError whose message contains `part`.
template <typename F>
void ExpectError(F call, const std::string& part) {
    try {
        call();
        ADD_FAILURE() << "no error; expected " << part;
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
}

class DataSetTest : public ::testing::Test {
protected:
    void SetUp() override { MakeBase(dir.Path()); }

    std::unique_ptr<Table> OpenTable(const std::string& name, const std::string& index = "") {
        auto t = std::make_unique<Table>();
        t->SetDatabaseName(dir.Str());
        t->SetTableName(name);
        t->SetIndexFieldNames(index);
        t->Open();
        return t;
    }
    std::unique_ptr<Query> OpenQuery(std::vector<std::string> sql) {
        auto q = std::make_unique<Query>();
        q->SetDatabaseName(dir.Str());
        q->SetSql(std::move(sql));
        q->Open();
        return q;
    }

    TempDir dir;
};

TEST_F(DataSetTest, CursorMovesAndReportsItsEnds) {
    auto t = OpenTable("TER");
    EXPECT_TRUE(t->Bof());
    EXPECT_FALSE(t->Eof());
    EXPECT_EQ(t->RecNo(), 1u);
    EXPECT_EQ(t->RecordCount(), 8u);
    t->Prior();  // already first: Bof, no move
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->AsInteger("Code"), 1);
    t->Last();
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->RecNo(), 8u);
    t->Next();  // already last
    EXPECT_EQ(t->AsInteger("code"), 8);
    t->MoveTo(3);
    EXPECT_FALSE(t->Bof() || t->Eof());
    EXPECT_EQ(t->AsString("FAMILY"), "Сидоров Пётр");
    ExpectError([&] { t->MoveTo(9); }, "record number 9 out of range 1..8");
    ExpectError([&] { t->AsInteger("Nope"); }, "Field 'Nope' not found");
    t->Close();
    EXPECT_EQ(t->RecNo(), 0u);
    EXPECT_TRUE(t->Eof() && t->Bof());
    ExpectError([&] { t->Next(); }, "closed dataset");

    auto none = OpenQuery({"select * from ter where family like 'nobody'"});
    EXPECT_TRUE(none->Eof() && none->Bof());
    EXPECT_EQ(none->RecNo(), 0u);
    EXPECT_TRUE(none->IsNull("Family"));
}

TEST_F(DataSetTest, FieldValuesConvert) {
    auto t = OpenTable("subter.db");
    t->MoveTo(1);
    EXPECT_EQ(t->AsString("Ixp1"), "600.5");
    EXPECT_EQ(t->AsInteger("Ixp1"), 600);  // halves round to even
    EXPECT_EQ(t->AsFloat("Code"), 1.0);
    EXPECT_EQ(t->AsString("Ok"), "ю");
    EXPECT_TRUE(t->IsNull("Flag"));
    EXPECT_EQ(t->AsInteger("Flag"), 0);
    ExpectError([&] { t->AsFloat("IdentificationCode"); }, "field 'IdentificationCode': '50:01:0000001' is not");
    t->MoveTo(4);
    EXPECT_EQ(t->AsInteger("Ixp1"), 450);
    t->MoveTo(6);
    EXPECT_EQ(t->AsFloat("Ixp1"), 0.0);
    EXPECT_EQ(t->AsString("House"), "");
}

TEST_F(DataSetTest, IndexFieldNamesPicksAnExistingIndex) {
    auto t = OpenTable("poligon", "ter; putnumber");
    EXPECT_EQ(Rows(*t, {"Number"}),
              (std::vector<std::string>{"1", "2", "3", "11", "12", "13", "21", "22", "31", "41"}));
    t->Close();
    t->SetIndexFieldNames("Code");  // the primary key
    t->Open();
    EXPECT_EQ(Rows(*t, {"Number"}).front(), "12");
    t->Close();
    for (const char* fields : {"PutNumber;Ter", "Number", "Nope"}) {
        t->SetIndexFieldNames(fields);
        ExpectError([&] { t->Open(); }, std::string("poligon.db: Index does not exist. Fields: ") + fields);
        EXPECT_FALSE(t->Active());
    }
}

TEST_F(DataSetTest, LocateFindsTheFirstRowInTheDataSetsOrder) {
    auto q = OpenQuery({"select * from ter order by family"});
    // Owners 1 and 5 both point to parcel 1; by name Егорова (5) comes first.
    EXPECT_TRUE(q->Locate("Poligon", I(1)));
    EXPECT_EQ(q->AsInteger("Code"), 5);
    EXPECT_EQ(q->RecNo(), 3u);
    EXPECT_TRUE(q->Locate("Poligon", N(1.0)));  // integer or float alike
    EXPECT_TRUE(q->Locate("Code", A("4")));
    EXPECT_EQ(q->RecNo(), 4u);
    EXPECT_TRUE(q->Locate("Code", N(1.0)));
    EXPECT_EQ(q->RecNo(), 5u);
    EXPECT_FALSE(q->Locate("Code", N(1.5)));  // no integer equals 1.5; the cursor stays
    EXPECT_FALSE(q->Locate("Poligon", I(42)));
    EXPECT_EQ(q->RecNo(), 5u);
    ExpectError([&] { q->Locate("Code", A("abc")); }, "field 'Code'");

    EXPECT_FALSE(q->Locate("Family", A("ПЕТРОВА АННА")));
    EXPECT_TRUE(q->Locate("Family", A("ПЕТРОВА АННА"), {.caseInsensitive = true}));
    EXPECT_EQ(q->AsInteger("Code"), 2);
    EXPECT_TRUE(q->Locate("Family", A("Петрова Анна")));
    EXPECT_EQ(q->AsInteger("Code"), 7);
    EXPECT_FALSE(q->Locate("Family", A("ива"), {.partialKey = true}));
    EXPECT_TRUE(q->Locate("Family", A("ива"), {.caseInsensitive = true, .partialKey = true}));
    EXPECT_EQ(q->AsInteger("Code"), 1);
    EXPECT_FALSE(q->Locate("Family", A("Ива")));  // whole value without partialKey
    EXPECT_FALSE(q->Locate("Family", A("ежиков олег"), {.caseInsensitive = true}));  // Ё is not Е
    EXPECT_TRUE(q->Locate("Family", A("ёжиков олег"), {.caseInsensitive = true}));
    EXPECT_TRUE(q->Locate("Family;Poligon", {A("петрова анна"), N(2)}));
    EXPECT_EQ(q->AsInteger("Code"), 2);
    EXPECT_TRUE(q->Locate("Family", Null()));
    EXPECT_EQ(q->AsInteger("Code"), 8);
    EXPECT_EQ(q->RecNo(), 1u);
}

TEST_F(DataSetTest, DeclaredFieldsMustHaveTheirTypes) {
    Query q;
    q.SetDatabaseName(dir.Str());
    q.SetSql({"select *", "from \"subter.db\"", "order by house"});
    q.DeclareFields({{"Code", FieldType::Long}, {"Ixp1", FieldType::Number}, {"House", FieldType::Alpha}});
    q.Open();
    q.Close();
    q.DeclareFields({{"Code", FieldType::Number}});
    ExpectError([&] { q.Open(); }, "Type mismatch for field 'Code', expecting: Number actual: Long");
    EXPECT_FALSE(q.Active());

    Table t;
    t.SetDatabaseName(dir.Str());
    t.SetTableName("poligon.db");
    t.DeclareFields({{"Code", FieldType::AutoInc}, {"Ter", FieldType::Number}, {"Side", FieldType::Number}});
    ExpectError([&] { t.Open(); }, "Field 'Side' not found");
    EXPECT_FALSE(t.Active());
}

TEST_F(DataSetTest, TableNamesResolveIgnoringCase) {
    Table t;
    t.SetTableName((dir.Path() / "SubTer.DB").string());  // a full path, in another case
    t.Open();
    EXPECT_EQ(t.FilePath().filename(), "subter.db");
    t.Close();
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());  // an empty database name is the current directory
    t.SetTableName("TER");
    t.Open();
    EXPECT_EQ(t.RecordCount(), 8u);
    t.Close();
    fs::current_path(before);
    t.SetDatabaseName(dir.Str());
    t.SetTableName("owners");
    ExpectError([&] { t.Open(); }, "owners.db: Table does not exist");
}

TEST_F(DataSetTest, EditingPostsCancelsAndDeletes) {
    auto t = OpenTable("ter.db");
    t->Insert();
    EXPECT_EQ(t->State(), DataSetState::Insert);
    t->SetAsInteger("Code", 9);
    t->SetAsString("Family", "Новиков Иван");
    t->SetAsFloat("Poligon", 3);
    EXPECT_EQ(t->AsString("Family"), "Новиков Иван");  // read from the row buffer
    t->Post();
    EXPECT_EQ(t->State(), DataSetState::Browse);
    EXPECT_EQ(t->RecordCount(), 9u);
    EXPECT_EQ(t->RecNo(), 9u);  // on the posted row
    EXPECT_EQ(TableFile::Load(dir.Path() / "ter.db")->RecordCount(), 9u);

    t->MoveTo(2);
    t->Edit();
    t->SetAsString("Family", "Петрова Анна Сергеевна");
    t->Cancel();
    EXPECT_EQ(t->AsString("Family"), "петрова анна");
    t->Edit();
    t->SetAsString("Adr_House", "Тула, Ленина 1");
    t->Post();
    EXPECT_EQ(t->AsString("Adr_House"), "Тула, Ленина 1");

    ExpectError([&] { t->SetAsString("Family", "x"); }, "not in edit or insert mode");
    t->Edit();
    ExpectError([&] { t->SetAsString("Poligon", "два"); }, "field 'Poligon'");
    ExpectError([&] { t->SetAsString("Flag", "юю"); }, "field 'Flag'");
    t->Cancel();

    t->Insert();
    t->SetAsInteger("Code", 1);  // taken: the key is violated, the row stays pending
    ExpectError([&] { t->Post(); }, "Key violation");
    EXPECT_EQ(t->State(), DataSetState::Insert);
    t->Cancel();

    t->MoveTo(2);
    t->Delete();
    EXPECT_EQ(t->RecordCount(), 8u);
    EXPECT_EQ(t->AsInteger("Code"), 3);  // the next row becomes current
    t->Close();

    auto v = OpenTable("poligon.db");
    v->Append();  // the auto-increment key is given on post
    v->SetAsFloat("Ter", 6);
    v->Post();
    EXPECT_EQ(v->AsInteger("Code"), 11);
    v->Edit();
    ExpectError([&] { v->SetAsInteger("Code", 5); }, "cannot be modified");
}

TEST_F(DataSetTest, ReadOnlyAndEmptyDataSetsRefuseChanges) {
    Table t;
    t.SetDatabaseName(dir.Str());
    t.SetTableName("ter");
    t.SetReadOnly(true);
    t.Open();
    ExpectError([&] { t.Edit(); }, "Cannot modify a read-only dataset");
    ExpectError([&] { t.SetReadOnly(false); }, "open dataset");
    auto q = OpenQuery({"select * from ter"});
    ExpectError([&] { q->Delete(); }, "Cannot modify a read-only dataset");

    MakeTable(dir.Path() / "empty.db", {{"Code", FieldType::Long}}, {}, {});
    auto e = OpenTable("empty");
    ExpectError([&] { e->Delete(); }, "Cannot perform this operation on an empty dataset");
    e->Edit();  // Edit on an empty data set starts a new row
    EXPECT_EQ(e->State(), DataSetState::Insert);
}

TEST_F(DataSetTest, RefreshPostsChangedRowsAndDropsUnchangedOnes) {
    auto t = OpenTable("ter");
    int newRecords = 0;
    t->SetOnNewRecord([&](DataSet& ds) {
        ++newRecords;
        ds.SetAsString("Flag", "ю");  // set-up values are no change
    });
    t->Append();
    EXPECT_FALSE(t->Modified());
    t->Refresh();
    EXPECT_EQ(newRecords, 1);
    EXPECT_EQ(t->State(), DataSetState::Browse);
    EXPECT_EQ(t->RecordCount(), 8u);

    t->Append();
    t->SetAsInteger("Code", 10);
    t->Refresh();
    EXPECT_EQ(t->RecordCount(), 9u);
    EXPECT_EQ(t->AsString("Flag"), "ю");

    t->MoveTo(4);
    t->Edit();
    t->Refresh();  // unchanged: nothing written
    t->Edit();
    t->SetAsString("Adr_House", "Рязань");
    t->First();  // moving away posts too
    EXPECT_TRUE(t->Locate("Adr_House", A("Рязань")));
    EXPECT_EQ(t->AsInteger("Code"), 4);
}

// Records what a data set reports, in order.
struct Recorder : DataSetObserver {
    std::vector<std::string> events;
    void ActiveChanged(DataSet& ds) override { events.push_back(ds.Active() ? "open" : "close"); }
    void CursorMoved(DataSet&) override { events.push_back("moved"); }
    void DataChanged(DataSet&, DataChange c) override {
        events.push_back(c == DataChange::Post ? "post" : c == DataChange::Delete ? "delete" : "refresh");
    }
    void StateChanged(DataSet& ds) override {
        events.push_back(ds.State() == DataSetState::Insert ? "insert" : ds.State() == DataSetState::Edit ? "edit" : "browse");
    }
    void FieldChanged(DataSet& ds, int field) override { events.push_back("set " + ds.Fields()[field].name); }
};

TEST_F(DataSetTest, NotificationsComeInOrder) {
    Table t;
    t.SetDatabaseName(dir.Str());
    t.SetTableName("ter");
    Recorder r;
    t.AddObserver(r);
    t.SetBeforeInsert([&](DataSet&) { r.events.push_back("before insert"); });
    t.SetOnNewRecord([&](DataSet&) { r.events.push_back("new record"); });
    t.SetBeforeDelete([&](DataSet& ds) { r.events.push_back("before delete " + ds.AsString("Code")); });
    t.Open();
    t.Next();
    t.Append();
    t.SetAsInteger("Code", 20);
    t.Post();
    t.Delete();
    t.Close();
    EXPECT_EQ(r.events, (std::vector<std::string>{"open", "moved", "before insert", "new record", "insert", "set Code",
                                                  "post", "browse", "moved", "before delete 20", "delete", "moved",
                                                  "close"}));
    t.RemoveObserver(r);
    r.events.clear();
    t.Open();
    EXPECT_TRUE(r.events.empty());

    t.SetBeforeDelete([](DataSet&) { throw EngineError("kept"); });  // a hook can refuse
    ExpectError([&] { t.Delete(); }, "kept");
    EXPECT_EQ(t.RecordCount(), 8u);
}

TEST_F(DataSetTest, TwoDataSetsOnOneTableSeeEachOthersPostsAfterRefresh) {
    auto a = OpenTable("ter");
    auto b = OpenTable("TER.DB");
    a->MoveTo(3);
    a->Edit();
    a->SetAsString("Adr_House", "Калуга");
    a->Post();
    b->MoveTo(3);
    EXPECT_EQ(b->AsString("Adr_House"), "Калуга, Садовая 5");  // b has not re-read yet
    b->MoveTo(4);
    b->Edit();  // b edits another row of its older copy: a's post survives
    b->SetAsString("Adr_House", "Орёл");
    b->Post();
    EXPECT_EQ(b->AsString("Adr_House"), "Орёл");
    b->MoveTo(3);
    EXPECT_EQ(b->AsString("Adr_House"), "Калуга");
    a->Refresh();
    EXPECT_EQ(a->AsInteger("Code"), 3);  // the cursor stays on its record
    EXPECT_TRUE(a->Locate("Adr_House", A("Орёл")));

    a->MoveTo(5);
    a->Delete();
    b->MoveTo(5);
    b->Edit();
    b->SetAsString("Family", "x");
    ExpectError([&] { b->Post(); }, "another user changed the record");
    b->Cancel();
    b->Refresh();
    EXPECT_EQ(b->RecordCount(), 7u);
}

TEST_F(DataSetTest, LocksKeepExclusiveUseExclusive) {
    auto shared = OpenTable("subter");
    Table exclusive;
    exclusive.SetDatabaseName(dir.Str());
    exclusive.SetTableName("subter");
    exclusive.SetExclusive(true);
    ExpectError([&] { exclusive.Open(); }, "Table is busy");
    shared->Close();
    exclusive.Open();
    ExpectError([&] { OpenTable("subter"); }, "Table is busy");
    exclusive.Close();

    // A keyed table whose primary index is gone opens only exclusively.
    ASSERT_TRUE(fs::remove(*FindFileNoCase(dir.Path(), "subter.px")));
    ExpectError([&] { OpenTable("subter"); }, "subter.PX is missing; the table can only be opened exclusively");
    exclusive.Open();
    EXPECT_EQ(exclusive.RecordCount(), 6u);
    exclusive.Close();
    AddIndex(dir.Path() / "subter.db", IndexDef{"", {"Code"}, true});
    EXPECT_EQ(OpenTable("subter")->RecordCount(), 6u);
}

TEST_F(DataSetTest, DeferredWritesReachTheDiskAtFlushBuffers) {
    const auto onDisk = [&] { return TableFile::Load(dir.Path() / "poligon.db")->RecordCount(); };
    auto t = OpenTable("poligon", "Ter;PutNumber");
    t->SetDeferredWrites(true);
    for (int i = 2; i >= 1; --i) {
        t->Append();
        t->SetAsFloat("Ter", 6);
        t->SetAsFloat("PutNumber", i);
        t->Post();
    }
    EXPECT_EQ(t->RecordCount(), 12u);
    EXPECT_EQ(onDisk(), 10u);
    EXPECT_EQ(Rows(*t, {"Ter", "PutNumber", "Code"}).back(), "6,2,11");  // held rows are in index order
    t->FlushBuffers();
    EXPECT_EQ(onDisk(), 12u);

    t->Append();
    t->SetAsFloat("Ter", 7);
    t->Post();
    t->CancelDeferredWrites();
    EXPECT_EQ(t->RecordCount(), 12u);
    t->Append();
    t->SetAsFloat("Ter", 7);
    t->Post();
    t->Close();  // closing writes held rows too
    EXPECT_EQ(onDisk(), 13u);
}

}  // namespace
}  // namespace ter5::engine
