// Opening and closing bases by selecting directories in the tree, the base marks,
// the grids over the open base, and the companion program started from the
// window and from the quick-start list.

#include <QAbstractItemModel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <sys/stat.h>

#include <fstream>
#include <thread>

#include "AppTestSupport.h"
#include "app/MapStatusBar.h"
#include "base/widgets/BaseGrid.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/GridPanel.h"
#include "map/widgets/MapWidget.h"

namespace ter5::app {
namespace {

using base::DirectoryTree;
using testing::Message;

class BaseSelection : public ::testing::Test {
protected:
    BaseSelection() : f_(true, true) {
        bases_ = f_.scratch.Make("bases");
        testing::WriteSampleBase(bases_ / "A");
        testing::WriteBase(bases_ / "B", {{1, "Иванов", 1}}, {{1, "ул. Лесная, д. 1"}}, {}, {true, true, false});
        testing::WriteSampleBase(bases_ / "C");
        tree_ = f_.window->DirectoryListBox1;
        tree_->SetCurrentDirectory(QString::fromStdString(bases_.string()));
    }

    // Selects the item and releases the mouse over it, as a click does.
    void Click(const QString& name) {
        const int row = tree_->FindItem(name);
        ASSERT_GE(row, 0) << name.toStdString();
        const QRect rect = tree_->visualItemRect(tree_->item(row));
        QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, rect.center());
    }

    bool Marked(const QString& name) const {
        return tree_->item(tree_->FindItem(name))->data(DirectoryTree::BaseMarkRole).toBool();
    }

    int OwnerRows() const { return f_.window->Panel3->DBGrid1()->model()->rowCount(); }

