// The steps of the tree's directory commands on real directories, through a host
// that answers the name dialog from a script and records what the user is told;
// and the drive box's rules.

#include "base/DirectoryCommandSteps.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <stdexcept>

#include "BaseFixtures.h"
#include "base/DirectoryListing.h"
#include "base/DriveList.h"
#include "base/PathNames.h"

namespace ter5::base {
namespace {

struct Told {
    enum Kind { Plain, Warning, Confirm } kind;
    std::string text;
    bool operator==(const Told&) const = default;
};

// The tree is a DirectoryListing; the name dialog answers with the next scripted
// text (nothing = Escape) and, like the real one, keeps the last text typed.
class ScriptedHost : public DirectoryCommandHost {
public:
    std::optional<std::string> AskName(const std::string& caption, const std::string& prompt,
                                       const std::optional<std::string>& text) override {
        asked.push_back(caption + "|" + prompt + "|" + (text ? *text : field));
        if (answers.empty()) return std::nullopt;
        const std::optional<std::string> answer = answers.front();
        answers.pop_front();
        if (answer) field = *answer;
        return answer;
    }
    void ShowMessage(const std::string& text) override { told.push_back({Told::Plain, text}); }
    void Warning(const std::string& text) override { told.push_back({Told::Warning, text}); }
    bool ConfirmWarning(const std::string& text) override {
        told.push_back({Told::Confirm, text});
        return confirm;
    }
    void CloseBase() override {
        ++closed;
        if (closeFails) throw std::runtime_error("the base is busy");
    }
    std::string CurrentDirectory() const override { return listing.CurrentDirectory(); }
    int SelectedIndex() const override { return selected; }
    std::string ItemText(int row) const override { return listing.Items().at(static_cast<std::size_t>(row)).text; }
    std::string ItemPath(int row) const override { return listing.ItemPath(row); }
    void Rebuild() override {
        listing.Rebuild();
        selected = listing.CurrentDirectoryRow();
    }
    int FindItem(const std::string& text) const override { return listing.FindItem(text); }
    void SelectIndex(int row) override {
        if (row >= 0 && row < listing.Count()) selected = row;
    }
    void SetCurrentDirectory(const std::string& path) override {
        listing.Enter(path);
        selected = listing.CurrentDirectoryRow();
    }

    DirectoryListing listing;
    int selected = -1;
    std::deque<std::optional<std::string>> answers;
    std::string field;
    std::vector<std::string> asked;
    std::vector<Told> told;
    bool confirm = true;
    bool closeFails = false;
    int closed = 0;
};

class DirectoryCommandStepsTest : public ::testing::Test {
protected:
    DirectoryCommandStepsTest() {
        scratch_.Make("A");
        scratch_.Make("B/inner");
        scratch_.Make("C");
        host_.SetCurrentDirectory(scratch_.Str());
    }

    std::string Path(const std::string& name) const {
        return PathToUtf8((scratch_.Path() / PathFromUtf8(name)).make_preferred());
    }
    bool IsDir(const std::string& name) const { return std::filesystem::is_directory(scratch_.Path() / PathFromUtf8(name)); }
    std::string Selected() const { return host_.selected >= 0 ? host_.ItemText(host_.selected) : std::string(); }
    void Select(const std::string& name) { host_.SelectIndex(host_.FindItem(name)); }
    void Answer(std::optional<std::string> text) { host_.answers.push_back(std::move(text)); }

    testing::ScratchDir scratch_;
    testing::CurrentDirectoryGuard guard_;
    ScriptedHost host_;
    DirectoryCommandSteps steps_{host_};
};

TEST_F(DirectoryCommandStepsTest, CreateMakesOneLevelSaysWhenItExistsAndSelectsIt) {
    Answer("Новый");
    steps_.Create();
    EXPECT_TRUE(IsDir("Новый"));
    EXPECT_EQ(Selected(), "Новый");
    EXPECT_EQ(host_.closed, 1);
    EXPECT_TRUE(host_.told.empty());
    EXPECT_EQ(host_.asked.back(), "Каталог|Имя нового каталога:|");

    // An existing name: the message, nothing closed, its item selected.
    Answer("A");
    const int closedBefore = host_.closed;
    steps_.Create();
    EXPECT_EQ(host_.told, (std::vector<Told>{{Told::Plain, "Каталог A уже существует"}}));
    EXPECT_EQ(Selected(), "A");
    EXPECT_EQ(host_.closed, closedBefore);

    // Two levels at once, or no name, cannot be created.
    for (const char* name : {"x/y", ""}) {
        Answer(name);
        try {
            steps_.Create();
            ADD_FAILURE() << "no error for \"" << name << "\"";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), std::string("Невозможно создать каталог ") + name);
        }
    }
    EXPECT_FALSE(IsDir("x"));

    // Escape cancels.
    Answer(std::nullopt);
    const int closedNow = host_.closed;
    steps_.Create();
    EXPECT_EQ(host_.closed, closedNow);
}

