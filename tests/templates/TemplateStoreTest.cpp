// The template store: the default templates, the cascade delete and the numbering
// of new field rows.

#include <gtest/gtest.h>

#include "TemplateTestSupport.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateModule.h"
#include "templates/TemplateSchema.h"

namespace ter5::templates {
namespace {

using namespace testing;

TEST(TemplateStore, StartsWithTheWorkingBasesGroupAndKeepsExistingTables) {
    TempDir dir;
    {
        TemplateModule module(dir.Str());
        EXPECT_TRUE(module.CreatedDefaults());
        TemplateStore& store = module.Store();
        ASSERT_EQ(store.NameBase().RecordCount(), 1u);
        EXPECT_EQ(store.NameBase().AsString("Flag"), "р");
        std::vector<std::string> names;  // ordered by name, every one marked
        for (store.Bases().First(); !store.Bases().Eof(); store.Bases().Next()) {
            names.push_back(store.Bases().AsString("Name"));
            EXPECT_EQ(store.Bases().AsString("Flag"), kReindexMark);
        }
        EXPECT_EQ(names, (std::vector<std::string>{"POLIGON.DB", "SUBTER.DB", "TER.DB"}));
        ASSERT_TRUE(store.LocateTable("poligon.db"));
        EXPECT_EQ(store.Fields().RecordCount(), 7u);
        store.Indexes().Last();
        EXPECT_EQ(store.Indexes().AsString("StructureIndex"), "Ter;PutNumber");
        store.AppendGroup("Вторая", kGroupOther);
    }
    const auto bases = engine::TableFile::Load(dir.Path() / kBasesTable);
    EXPECT_EQ(static_cast<unsigned char>(bases->Record(0)[bases->Fields()[3].offset]), 0xFE);  // "ю"

    fs::remove(dir.Path() / kFieldTable);
    TemplateModule again(dir.Str());
    EXPECT_FALSE(again.CreatedDefaults());
    EXPECT_TRUE(again.SelectGroup("вторая", false));
    EXPECT_TRUE(engine::FindFileNoCase(dir.Path(), kFieldTable));
}

TEST(TemplateStore, DeletingAGroupTakesItsTablesAndTheirRows) {
    TempDir dir;
    TemplateModule module(dir.Str());
    TemplateStore& store = module.Store();
    store.AppendGroup("Другая", kGroupOther);
    AddTableTemplate(store, "KEEP.DB", "", {{"A", "A", 10}}, {{"", "A"}});
    ASSERT_TRUE(store.LocateGroup("TER v.5"));
    store.NameBase().Delete();
    for (const char* table : {kNameBaseTable, kBasesTable, kIndexTable, kFieldTable})
        EXPECT_EQ(engine::TableFile::Load(dir.Path() / table)->RecordCount(), 1u) << table;  // field rows go too
    EXPECT_EQ(store.Bases().AsString("Name"), "KEEP.DB");
}

TEST(TemplateStore, NewFieldRowsNumberOneAboveTheHighest) {
    TempDir dir;
    TemplateModule module(dir.Str());
    TemplateStore& store = module.Store();
    AddTableTemplate(store, "NEW.DB", "");
    engine::Table& fields = store.Fields();
    fields.Append();
    EXPECT_EQ(fields.AsInteger("Number"), 1);
    EXPECT_FALSE(fields.Modified());  // the numbering alone is no change
    for (const int number : {1, 2, 7}) {
        fields.SetAsInteger("Number", number);
        fields.Post();
        fields.Append();
    }
    EXPECT_EQ(store.LastFieldNumber(), 7);
    EXPECT_EQ(fields.AsInteger("Number"), 8);
    EXPECT_EQ(fields.AsInteger("Code_Bases"), store.Bases().AsInteger("Code_Bases"));
}

}  // namespace
}  // namespace ter5::templates