    testing::MainWindowFixture f_;
    std::filesystem::path bases_;
    DirectoryTree* tree_ = nullptr;
};

TEST_F(BaseSelection, MarksOnlyFullBasesAndFollowsTheProcessDirectory) {
    EXPECT_EQ(QDir::currentPath(), QString::fromStdString(bases_.string()));
    EXPECT_TRUE(Marked(QStringLiteral("A")));
    EXPECT_FALSE(Marked(QStringLiteral("B")));
    EXPECT_TRUE(Marked(QStringLiteral("C")));
    EXPECT_FALSE(Marked(QStringLiteral("bases")));
}

// A path item that shares its name with a base below the current directory is
// neither marked nor opened: it names an ancestor, not that base.
TEST_F(BaseSelection, AncestorNamedLikeABaseIsNoBase) {
    const auto inner = bases_ / "A" / "deeper";
    testing::WriteSampleBase(inner / "A");
    tree_->SetCurrentDirectory(QString::fromStdString(inner.string()));
    const int ancestor = tree_->FindItem(QStringLiteral("A"));  // the path item comes first
    ASSERT_GE(ancestor, 0);
    EXPECT_TRUE(tree_->item(ancestor)->data(DirectoryTree::OpenRole).toBool());
    EXPECT_FALSE(tree_->item(ancestor)->data(DirectoryTree::BaseMarkRole).toBool());
    const QRect rect = tree_->visualItemRect(tree_->item(ancestor));
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_FALSE(f_.window->DM().BaseOpen());
    EXPECT_TRUE(tree_->item(tree_->count() - 1)->data(DirectoryTree::BaseMarkRole).toBool());  // the real base "A"
}

TEST_F(BaseSelection, SelectingOpensReselectingKeepsAnotherDirectoryCloses) {
    Click(QStringLiteral("A"));
    EXPECT_TRUE(f_.window->DM().BaseOpen());
    EXPECT_EQ(OwnerRows(), 5);
    EXPECT_EQ(f_.window->MapObjects.Polys.size(), 3u);
    EXPECT_FALSE(f_.window->DM().TsSubter.Active());

    // The same base again is not re-opened (the model would be re-loaded).
    f_.window->MapObjects.Clear();
    Click(QStringLiteral("A"));
    EXPECT_TRUE(f_.window->MapObjects.Polys.empty());

    // Two of the three tables: the open base closes, the map keeps its drawing.
    Click(QStringLiteral("B"));
    EXPECT_FALSE(f_.window->DM().BaseOpen());
    EXPECT_EQ(OwnerRows(), 0);

    Click(QStringLiteral("C"));
    EXPECT_TRUE(f_.window->DM().BaseOpen());
    EXPECT_EQ(f_.window->MapObjects.Polys.size(), 3u);
    EXPECT_TRUE(f_.messenger.messages.empty());
}

TEST_F(BaseSelection, OpenTableButtonUpClosesAndOpensNothing) {
    Click(QStringLiteral("A"));
    f_.window->tbOpenTable->setChecked(false);
    Click(QStringLiteral("C"));
    EXPECT_FALSE(f_.window->DM().BaseOpen());
    f_.window->tbOpenTable->setChecked(true);
    // Map button up: the model stays empty and the load's data sets stay open.
    f_.window->tbShowMap->setChecked(false);
    f_.window->MapObjects.Clear();
    Click(QStringLiteral("C"));
    EXPECT_TRUE(f_.window->DM().BaseOpen());
    EXPECT_TRUE(f_.window->MapObjects.Polys.empty());
    EXPECT_TRUE(f_.window->DM().TsSubter.Active());
}

// Double click (or Enter) on a base makes it the current directory; the release
// that follows keeps it open, it stays marked, and its map.wmf is written into it.
TEST_F(BaseSelection, DoubleClickEntersTheBaseAndKeepsItOpen) {
    const auto a = bases_ / "A";
    const int row = tree_->FindItem(QStringLiteral("A"));
    const QPoint at = tree_->visualItemRect(tree_->item(row)).center();
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(f_.window->DM().BaseOpen());
    QTest::mouseDClick(tree_->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(tree_->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(tree_->CurrentDirectory(), QString::fromStdString(a.string()));
    EXPECT_EQ(QDir::currentPath(), tree_->CurrentDirectory());
    EXPECT_TRUE(f_.window->DM().BaseOpen());
    EXPECT_EQ(f_.window->DM().BaseDirectory(), a.string());
    EXPECT_TRUE(Marked(QStringLiteral("A")));
    EXPECT_TRUE(std::filesystem::exists(a / "map.wmf"));
    EXPECT_EQ(OwnerRows(), 5);

    // Entered straight away from elsewhere with Enter: opened the same way.
    tree_->SetCurrentDirectory(QString::fromStdString(bases_.string()));
    Click(QStringLiteral("B"));
    ASSERT_FALSE(f_.window->DM().BaseOpen());
    tree_->setCurrentRow(tree_->FindItem(QStringLiteral("C")));
    QTest::keyClick(tree_, Qt::Key_Return);
    EXPECT_EQ(tree_->CurrentDirectory(), QString::fromStdString((bases_ / "C").string()));
    EXPECT_TRUE(f_.window->DM().BaseOpen());
    EXPECT_TRUE(std::filesystem::exists(bases_ / "C" / "map.wmf"));
    // The parent above it is no base: selecting it closes the base.
    Click(QStringLiteral("bases"));
    EXPECT_FALSE(f_.window->DM().BaseOpen());
}

TEST_F(BaseSelection, GridsFollowEachOtherAndEnterShiftsTheMap) {
    Click(QStringLiteral("A"));
    base::BaseGrid* parcels = f_.window->Panel3->DBGrid4();
    base::BaseGrid* owners = f_.window->Panel3->DBGrid1();
    QSignalSpy shifts(f_.window->MapImage, &map::MapWidget::MapDrawn);

    // A click on the second parcel moves the owners to its first owner by name.
    QTest::mouseClick(parcels->viewport(), Qt::LeftButton, {}, parcels->visualRect(parcels->model()->index(1, 3)).center());
    EXPECT_EQ(f_.window->DM().TbSubter.AsInteger("Code"), 2);
    EXPECT_EQ(f_.window->DM().Tbter.AsString("Family"), "Андреев Андрей");
    EXPECT_EQ(owners->currentIndex().row(), 0);
    EXPECT_EQ(parcels->window()->focusWidget(), parcels);

    // Arrow keys among the owners: the parcel follows the owner of parcel 1.
    owners->setFocus();
    for (int i = 0; i < 3; ++i) QTest::keyClick(owners, Qt::Key_Down);
    EXPECT_EQ(f_.window->DM().Tbter.AsString("Family"), "Петров Пётр");
    EXPECT_EQ(parcels->currentIndex().row(), 0);
    QTest::keyClick(owners, Qt::Key_Return);
    EXPECT_EQ(shifts.count(), 1);
    QTest::mouseDClick(owners->viewport(), Qt::LeftButton, {}, owners->visualRect(owners->model()->index(4, 1)).center());
    EXPECT_EQ(shifts.count(), 2);
    EXPECT_EQ(f_.window->DM().TbSubter.AsInteger("Code"), 1);  // owner of a missing parcel: no move
}

TEST_F(BaseSelection, OpenCommandOnAnIncompleteBaseReportsTheMissingTables) {
    Click(QStringLiteral("A"));
    Click(QStringLiteral("B"));
    f_.window->nOpen->trigger();
    const QString b = QString::fromStdString((bases_ / "B").string());
    EXPECT_EQ(f_.messenger.messages,
              (std::vector<Message>{{Message::Plain, QStringLiteral("В каталое %1 не найдены рабочие базы нанных "
                                                                    "программы TER v.5 !").arg(b)}}));
}

TEST_F(BaseSelection, QuickStartItemEntersItsDirectoryAndStartsTheCompanion) {
    // The companion program lives in C:\Ter of the prefix; its list names C:\Bases\&A.
    const auto driveC = f_.platformOptions.winePrefix / "drive_c";
    testing::WriteSampleBase(driveC / "Bases" / "A");
    testing::WriteFile(driveC / "Ter" / "Ter5.exe", "MZ");
    testing::WriteFile(driveC / "Ter" / "ter.lst", "C:\\Bases\\&A\r\nC:\\Bases\\Gone\r\n");
    const auto record = f_.scratch.Path() / "wine.txt";
    const auto wine = f_.scratch.Path() / "bin" / "wine";
    testing::WriteFile(wine, "#!/bin/sh\n{ pwd; echo \"$1\"; } > '" + record.string() + ".tmp' && mv '" +
                                 record.string() + ".tmp' '" + record.string() + "'\n");
    ::chmod(wine.c_str(), 0755);

    f_.window->PopupMenu1Popup();
    ASSERT_EQ(f_.window->N5->actions().size(), 2);
    EXPECT_EQ(f_.window->PopupMenu2->actions().size(), 2);
    f_.window->N5->actions().at(0)->trigger();
    EXPECT_TRUE(f_.messenger.messages.empty());
    EXPECT_EQ(tree_->CurrentDirectory(), QString::fromStdString((driveC / "Bases" / "A").string()));
    for (int i = 0; i < 400 && !std::filesystem::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(record);
    std::string cwd, program;
    std::getline(in, cwd);
    std::getline(in, program);
    EXPECT_EQ(cwd, (driveC / "Bases" / "A").string());
    EXPECT_EQ(program, "C:\\Ter\\Ter5.exe");
    // The status bar says what was started where; its panels keep their texts.
    EXPECT_EQ(f_.window->StatusBar->TransientMessage(),
              QStringLiteral("Запущена программа C:\\Ter\\Ter5.exe в каталоге %1")
                  .arg(QString::fromStdString((driveC / "Bases" / "A").string())));

    // No executable any more: the start fails, and the status bar no longer tells of the
    // program started before.
    std::filesystem::remove(driveC / "Ter" / "Ter5.exe");
    f_.window->N5->actions().at(0)->trigger();
    ASSERT_EQ(f_.messenger.messages.size(), 1u);
    EXPECT_EQ(f_.window->StatusBar->TransientMessage(), QStringLiteral("Программа не запущена"));
    f_.messenger.messages.clear();

    // A listed directory that is gone: the error is shown and nothing starts.
    f_.window->N5->actions().at(1)->trigger();
    ASSERT_EQ(f_.messenger.messages.size(), 1u);
    EXPECT_EQ(f_.messenger.messages[0].kind, Message::Error);
    // Without the list the menu keeps its items.
    std::filesystem::remove(driveC / "Ter" / "ter.lst");
    f_.window->PopupMenu2Popup();
    EXPECT_EQ(f_.window->PopupMenu2->actions().size(), 2);
}

}  // namespace
}  // namespace ter5::app
