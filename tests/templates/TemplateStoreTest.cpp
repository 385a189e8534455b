// The template store: the default templates, the cascade delete, the numbering of
// new field rows and the rules that turn rows into definitions.

#include <gtest/gtest.h>

#include "TemplateTestSupport.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "templates/DefaultTemplates.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateModule.h"
#include "templates/TemplateSchema.h"

namespace ter5::templates {
namespace {

using namespace testing;
using engine::FieldType;

TEST(TemplateStore, StartsWithTheWorkingBasesGroup) {
    TempDir dir;
    TemplateModule module(dir.Str());
    EXPECT_TRUE(module.CreatedDefaults());
    TemplateStore& store = module.Store();
    ASSERT_EQ(store.NameBase().RecordCount(), 1u);
    EXPECT_EQ(store.NameBase().AsString("Flag"), "р");
    // Bases.DB is ordered by name; every table is marked with the byte 0xFE.
    std::vector<std::string> names;
    for (store.Bases().First(); !store.Bases().Eof(); store.Bases().Next()) {
        names.push_back(store.Bases().AsString("Name"));
        EXPECT_EQ(store.Bases().AsString("Flag"), kReindexMark);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"POLIGON.DB", "SUBTER.DB", "TER.DB"}));
    const auto bases = engine::TableFile::Load(dir.Path() / kBasesTable);
    EXPECT_EQ(static_cast<unsigned char>(bases->Record(0)[bases->Fields()[3].offset]), 0xFE);

    ASSERT_TRUE(store.LocateTable("POLIGON.DB"));
    EXPECT_EQ(store.Fields().RecordCount(), 7u);
    store.Fields().Last();
    EXPECT_EQ(store.Fields().AsString("NameField"), "Ter");
    EXPECT_EQ(store.Fields().AsInteger("Number"), 7);
    store.Indexes().First();
    EXPECT_TRUE(IsBlankIndexName(store.Indexes().AsString("NameIndex")));
    EXPECT_EQ(store.Indexes().AsString("StructureIndex"), "Code");
    store.Indexes().Next();
    EXPECT_EQ(store.Indexes().AsString("StructureIndex"), "Ter;PutNumber");
}

TEST(TemplateStore, ExistingTablesAreKeptAndMissingOnesMade) {
    TempDir dir;
    { TemplateModule first(dir.Str()); first.Store().AppendGroup("Вторая", kGroupOther); }
    fs::remove(dir.Path() / kFieldTable);
    TemplateModule again(dir.Str());
    EXPECT_FALSE(again.CreatedDefaults());
    EXPECT_EQ(again.Store().NameBase().RecordCount(), 2u);
    EXPECT_TRUE(engine::FindFileNoCase(dir.Path(), kFieldTable));
    EXPECT_TRUE(again.SelectGroup("вторая", false));
    EXPECT_FALSE(again.SelectGroup("третья", false));
}

TEST(TemplateStore, DeletingAGroupTakesItsTablesAndTheirRows) {
    TempDir dir;
    TemplateModule module(dir.Str());
    TemplateStore& store = module.Store();
    store.AppendGroup("Другая", kGroupOther);
    AddTableTemplate(store, "KEEP.DB", "", {{"A", "A", 10}}, {{"", "A"}});
    const auto countRows = [&](const char* table) {
        return engine::TableFile::Load(dir.Path() / table)->RecordCount();
    };
    ASSERT_TRUE(store.LocateGroup("TER v.5"));
    store.NameBase().Delete();
    EXPECT_EQ(store.NameBase().RecordCount(), 1u);
    EXPECT_EQ(countRows(kBasesTable), 1u);
    EXPECT_EQ(countRows(kIndexTable), 1u);
    EXPECT_EQ(countRows(kFieldTable), 1u);  // field rows go with their table template too
    EXPECT_EQ(store.Bases().AsString("Name"), "KEEP.DB");
}

TEST(TemplateStore, NewFieldRowsNumberOneAboveTheHighest) {
    TempDir dir;
    TemplateModule module(dir.Str());
    TemplateStore& store = module.Store();
    AddTableTemplate(store, "NEW.DB", "", {}, {});
    engine::Table& fields = store.Fields();
    fields.Append();
    EXPECT_EQ(fields.AsInteger("Number"), 1);
    EXPECT_FALSE(fields.Modified());  // numbering alone is no change
    fields.SetAsString("NameField", "A");
    fields.Post();
    for (const int number : {2, 7}) {
        fields.Append();
        fields.SetAsInteger("Number", number);
        fields.Post();
    }
    fields.Insert();
    EXPECT_EQ(store.LastFieldNumber(), 7);
    EXPECT_EQ(fields.AsInteger("Number"), 8);
    fields.Cancel();
    // The detail row took the current table template's key.
    fields.First();
    EXPECT_EQ(fields.AsInteger("Code_Bases"), store.Bases().AsInteger("Code_Bases"));
}

TEST(TemplateDefinitions, RowsBecomeEngineDefinitions) {
    EXPECT_EQ(TableStem("POLIGON.DB"), "POLIGON");
    EXPECT_EQ(TableStem("A.B.DB"), "A");
    EXPECT_EQ(TableStem("poligon"), "poligon");

    const auto primary = IndexDefFromRow("  \t", "Code");
    EXPECT_TRUE(primary.primary);
    EXPECT_FALSE(primary.caseInsensitive);
    const auto secondary = IndexDefFromRow("TerPut", "Ter; PutNumber");
    EXPECT_FALSE(secondary.primary);
    EXPECT_TRUE(secondary.caseInsensitive);
    EXPECT_FALSE(secondary.descending);
    EXPECT_EQ(secondary.fields, (std::vector<std::string>{"Ter", "PutNumber"}));
    // A field's own name is only allowed on its case-sensitive single-field index.
    const auto fieldNamed = IndexDefFromRow("family", "Family");
    EXPECT_FALSE(fieldNamed.caseInsensitive);
    EXPECT_TRUE(engine::IsFieldNamedIndex(fieldNamed));

    EXPECT_EQ(FieldDefFromRow("Name", "A", 30)->size, 30);
    EXPECT_EQ(FieldDefFromRow("Code", "I", 99)->type, FieldType::Long);
    EXPECT_FALSE(FieldDefFromRow("x", "a", 5));   // letters compare exactly
    EXPECT_FALSE(FieldDefFromRow("x", "Q", 5));
    EXPECT_FALSE(FieldDefFromRow("x", "", 5));
    EXPECT_EQ(TypeLetterOf(FieldType::FmtMemo), "");
    EXPECT_EQ(TypeLetterOf(FieldType::Money), "$");
    EXPECT_EQ(UpperCaseText("poligon.db"), "POLIGON.DB");
    EXPECT_TRUE(SameTextNoCase("Вершины", "ВЕРШИНЫ"));
}

}  // namespace
}  // namespace ter5::templates
