// The directory tree's rules without a toolkit: the root, the path items and the
// sub-directories in name order, the base marks, what selecting an item opens, and
// entering directories (also the process's current directory).

#include "base/DirectoryListing.h"

#include "BaseFixtures.h"
#include "base/PathNames.h"

namespace ter5::base {
namespace {

class DirectoryListingTest : public ::testing::Test {
protected:
    DirectoryListingTest() : previous_(std::filesystem::current_path()) {}
    ~DirectoryListingTest() override { std::filesystem::current_path(previous_); }

    std::vector<std::string> Texts(const DirectoryListing& listing, int from) const {
        std::vector<std::string> texts;
        for (int row = from; row < listing.Count(); ++row) texts.push_back(listing.Items()[row].text);
        return texts;
    }

    std::filesystem::path previous_;
    testing::ScratchDir scratch_;
};

TEST_F(DirectoryListingTest, NamesSortWithoutCaseAndNumbersByValue) {
    EXPECT_TRUE(NaturalNameLess("base2", "base10"));
    EXPECT_FALSE(NaturalNameLess("base10", "base2"));
    EXPECT_TRUE(NaturalNameLess("abc", "ABD"));
    EXPECT_TRUE(NaturalNameLess("Архив", "база"));
    EXPECT_TRUE(NaturalNameLess("a", "a1"));
    EXPECT_FALSE(NaturalNameLess("a", "a"));
}

TEST_F(DirectoryListingTest, ItemsMarksAndWhatEachOpens) {
    const std::filesystem::path top = scratch_.Make("top");
    // Names in UTF-8 whatever the system's code page.
    for (const char* name : {"Село10", "село2", ".hidden", "empty"})
        std::filesystem::create_directories(top / PathFromUtf8(name));
    testing::WriteSampleBase(top / PathFromUtf8("село2"));
    testing::WriteFile(top / "plain.txt", "x");

    DirectoryListing listing;
    EXPECT_TRUE(listing.Enter(PathToUtf8(top)));
    EXPECT_EQ(std::filesystem::current_path(), top);
    EXPECT_EQ(listing.CurrentDirectory(), PathToUtf8(top.lexically_normal()));
    const int current = listing.CurrentDirectoryRow();
    EXPECT_EQ(listing.Items()[0].level, 0);
    EXPECT_TRUE(listing.Items()[0].open);
    EXPECT_EQ(listing.Items()[current].text, "top");
    EXPECT_EQ(listing.Items()[current].level, current);
    EXPECT_EQ(Texts(listing, current + 1), (std::vector<std::string>{"empty", "село2", "Село10"}));

    const int base = listing.FindItem("СЕЛО2");
    ASSERT_EQ(base, current + 2);
    EXPECT_TRUE(listing.Items()[base].baseMark);
    EXPECT_FALSE(listing.Items()[base + 1].baseMark);
    EXPECT_EQ(listing.BasePath(base), JoinPath(listing.CurrentDirectory(), "село2"));
    EXPECT_EQ(listing.BasePath(current), listing.CurrentDirectory());
    EXPECT_EQ(listing.BasePath(0), "");                 // the root names no base
    EXPECT_EQ(listing.JoinedItemPath(current), "");     // nor does the current directory joined
    EXPECT_EQ(listing.FindItem("nowhere"), -1);

    // Entering the base marks the current directory; the same directory again is no change.
    EXPECT_TRUE(listing.Enter("село2"));
    EXPECT_TRUE(listing.Items()[listing.CurrentDirectoryRow()].baseMark);
    EXPECT_FALSE(listing.Enter("."));
    EXPECT_TRUE(listing.Enter(".."));
    EXPECT_EQ(listing.CurrentDirectory(), PathToUtf8(top.lexically_normal()));
}

TEST_F(DirectoryListingTest, AMissingDirectoryIsNamedAndNothingChanges) {
    DirectoryListing listing;
    ASSERT_TRUE(listing.Enter(PathToUtf8(scratch_.Path())));
    const std::string before = listing.CurrentDirectory();
    try {
        listing.Enter("absent");
        FAIL() << "entered a missing directory";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Каталог " + JoinPath(before, "absent") + " не найден");
    }
    EXPECT_EQ(listing.CurrentDirectory(), before);
}

}  // namespace
}  // namespace ter5::base
