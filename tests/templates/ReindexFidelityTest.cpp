// A template reindex rebuilds real indexes on Russian text as their writer made
// them, and keeps (through `ter5tool reindex`) an index in an order this program
// cannot reproduce unless told --force.

#include <gtest/gtest.h>

#include <algorithm>

#include "../support/IndexOrderSupport.h"
#include "TemplateTestSupport.h"
#include "engine/FileUtil.h"
#include "engine/IndexLayout.h"
#include "engine/IndexMaintenance.h"
#include "engine/IndexReader.h"
#include "engine/IndexVerify.h"
#include "engine/TableEditor.h"
#include "engine/TableWriter.h"
#include "templates/Reindexer.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateStore.h"

namespace ter5::templates {
namespace {

using namespace testing;
using engine::FieldType;
using engine::Value;

const fs::path kDataDir = TER5_TEST_DATA_DIR;

bool Clean(const fs::path& table) {
    const auto problems = engine::VerifyTable(table);
    return std::none_of(problems.begin(), problems.end(), [](const auto& p) { return !p.isNote; });
}

// B00001: DBWINUS0 over cp1251 text; its case-insensitive indexes keep Russian
// keys in their case and in byte order. Deleted and rebuilt by a template reindex,
// every entry comes back where it was.
TEST(ReindexFidelity, TemplateReindexRebuildsB00001AsItsWriterDid) {
    TempDir templates, base;
    const fs::path original = kDataDir / "roguebeetle+kippdx2sqlite";
    CopyWritable(original, base.Path());
    TemplateModule module(templates.Str());
    module.Store().AppendGroup("Коммунальные", kGroupOther);
    AddTableTemplate(module.Store(), "B00001.DB", kReindexMark, {},
                     {{"", "ID"}, {"N_IVB", "Num_IVB"}, {"Adr", "Num_Jeu;Adres_Doma;Num_Doma;Num_korp;Sistema"}});
    Reindexer::DeleteIndexFiles(base.Path(), "B00001");
    RecordingHost host;
    host.target = base.Str();
    Reindexer(module.Store(), host).ReindexGroup(&host);
    EXPECT_TRUE(host.messages.empty());

    // Index.db lists a table's indexes by name, so Adr now takes .XG0 and N_IVB .XG1.
    const auto table = engine::TableFile::Load(base.Path() / "B00001.DB");
    const auto genuineTable = engine::TableFile::Load(original / "B00001.DB");
    const std::vector<engine::IndexInfo> rebuilt = engine::DiscoverIndexes(*table);
    const std::vector<engine::IndexInfo> genuine = engine::DiscoverIndexes(*genuineTable);
    ASSERT_EQ(rebuilt.size(), 3u);
    ASSERT_EQ(genuine.size(), 3u);
    for (const engine::IndexInfo& info : rebuilt) {
        if (info.def.primary) continue;
        SCOPED_TRACE(info.def.name);
        const auto same = std::find_if(genuine.begin(), genuine.end(), [&](const engine::IndexInfo& g) { return g.def.name == info.def.name; });
        ASSERT_NE(same, genuine.end());
        const auto a = engine::TableFile::Load(info.files[0]);
        const auto b = engine::TableFile::Load(same->files[0]);
        EXPECT_EQ(a->Header().flags, b->Header().flags);
        const engine::SecondaryLayout layout = engine::MakeSecondaryLayout(*table, info.def);
        const engine::RecordBuffer ra = engine::ReadIndexRecords(*a), rb = engine::ReadIndexRecords(*b);
        ASSERT_EQ(ra.Count(), 491u);
        ASSERT_EQ(rb.Count(), 491u);
        for (std::size_t i = 0; i < ra.Count(); ++i) ASSERT_TRUE(engine::SameIgnoringHints(layout, ra.At(i), rb.At(i))) << i;
    }
    EXPECT_TRUE(Clean(base.Path() / "B00001.DB"));
}

// An ANSII850 table whose case-insensitive index is in the engine's collation
// (Ç as C, Ó as O): `ter5tool reindex` leaves its files byte for byte and says
// why, exit 0; with --force the index is rebuilt in byte order.
TEST(ReindexFidelity, ReindexCommandKeepsAnIndexItCannotReproduce) {
    TempDir templates, base;
    engine::TableFormat ansi850;
    ansi850.sortOrderId = "ANSII850";
    ansi850.sortOrder = 0x11;
    ansi850.codePage = 1252;
    const fs::path table = base.Path() / "PRODUTO.DB";
    const std::vector<engine::IndexDef> indexes = {{"", {"Nome"}, true, false, false}, {"ByName", {"Nome"}, false, true, false}};
    engine::CreateTable(table, {{"Nome", FieldType::Alpha, 20, false}}, indexes, ansi850);
    {
        engine::TableEditor editor(table, 1252);
        for (const char* name : {"Arroz", "Açucar", "Miojo", "Sabao", "Óleo"}) {
            std::string r = editor.BlankRecord();
            editor.SetField(r, 0, Value::Text(name));
            editor.Append(std::move(r));
        }
        editor.Save();
    }
    ter5::testing::ReorderIndexEntries(table, base.Path() / "PRODUTO.XG0", base.Path() / "PRODUTO.YG0", {1, 0, 2, 4, 3}, 1252);
    const auto x = engine::ReadWholeFile(base.Path() / "PRODUTO.XG0");
    const auto y = engine::ReadWholeFile(base.Path() / "PRODUTO.YG0");
    {
        TemplateModule module(templates.Str());
        module.Store().AppendGroup("Produtos", kGroupOther);
        AddTableTemplate(module.Store(), "PRODUTO.DB", kReindexMark, {}, {{"", "Nome"}, {"ByName", "Nome"}});
        // The desktop program's reindex says so in an information box.
        RecordingHost host;
        host.target = base.Str();
        Reindexer(module.Store(), host).ReindexGroup(&host);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].rfind("Переиндексация PRODUTO: оставлено без изменений", 0), 0u) << host.messages[0];
        EXPECT_NE(host.messages[0].find("\nPRODUTO.XG0: index 'ByName' kept"), std::string::npos) << host.messages[0];
    }

    std::string output;
    const std::string command = "reindex " + base.Str() + " --group Produtos --templates " + templates.Str();
    EXPECT_EQ(RunTool(command, &output), 0) << output;
    EXPECT_NE(output.find("PRODUTO.XG0: index 'ByName' kept: its order follows rules this program does not know for "
                          "driver ANSII850"), std::string::npos) << output;
    EXPECT_EQ(engine::ReadWholeFile(base.Path() / "PRODUTO.XG0"), x);
    EXPECT_EQ(engine::ReadWholeFile(base.Path() / "PRODUTO.YG0"), y);
    EXPECT_TRUE(Clean(table));

    EXPECT_EQ(RunTool(command + " --force", &output), 0) << output;
    EXPECT_EQ(output.find("kept"), std::string::npos) << output;
    EXPECT_NE(engine::ReadWholeFile(base.Path() / "PRODUTO.XG0"), x);
    EXPECT_TRUE(Clean(table));
}

}  // namespace
}  // namespace ter5::templates