TEST_F(DirectoryCommandStepsTest, RenameKeepsTheSelectionAndRefusesExistingNames) {
    Select("A");
    const int row = host_.selected;
    Answer("A");
    steps_.Rename();
    EXPECT_EQ(host_.asked.back(), "Каталог|Новое имя каталога:|A");
    EXPECT_EQ(host_.closed, 0);  // unchanged name: nothing happens

    Answer(std::nullopt);
    steps_.Rename();
    EXPECT_EQ(host_.closed, 0);

    // Onto a sibling: the warning naming both paths, nothing renamed.
    Answer("C");
    steps_.Rename();
    EXPECT_EQ(host_.told,
              (std::vector<Told>{{Told::Warning, "Невозможно переименовать каталог " + Path("A") + " в " + Path("C")}}));
    EXPECT_TRUE(IsDir("A"));
    EXPECT_TRUE(IsDir("C"));

    Answer("A2");
    steps_.Rename();
    EXPECT_TRUE(IsDir("A2"));
    EXPECT_FALSE(IsDir("A"));
    EXPECT_EQ(host_.selected, row);
    EXPECT_EQ(Selected(), "A2");
    EXPECT_EQ(host_.closed, 2);
}

TEST_F(DirectoryCommandStepsTest, RenameFollowsTheCurrentDirectoryAndShowsTheCloseErrorAfterwards) {
    host_.SetCurrentDirectory(Path("B"));
    Select("B");
    // Onto a sibling: refused, and the tree stays where it was.
    Answer("C");
    steps_.Rename();
    EXPECT_EQ(host_.told.back().kind, Told::Warning);
    EXPECT_EQ(host_.CurrentDirectory(), Path("B"));

    Select("B");
    host_.closeFails = true;
    Answer("B2");
    EXPECT_THROW(steps_.Rename(), std::runtime_error);
    EXPECT_TRUE(IsDir("B2/inner"));  // renamed all the same
    EXPECT_EQ(host_.CurrentDirectory(), Path("B2"));
    EXPECT_GE(host_.FindItem("inner"), 0);
    EXPECT_EQ(Selected(), "B2");

    // The current directory lying deeper inside the renamed one.
    host_.closeFails = false;
    host_.SetCurrentDirectory(Path("B2/inner"));
    Select("B2");
    Answer("B3");
    steps_.Rename();
    EXPECT_EQ(host_.CurrentDirectory(), Path("B3/inner"));
}

TEST_F(DirectoryCommandStepsTest, DeleteAsksRemovesEmptyOnlyAndSelectsThePrevious) {
    Select("C");
    const int row = host_.selected;
    host_.confirm = false;
    steps_.Delete();
    EXPECT_TRUE(IsDir("C"));
    EXPECT_EQ(host_.told, (std::vector<Told>{{Told::Confirm, "Удалить каталог " + Path("C")}}));

    host_.confirm = true;
    Select("B");
    steps_.Delete();
    EXPECT_EQ(host_.told.back(), (Told{Told::Warning, "Невозможно удалить каталог " + Path("B")}));
    EXPECT_TRUE(IsDir("B/inner"));

    Select("C");
    steps_.Delete();
    EXPECT_FALSE(IsDir("C"));
    EXPECT_EQ(host_.selected, row - 1);
    EXPECT_EQ(host_.closed, 0);  // deleting never closes the base

    // Nothing selected: nothing asked.
    host_.selected = -1;
    const std::size_t toldBefore = host_.told.size();
    steps_.Delete();
    steps_.Rename();
    EXPECT_EQ(host_.told.size(), toldBefore);
}

TEST_F(DirectoryCommandStepsTest, DeletingTheCurrentDirectoryStepsUpWhenItWasEmpty) {
    // Not empty: refused, and the tree stays where it was.
    host_.SetCurrentDirectory(Path("B"));
    Select("B");
    steps_.Delete();
    EXPECT_EQ(host_.told.back(), (Told{Told::Warning, "Невозможно удалить каталог " + Path("B")}));
    EXPECT_EQ(host_.CurrentDirectory(), Path("B"));

    host_.SetCurrentDirectory(Path("A"));
    Select("A");
    steps_.Delete();
    EXPECT_FALSE(IsDir("A"));
    EXPECT_EQ(host_.CurrentDirectory(), scratch_.Str());
    EXPECT_EQ(host_.FindItem("A"), -1);
}

TEST(DriveList, FindsTheLongestRootAndReturnsToTheLastDirectory) {
    const testing::ScratchDir scratch;
    const std::string outer = scratch.Str();
    const std::string inner = PathToUtf8(scratch.Make("mnt"));
    const std::string deep = PathToUtf8(scratch.Make("mnt/deep"));
    const std::string other = PathToUtf8(scratch.Make("other"));
    DriveList drives;
    drives.Add("outer", outer);
    drives.Add("inner", inner);
    drives.Add("again", outer);  // the same root once only
    ASSERT_EQ(drives.Count(), 2);
    EXPECT_EQ(drives.DriveOf(deep), 1);
    EXPECT_EQ(drives.DriveOf(other), 0);
    EXPECT_EQ(drives.DriveOf(outer + "-sibling"), -1);

    EXPECT_EQ(drives.Target(1), inner);  // nothing shown there yet: the root
    EXPECT_EQ(drives.Shown(deep), 1);
    EXPECT_EQ(drives.Shown(other), 0);
    EXPECT_EQ(drives.Target(1), deep);
    EXPECT_EQ(drives.Target(0), other);
    std::filesystem::remove(PathFromUtf8(deep));
    EXPECT_EQ(drives.Target(1), inner);  // gone: the root again
    EXPECT_EQ(drives.Target(5), "");
}

TEST(DriveList, WindowsDrivesAreLabelledByTheirLetter) {
    const std::vector<Drive> drives = WindowsDrives({"C:\\", "Z:\\", "\\\\?\\Volume{x}\\"});
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].label, "c:");
    EXPECT_EQ(drives[0].root, "C:\\");
    EXPECT_EQ(drives[1].label, "z:");
}

}  // namespace
}  // namespace ter5::base
