// Template import: matching ignoring case, numbering, widths and type letters, and
// the round trip real tables → templates → reindex that gives back their indexes.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "TemplateTestSupport.h"
#include "base/DemoBase.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "templates/BaseCreator.h"
#include "templates/ConsoleHost.h"
#include "templates/Reindexer.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateImporter.h"
#include "templates/TemplateStore.h"

namespace ter5::templates {
namespace {

using namespace testing;
using engine::FieldType;
using engine::Value;

// The rows of a detail of the current table template, each as its `fields` joined by "|".
std::vector<std::string> Rows(engine::Table& t, const std::vector<const char*>& fields) {
    std::vector<std::string> rows;
    for (t.First(); !t.IsEmpty() && !t.Eof(); t.Next()) {
        std::string row;
        for (std::size_t i = 0; i < fields.size(); ++i) row += (i ? "|" : "") + t.AsString(fields[i]);
        rows.push_back(row);
    }
    return rows;
}
std::vector<std::string> FieldRows(TemplateStore& s) { return Rows(s.Fields(), {"Number", "NameField", "Type", "Width"}); }

// Deletes every index file (.PX, .Xnn/.Ynn, .XGn/.YGn) in `dir`.
void DeleteAllIndexFiles(const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string ext = UpperCaseText(entry.path().extension().string());
        if (ext == ".PX" || ext.rfind(".X", 0) == 0 || ext.rfind(".Y", 0) == 0) fs::remove(entry.path());
    }
}

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = std::make_unique<TemplateModule>(templates.Str());
        ASSERT_TRUE(module->SelectGroup("Импорт", true));
    }
    TemplateStore& Store() { return module->Store(); }
    TemplateImporter Importer() { return TemplateImporter(Store()); }

    TempDir templates, base;
    std::unique_ptr<TemplateModule> module;
};

TEST_F(ImportTest, AddsOnlyWhatTheTemplateLacks) {
    const std::vector<engine::FieldDef> fields = {{"Code", FieldType::Long, 0, false},
                                                  {"Name", FieldType::Alpha, 20, false},
                                                  {"When", FieldType::Date, 0, false}};
    MakeTable(base.Path() / "TER.DB", fields, {{"", {"Code"}, true, false, false}, {"ByName", {"Name"}, false, true, false}});
    MakeTable(base.Path() / "b.db", {{"X", FieldType::Short, 0, false}}, {});
    std::ofstream(base.Path() / "notes.txt") << "not a table";
    AddTableTemplate(Store(), "ter.db", "");
    Importer().ImportBaseDirectory(TemplateImporter::BaseDirectoryOf((base.Path() / "ter.db").string()));
    Importer().ImportBaseDirectory(base.Str());
    EXPECT_EQ(Rows(Store().Bases(), {"Name", "Flag"}),
              (std::vector<std::string>{"B.DB|", "ter.db|"}));  // matched ignoring case, not marked
    ASSERT_TRUE(Store().LocateTable("TER.DB"));
    EXPECT_EQ(FieldRows(Store()), (std::vector<std::string>{"1|Code|I|", "2|Name|A|20", "3|When|D|"}));
    EXPECT_EQ(Rows(Store().Indexes(), {"NameIndex", "StructureIndex"}), (std::vector<std::string>{"|Code", "ByName|Name"}));

    // A field added since is appended with the next number; a removed one keeps its row.
    MakeTable(base.Path() / "TER.DB", {fields[0], {"Extra", FieldType::Money, 0, false}}, {});
    Importer().ImportFiles({(base.Path() / "ter.db").string()});
    EXPECT_EQ(FieldRows(Store()), (std::vector<std::string>{"1|Code|I|", "2|Name|A|20", "3|When|D|", "4|Extra|$|"}));
}

TEST_F(ImportTest, FormattedMemoHasNoTypeAndCreatesNoField) {
    const fs::path fields = base.Path() / "fields";
    CopyWritable(fs::path(TER5_TEST_DATA_DIR) / "leonhad+paradoxdriver/fields", fields);
    Importer().ImportFiles({(fields / "fmemo.db").string(), (fields / "bcd.db").string(), (fields / "memo.db").string()});
    EXPECT_EQ(Store().Bases().AsString("Name"), "MEMO.DB");  // the last one imported stays current
    ASSERT_TRUE(Store().LocateTable("FMEMO.DB"));
    const auto rows = FieldRows(Store());
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const std::string& r) { return r.find("||") != r.npos; }), 1);

    TempDir made;
    BaseCreator(Store()).CreateGroupTables(made.Str(), nullptr);
    for (const char* name : {"fmemo.db", "bcd.db", "memo.db"}) {
        const auto original = engine::TableFile::Load(fields / name)->Fields();
        auto copy = engine::TableFile::Load(*engine::FindFileNoCase(made.Path(), name))->Fields();
        if (copy.size() < original.size()) copy.insert(copy.begin() + 1, original[1]);  // fmemo's formatted memo
        ASSERT_EQ(copy.size(), original.size()) << name;
        for (std::size_t i = 0; i < copy.size(); ++i)
            EXPECT_TRUE(copy[i].type == original[i].type && copy[i].length == original[i].length) << name << i;
    }
}

