// The reindex, create and import commands of ter5tool: the same operations from
// the command line, a tree of bases, and their exit codes.

#include <gtest/gtest.h>

#include "TemplateTestSupport.h"
#include "base/DemoBase.h"
#include "templates/Reindexer.h"

namespace ter5::templates {
namespace {

using namespace testing;

TEST(TemplateCommands, CreateImportAndReindexATreeOfBases) {
    TempDir templates, root;
    const auto run = [&](const std::string& args, std::string* out) {
        return RunTool(args + " --templates '" + templates.Str() + "'", out);
    };
    const std::string tree = "'" + root.Str() + "/district'", created = "'" + root.Str() + "/new'";
    std::string out;
    ASSERT_EQ(run("create " + created + " --group 'TER v.5'", &out), 0) << out;
    EXPECT_NE(out.find("3 table(s) created"), std::string::npos) << out;
    ASSERT_EQ(run("create " + created + " --group 'TER v.5'", &out), 0) << out;
    EXPECT_NE(out.find("уже существует"), std::string::npos) << out;

    base::WriteDemoBase(root.Path() / "district/a", base::DemoOptions{30, 1});
    base::WriteDemoBase(root.Path() / "district/deeper/b", base::DemoOptions{30, 2});
    fs::create_directories(root.Path() / "district/empty");
    ASSERT_EQ(run("import " + tree + "/a --group Demo", &out), 0) << out;
    EXPECT_NE(out.find("template group 'Demo' created"), std::string::npos) << out;
    EXPECT_NE(out.find("3 table template(s)"), std::string::npos) << out;

    Reindexer::DeleteIndexFiles(root.Path() / "district/deeper/b", "POLIGON");
    ASSERT_EQ(run("reindex " + tree + " --recursive --group 'TER v.5'", &out), 0) << out;
    EXPECT_NE(out.find("reindex " + (root.Path() / "district/deeper/b").string()), std::string::npos) << out;
    EXPECT_NE(out.find("reindex " + (root.Path() / "district/a").string()), std::string::npos) << out;
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
