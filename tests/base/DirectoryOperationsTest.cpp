// The file-system side of the tree's directory commands: whether the current
// directory lies in one being renamed or deleted, and renames that must not replace
// another directory.

#include "base/DirectoryOperations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "BaseFixtures.h"
#include "engine/FileUtil.h"

namespace ter5::base {
namespace {

using engine::PathFromUtf8;
using engine::PathToUtf8;

TEST(DirectoryOperations, SameOrBelowGoesByWholeNames) {
    const struct {
        const char* path;
        const char* ancestor;
        bool below;
    } cases[] = {
        {"/b/Town", "/b/Town", true},      {"/b/Town/Улица", "/b/Town/", true}, {"/b/Town/./x", "/b/Town", true},
        {"/b/Towns", "/b/Town", false},    {"/b/Town/../Village", "/b/Town", false},
        {"/b", "/b/Town", false},          {"/", "/", true},                    {"/b", "/", true},
#ifdef _WIN32
        // Windows names ignore case, Cyrillic letters included, and take either slash.
        {"C:\\Bases\\TOWN\\x", "c:/bases/town", true}, {"C:\\Базы\\СЕЛО", "c:\\базы\\село", true},
        {"C:\\Bases\\Towns", "c:\\bases\\town", false},
#else
        {"/b/TOWN/x", "/b/Town", false},
#endif
    };
    for (const auto& c : cases) EXPECT_EQ(IsSameOrBelow(c.path, c.ancestor), c.below) << c.path << " in " << c.ancestor;
}

TEST(DirectoryOperations, RenameReplacesNoOtherDirectoryAndRemoveOnlyAnEmptyOne) {
    const testing::ScratchDir scratch;
    const std::string a = PathToUtf8(scratch.Make("Село"));
    const std::string b = PathToUtf8(scratch.Make("Город"));
    EXPECT_FALSE(RenameDirectory(a, b));
    EXPECT_TRUE(std::filesystem::exists(PathFromUtf8(a)));
    // A change of case alone is a rename of its own (on Windows the new name "exists").
    const std::string upper = PathToUtf8(scratch.Path() / PathFromUtf8("СЕЛО"));
    EXPECT_TRUE(RenameDirectory(a, upper));
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.Path()))
        names.insert(PathToUtf8(entry.path().filename()));
    EXPECT_EQ(names, (std::set<std::string>{"СЕЛО", "Город"}));
    testing::WriteFile(PathFromUtf8(b) / "ter.db", "x");
    EXPECT_FALSE(RemoveEmptyDirectory(b));
    EXPECT_TRUE(RemoveEmptyDirectory(upper));
    EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(upper)));
}

}  // namespace
}  // namespace ter5::base