// What a reindex from imported templates must give back: the records, and each
// index's name and fields, every secondary index case-insensitive unless it carries
// its field's name (the only index Paradox lets carry it).
std::vector<std::string> Snapshot(const fs::path& table) {
    std::vector<std::string> out = SortedRecords(table);
    for (const auto& i : IndexesOf(table)) {
        const bool fieldNamed = !i.def.primary && i.def.fields.size() == 1 && SameTextNoCase(i.def.name, i.def.fields[0]);
        out.push_back((i.def.primary ? "primary" : i.def.name) + "(" + JoinFieldList(i.def.fields) + ")" +
                      (i.def.primary || fieldNamed ? "" : " ci"));
    }
    return out;
}

void ExpectRebuilt(const std::vector<fs::path>& tables, const std::vector<std::vector<std::string>>& before) {
    std::string verify = "verify";
    for (std::size_t i = 0; i < tables.size(); ++i) {
        EXPECT_EQ(Snapshot(tables[i]), before[i]) << tables[i];
        verify += " '" + tables[i].string() + "'";
    }
    std::string output;
    EXPECT_EQ(RunTool(verify, &output), 0) << output;
}

TEST_F(ImportTest, RealTablesComeBackFromTheirTemplates) {
    const std::vector<std::string> names = {
        "leonhad+paradoxdriver/db/AREACODES.DB",   "leonhad+paradoxdriver/joins/C.DB",
        "leonhad+paradoxdriver/joins/fk4.db",      "leonhad+paradoxdriver/joins/multiple.db",
        "leonhad+paradoxdriver/joins/case.db",     "leonhad+paradoxdriver/joins/indexed.db",
        "leonhad+paradoxdriver/mtdemo/TAXRATE.DB", "Chevich+KsmProj/ValutC.db",
        "Chevich+KsmProj/SPRKU.DB",                "nilsfr+python-pxlib/KOMMENT.DB",
        "ShellsOfSilver+CDSkakun/MARKAAUTO.DB",    "ShellsOfSilver+CDSkakun/bdd.db",
        "t232006+Individual-dictionary/_QSQ33.DB"};
    std::vector<fs::path> tables;
    std::vector<std::string> paths;
    std::vector<std::vector<std::string>> before;
    for (const std::string& name : names) {
        const fs::path dir = base.Path() / fs::path(name).parent_path();
        if (!fs::exists(dir)) CopyWritable(fs::path(TER5_TEST_DATA_DIR) / fs::path(name).parent_path(), dir);
        tables.push_back(dir / fs::path(name).filename());
        paths.push_back(tables.back().string());
        before.push_back(Snapshot(tables.back()));
    }
    Importer().ImportFiles(paths);
    RecordingHost host;
    for (const fs::path& table : tables) DeleteAllIndexFiles(table.parent_path());
    for (const fs::path& table : tables) {
        host.target = table.parent_path().string();
        ASSERT_TRUE(Store().LocateTable(table.filename().string()));
        Reindexer(Store(), host).ReindexCurrentTable();
    }
    EXPECT_TRUE(host.messages.empty());
    ExpectRebuilt(tables, before);
}

TEST_F(ImportTest, DemoBaseRoundTrip) {
    base::WriteDemoBase(base.Path(), base::DemoOptions{200, 3});
    const std::vector<fs::path> tables = {base.Path() / "ter.db", base.Path() / "subter.db", base.Path() / "POLIGON.DB"};
    std::vector<std::vector<std::string>> before;
    for (const auto& t : tables) before.push_back(Snapshot(t));
    Importer().ImportBaseDirectory(base.Str());
    for (Store().Bases().First(); !Store().Bases().Eof(); Store().Bases().Next()) {
        Store().Bases().Edit();
        Store().Bases().SetAsString("Flag", kReindexMark);
    }
    DeleteAllIndexFiles(base.Path());
    ConsoleHost host(module->DataModule(), base.Str(), nullptr);
    Reindexer(Store(), host).ReindexGroup(&host);
    EXPECT_TRUE(module->DataModule().BaseOpen());  // re-opened after each table
    ExpectRebuilt(tables, before);
}

// A table the templates cannot describe whole (ole.db: an OLE field without a leader,
// which base creation refuses) stops the import before any row is written, also when
// other tables come before it; the tool then leaves no group it made behind.
TEST_F(ImportTest, AFailedImportWritesNothing) {
    const fs::path fields = base.Path() / "fields";
    CopyWritable(fs::path(TER5_TEST_DATA_DIR) / "leonhad+paradoxdriver/fields", fields);
    const auto tablesBefore = Rows(Store().Bases(), {"Name"});
    EXPECT_THROW(Importer().ImportFiles({(fields / "memo.db").string(), (fields / "ole.db").string()}), engine::EngineError);
    EXPECT_EQ(Rows(Store().Bases(), {"Name"}), tablesBefore);
    EXPECT_FALSE(Store().LocateTable("MEMO.DB"));
    EXPECT_FALSE(Store().LocateTable("OLE.DB"));

    TempDir toolTemplates;
    std::string out;
    EXPECT_EQ(RunTool("import '" + fields.string() + "' --group Новая --templates '" + toolTemplates.Str() +
                          "' memo.db ole.db",
                      &out),
              2)
        << out;
    EXPECT_NE(out.find("ole.db: field 'OLE'"), std::string::npos) << out;
    TemplateModule written(toolTemplates.Str());
    EXPECT_FALSE(written.SelectGroup("Новая", false));
    EXPECT_FALSE(written.Store().LocateTable("OLE.DB"));
}

}  // namespace
}  // namespace ter5::templates
