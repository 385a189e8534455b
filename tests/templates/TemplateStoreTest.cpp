// The template store: the default templates, the cascade delete and the numbering
// of new field rows; and the reindex, create and import commands of ter5tool over
// it, with a tree of bases and their exit codes.

#include <gtest/gtest.h>

#include "TemplateTestSupport.h"
#include "base/DemoBase.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "templates/Reindexer.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateSchema.h"
#include "templates/TemplateStore.h"

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

TEST(TemplateCommands, CreateImportAndReindexATreeOfBases) {
    TempDir templates, root;
    const auto run = [&](const std::string& args, std::string* out) {
        return RunTool(args + " --templates '" + templates.Str() + "'", out);
    };
    const std::string tree = "'" + root.Str() + "/district'", created = "'" + root.Str() + "/new'";
    std::string out;
    ASSERT_EQ(run("create " + created + " --group 'TER v.5'", &out), 0) << out;
    EXPECT_NE(out.find("3 table(s) created"), std::string::npos) << out;

    base::WriteDemoBase(root.Path() / "district/a", base::DemoOptions{30, 1});
    base::WriteDemoBase(root.Path() / "district/deeper/b", base::DemoOptions{30, 2});
    fs::create_directories(root.Path() / "district/empty");
    ASSERT_EQ(run("import " + tree + "/a --group Demo", &out), 0) << out;
    EXPECT_NE(out.find("template group 'Demo' created"), std::string::npos) << out;
    EXPECT_NE(out.find("3 table template(s)"), std::string::npos) << out;

    Reindexer::DeleteIndexFiles(root.Path() / "district/deeper/b", "POLIGON");
    ASSERT_EQ(run("reindex " + tree + " --recursive --group 'TER v.5'", &out), 0) << out;
    EXPECT_NE(out.find("reindex " + engine::PathToUtf8(root.Path() / "district" / "deeper" / "b")), std::string::npos) << out;
    EXPECT_NE(out.find("reindex " + engine::PathToUtf8(root.Path() / "district" / "a")), std::string::npos) << out;
    EXPECT_EQ(out.find("empty"), std::string::npos) << out;
    EXPECT_EQ(RunTool("verify '" + root.Str() + "/district/deeper/b'", &out), 0) << out;

    // Unknown group or table template: an error; a missing table file: exit code 1.
    EXPECT_EQ(run("reindex " + created + " --group 'TER v.5' --table NONE.DB", &out), 2);
    EXPECT_EQ(run("reindex " + created + " --group Nope", &out), 2);
    fs::remove(root.Path() / "new/TER.DB");
    ASSERT_EQ(run("reindex " + created + " --group 'TER v.5' --table ter.db", &out), 1) << out;
    EXPECT_NE(out.find("База TER не найдена в каталоге"), std::string::npos) << out;
}

}  // namespace
}  // namespace ter5::templates
