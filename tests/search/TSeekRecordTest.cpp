// The search dialog offscreen: its layout, the field handlers, Enter, the main
// window's commands and what the dialog keeps between openings.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "SearchTestSupport.h"
#include "search/widgets/SeekCommands.h"
#include "search/widgets/TSeekRecord.h"

namespace ter5::search {
namespace {

class SeekDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteBase(dir.path, testing::DistrictOwners(), testing::DistrictParcels());
        world.OpenBase(dir.path);
    }

    // Runs `inside` while nSeekClick shows the dialog, then closes it with "&Отменить".
    void WhileShown(const std::function<void(TSeekRecord&)>& inside) {
        QTimer::singleShot(0, &window, [&] {
            QApplication::setActiveWindow(commands.SeekRecord());
            inside(*commands.SeekRecord());
            commands.SeekRecord()->SpeedButton2->click();
        });
        commands.nSeekClick();
    }

    testing::TempDir dir;
    testing::SearchWorld world;
    QWidget window;
    SeekCommands commands{world.host, &window};
};

TEST_F(SeekDialogTest, LayoutAndFirstFocus) {
    TSeekRecord dialog(world.host);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Поиск по фамилии и адресу");
    EXPECT_EQ(dialog.size(), QSize(434, 263));
    for (QRadioButton* radio : {dialog.RadioButton1, dialog.RadioButton2, dialog.RadioButton3, dialog.RadioButton4,
                                dialog.RadioButton5})
        EXPECT_TRUE(radio->font().bold()) << radio->text().toStdString();
    EXPECT_TRUE(dialog.RadioButton1->isChecked());
    EXPECT_FALSE(dialog.FindNext->isEnabled());
    EXPECT_EQ(dialog.focusWidget(), dialog.Edit1);
}

TEST_F(SeekDialogTest, FieldsCheckTheirRadioAndEnterSearchesOnce) {
    TSeekRecord dialog(world.host);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.Edit3->setFocus();
    EXPECT_TRUE(dialog.RadioButton3->isChecked());
    dialog.Edit6->setFocus();
    EXPECT_TRUE(dialog.RadioButton5->isChecked());

    dialog.Edit1->setFocus();
    dialog.Edit1->setText("ова");
    QTest::keyClick(dialog.Edit1, Qt::Key_Return);
    EXPECT_EQ(world.draws, 1);
    EXPECT_EQ(world.OwnerCode(), 6);
    EXPECT_TRUE(dialog.FindNext->isEnabled());
    QTest::keyClick(dialog.FindNext, Qt::Key_Space);
    EXPECT_EQ(world.OwnerCode(), 1);
}

TEST_F(SeekDialogTest, CommandsNeedABaseAndCtrlNContinuesWithTheDialogClosed) {
    world.dm.CloseBaseDataSets();
    commands.nSeekClick();
    commands.nSeekNextClick();
    EXPECT_EQ(commands.SeekRecord(), nullptr);

    world.OpenBase(dir.path);
    WhileShown([](TSeekRecord& dialog) {
        dialog.Edit1->setText("ова");
        dialog.SpeedButton3->click();
    });
    EXPECT_EQ(world.OwnerCode(), 6);
    commands.nSeekNextClick();
    EXPECT_EQ(world.OwnerCode(), 1);
    commands.nSeekNextClick();
    EXPECT_EQ(world.OwnerCode(), 5);
}

TEST_F(SeekDialogTest, ReopeningShowsTheLastTextsAndRadioChoice) {
    WhileShown([](TSeekRecord& dialog) {
        dialog.Edit1->setText("ова");
        dialog.Edit3->setFocus();
        dialog.Edit3->setText("Мира");
        dialog.SpeedButton3->click();
    });
    EXPECT_EQ(world.ParcelCode(), 60);
    WhileShown([](TSeekRecord& dialog) {
        EXPECT_EQ(dialog.Edit1->text() + "|" + dialog.Edit3->text(), "ова|Мира");
        EXPECT_TRUE(dialog.RadioButton3->isChecked());
        EXPECT_TRUE(dialog.FindNext->isEnabled());
        dialog.Edit5->setFocus();
        dialog.Edit5->setText("5");
        dialog.SpeedButton3->click();
        EXPECT_FALSE(dialog.FindNext->isEnabled());
    });
    EXPECT_EQ(world.view.ViewCenterY, 5.0);
    WhileShown([](TSeekRecord& dialog) {
        EXPECT_TRUE(dialog.RadioButton5->isChecked());
        EXPECT_FALSE(dialog.FindNext->isEnabled());
    });
}

}  // namespace
}  // namespace ter5::search

int main(int argc, char** argv) {
    // The dialog needs no display; listing the tests runs without the test environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
