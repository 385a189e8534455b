// Base creation: the directory rules of the create command and the creation loop
// with its existence rule, field and index rows, and engine errors.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>

#include "TemplateTestSupport.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "templates/BaseCreator.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateStore.h"

namespace ter5::templates {
namespace {

using namespace testing;
using engine::FieldType;
using engine::Value;

class CreateTest : public ::testing::Test {
protected:
    void SetUp() override { module = std::make_unique<TemplateModule>(templates.Str()); }
    TemplateStore& Store() { return module->Store(); }
    std::size_t Create() { return BaseCreator(Store()).CreateGroupTables(base.Str(), &host); }

    TempDir templates, base;
    std::unique_ptr<TemplateModule> module;
    RecordingHost host;
};

TEST_F(CreateTest, DirectoryRules) {
    std::vector<std::string> shown;
    const auto show = [&](const std::string& text) { shown.push_back(text); };
    EXPECT_EQ(PrepareBaseDirectory("new", base.Str(), show), (base.Path() / "new").string());
    EXPECT_EQ(PrepareBaseDirectory("new", base.Str(), show), (base.Path() / "new").string());
    EXPECT_EQ(shown, std::vector<std::string>{"Каталог new уже существует"});
    try {
        PrepareBaseDirectory("no/such", base.Str(), show);
        FAIL() << "a nested name without its parent was created";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Невозможно создать каталог no/such");
    }
    EXPECT_THROW(PrepareBaseDirectory("", base.Str(), show), std::runtime_error);
}

TEST_F(CreateTest, DefaultTemplatesMakeABaseTheDataModuleOpens) {
    EXPECT_EQ(Create(), 3u);
    EXPECT_EQ(host.positions, (std::vector<std::size_t>{0, 1, 2, 3, 0}));
    EXPECT_EQ(UpperFileNames(base.Path()), (std::vector<std::string>{"POLIGON.DB", "POLIGON.PX", "POLIGON.XG0",
                                                                     "POLIGON.YG0", "SUBTER.DB", "SUBTER.PX", "TER.DB",
                                                                     "TER.PX"}));
    EXPECT_EQ(module->DataModule().OpenBaseDirectory(base.Str(), true), base::BaseOpening::Opened);
}

TEST_F(CreateTest, ExistingTablesAreNeverReplaced) {
    MakeTable(base.Path() / "ter.db", {{"Code", FieldType::Long, 0, false}}, {}, {{Value::Int(5)}});
    MakeTable(base.Path() / "OLD.db", {{"Code", FieldType::Long, 0, false}}, {}, {{Value::Int(6)}});
    const auto before = SortedRecords(base.Path() / "ter.db");
    ASSERT_TRUE(Store().LocateGroup("TER v.5"));
    AddTableTemplate(Store(), "OLD", "", {{"Other", "A", 5}});
    AddTableTemplate(Store(), "NEW", "", {{"Name", "A", 30}, {"Code", "I", 99}, {"Skip", "a", 4}});
    EXPECT_EQ(Create(), 3u);  // POLIGON, SUBTER, NEW
    EXPECT_EQ(SortedRecords(base.Path() / "ter.db"), before);
    EXPECT_EQ(engine::TableFile::Load(base.Path() / "OLD.db")->Fields().front().name, "Code");
    const auto created = engine::TableFile::Load(base.Path() / "NEW.db");
    ASSERT_EQ(created->Fields().size(), 2u);  // a lower-case letter is no type
    EXPECT_EQ(created->Fields()[0].size, 30);
    EXPECT_EQ(created->Fields()[1].type, FieldType::Long);
}

TEST_F(CreateTest, ATemplateOfAnotherExtensionLeavesTheTableOfItsStemAndItsFilesAlone) {
    MakeTable(base.Path() / "TER.DB", {{"Code", FieldType::Long, 0, false}, {"Note", FieldType::Memo, 1, false}},
              {{"", {"Code"}, true}}, {{Value::Int(5), Value::Text("заметка длиннее одного знака")}});
    std::map<std::string, std::vector<std::uint8_t>> before;
    for (const auto& e : fs::directory_iterator(base.Path())) before[e.path().filename().string()] = engine::ReadWholeFile(e.path());
    ASSERT_TRUE(before.count("TER.MB") && before.count("TER.PX"));
    Store().AppendGroup("Текст", kGroupOther);
    AddTableTemplate(Store(), "TER.TXT", "", {{"Code", "I", 0}}, {{"", "Code"}});
    AddTableTemplate(Store(), "ter", "", {{"Other", "A", 5}});
    EXPECT_EQ(Create(), 0u);
    for (const auto& [name, bytes] : before) EXPECT_EQ(engine::ReadWholeFile(base.Path() / name), bytes) << name;
    EXPECT_EQ(UpperFileNames(base.Path()), (std::vector<std::string>{"TER.DB", "TER.MB", "TER.PX"}));
}

TEST_F(CreateTest, EmptyGroupCreatesNothingAndEngineErrorsStopTheLoop) {
    Store().AppendGroup("Пустая", kGroupOther);
    EXPECT_EQ(Create(), 0u);
    EXPECT_EQ(host.positions, (std::vector<std::size_t>{0, 0}));
    AddTableTemplate(Store(), "A.DB", "", {{"Code", "I", 0}}, {{"", "Code"}});
    AddTableTemplate(Store(), "B.DB", "", {{"Code", "I", 0}, {"Lost", "Q", 0}}, {{"", "Code"}, {"ByLost", "Lost"}});
    AddTableTemplate(Store(), "C.DB", "", {{"Code", "I", 0}});
    EXPECT_THROW(Create(), engine::EngineError);
    EXPECT_EQ(UpperFileNames(base.Path()), (std::vector<std::string>{"A.DB", "A.PX"}));  // no half-made B
}

// A template name is a file name in the base: one naming a drive ("C:EVIL.DB", which
// Windows reads as a file in the current folder of drive C), a folder or the folder
// itself is refused before anything is made, on every platform.
TEST_F(CreateTest, TemplateNamesThatAreNoFileNamesAreRefused) {
    const fs::path current = fs::current_path();
    const auto currentBefore = UpperFileNames(current);
    for (const char* name : {"C:EVIL.DB", "..\\EVIL.DB", "sub/EVIL.DB", ".."}) {
        Store().AppendGroup(std::string("Чужая ") + name, kGroupOther);
        AddTableTemplate(Store(), name, "", {{"Code", "I", 0}});
        try {
            Create();
            ADD_FAILURE() << name << " was taken for a file name";
        } catch (const engine::EngineError& e) {
            EXPECT_NE(std::string(e.what()).find("is not a file name"), std::string::npos) << e.what();
        }
        EXPECT_TRUE(UpperFileNames(base.Path()).empty()) << name;
    }
    EXPECT_EQ(UpperFileNames(current), currentBefore);
}

}  // namespace
}  // namespace ter5::templates
