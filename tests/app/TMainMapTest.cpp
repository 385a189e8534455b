// The map in the main window on a demo base: opening fits the parcels, the zoom
// keys, the scale box and menu, the display options, the mouse tools, a resize,
// the search through Ctrl+F and Ctrl+N, and the progress strips of the status bar.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "AppTestSupport.h"
#include "app/MapStatusBar.h"
#include "base/DemoBase.h"
#include "base/widgets/BaseGrid.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/GridPanel.h"
#include "map/ParcelHitTest.h"
#include "map/widgets/MapWidget.h"
#include "search/widgets/SeekCommands.h"
#include "search/widgets/TSeekRecord.h"

namespace ter5::app {
namespace {

using map::MapWidget;

class MapWindow : public ::testing::Test {
protected:
    MapWindow() : f_(true, true), w_(*f_.window) {
        const auto bases = f_.scratch.Make("bases");
        base::WriteDemoBase(bases / "demo", {.parcels = 60, .seed = 7});
        // A 96 dpi screen: 1:1000 is 3.78 pixels per metre.
        w_.MapImage->SetScreenMetrics({254, 254, 960, 960});
        w_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w_));
        base::DirectoryTree* tree = w_.DirectoryListBox1;
        tree->SetCurrentDirectory(QString::fromStdString(bases.string()));
        const QRect item = tree->visualItemRect(tree->item(tree->FindItem(QStringLiteral("demo"))));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, item.center());
    }

    QString Panel(int index) const { return w_.StatusBar->Panel(index)->text(); }
    map::Viewport& View() const { return w_.MapImage->View(); }

    // The map pixel showing a world point.
    QPoint PixelOf(double y, double x) const {
        const map::PageIntPoint page = View().WorldToPage({y, x});
        return {static_cast<int>(page.x / View().PagePerPixelX), static_cast<int>(-page.y / View().PagePerPixelY)};
    }

    bool PictureHasText(const QString& prefix) const {
        const map::Picture& picture = *w_.MapImage->CurrentPicture();
        for (const map::PictureText& text : picture.Texts())
            if (QString::fromStdString(std::string(picture.TextOf(text))).startsWith(prefix)) return true;
        return false;
    }

    testing::MainWindowFixture f_;
    TMain& w_;
};

TEST_F(MapWindow, OpeningShowsTheParcelsFittedIntoTheView) {
    ASSERT_TRUE(w_.DM().BaseOpen());
    ASSERT_FALSE(w_.MapObjects.Polys.empty());
    ASSERT_TRUE(w_.MapImage->CurrentPicture().has_value());
    EXPECT_FALSE(w_.StatusBar->ProgressShown());
    // Every parcel lies inside the visible window.
    const map::WorldPoint topLeft = View().PageToWorld({0, 0});
    const map::WorldPoint bottomRight = View().PageToWorld({View().PageWidth, -View().PageHeight});
    EXPECT_LT(topLeft.Y, w_.MapObjects.MinY);
    EXPECT_GT(bottomRight.Y, w_.MapObjects.MaxY);
    EXPECT_GT(topLeft.X, w_.MapObjects.MaxX);
    EXPECT_LT(bottomRight.X, w_.MapObjects.MinX);
    EXPECT_EQ(w_.MapImage->CurrentParcelCode(), w_.DM().TbSubter.AsInteger("Code"));
}

TEST_F(MapWindow, ZoomKeysScaleBoxAndScaleMenuSetTheScaleStatus) {
    const double fitted = View().ViewScale;
    ASSERT_EQ(w_.PMenuScale->actions().size(), 17);
    w_.NS.at(5)->trigger();  // NS6, 1:1000
    EXPECT_EQ(Panel(0), QStringLiteral("M 1:1000"));
    QTest::keyClick(&w_, Qt::Key_F4);
    EXPECT_EQ(Panel(0), QStringLiteral("M 1:500"));
    EXPECT_EQ(w_.EditScale->text(), QStringLiteral("500"));
    QTest::keyClick(&w_, Qt::Key_F3);
    QTest::keyClick(&w_, Qt::Key_F3);
    EXPECT_EQ(Panel(0), QStringLiteral("M 1:2000"));
    // View-all fits again and leaves the texts until the next scale command.
    QTest::keyClick(&w_, Qt::Key_F5);
    EXPECT_DOUBLE_EQ(View().ViewScale, fitted);
    EXPECT_EQ(Panel(0), QStringLiteral("M 1:2000"));

    w_.EditScale->setText(QStringLiteral("2500"));
    QTest::keyClick(w_.EditScale, Qt::Key_Return);
    EXPECT_EQ(Panel(0), QStringLiteral("M 1:2500"));
    w_.EditScale->setText(QStringLiteral("abc"));
    QTest::keyClick(w_.EditScale, Qt::Key_Return);
    EXPECT_EQ(Panel(0), QStringLiteral("M 1:2500"));
    EXPECT_EQ(f_.messenger.messages,
              (std::vector<testing::Message>{
                  {testing::Message::Error, QStringLiteral("'abc' is not a valid floating point value")}}));

    // The arrow drops the menu under the box.
    QTest::mouseClick(w_.SpeedButton3, Qt::LeftButton);
    EXPECT_TRUE(w_.PMenuScale->isVisible());
    EXPECT_EQ(w_.PMenuScale->pos(), w_.Panel6->mapToGlobal(QPoint(0, w_.Panel6->height())));
    w_.PMenuScale->hide();
}

TEST_F(MapWindow, DisplayOptionsKeepTheirRulesAndRedraw) {
    QSignalSpy drawn(w_.MapImage, &MapWidget::MapDrawn);
    w_.cbPerimetr->trigger();
    EXPECT_EQ(drawn.count(), 1);
    EXPECT_TRUE(PictureHasText(QStringLiteral("S = ")) && PictureHasText(QStringLiteral("P = ")));
    w_.cbCode->trigger();
    w_.cbCode->trigger();  // the checked one of the pair: no change, still a redraw
    EXPECT_TRUE(w_.cbCode->isChecked() && !w_.cbNumber->isChecked());
    w_.cbMetr1->trigger();
    EXPECT_TRUE(w_.cbMetr1->isChecked() && !w_.cbMetr2->isChecked() && !w_.cbMetr3->isChecked());
    EXPECT_TRUE(w_.MapImage->Options().cbMetr1 && w_.MapImage->Options().cbCode);
    EXPECT_EQ(drawn.count(), 4);
}

// "без наложения подписей" toggles the label filter: at view-all the demo's labels
// crowd, so switching it off draws more of them.
TEST_F(MapWindow, LabelFilterItemToggles) {
    w_.cbLength->trigger();
    const std::size_t filtered = w_.MapImage->CurrentPicture()->Texts().size();
    QSignalSpy drawn(w_.MapImage, &MapWidget::MapDrawn);
    w_.cbDeclutter->trigger();
    EXPECT_EQ(drawn.count(), 1);
    EXPECT_FALSE(w_.cbDeclutter->isChecked());
    EXPECT_FALSE(w_.MapImage->Options().cbDeclutter);
    EXPECT_GT(w_.MapImage->CurrentPicture()->Texts().size(), filtered);
    w_.cbDeclutter->trigger();
    EXPECT_TRUE(w_.MapImage->Options().cbDeclutter);
    EXPECT_EQ(w_.MapImage->CurrentPicture()->Texts().size(), filtered);
}

TEST_F(MapWindow, PickMovesBothGridsAndTheHighlight) {
    engine::DataSet& owners = w_.DM().Tbter;
    owners.Last();
    const auto code = static_cast<std::int32_t>(owners.AsFloat("Poligon"));
    owners.First();
    const auto poly = std::find_if(w_.MapObjects.Polys.begin(), w_.MapObjects.Polys.end(),
                                   [&](const map::TArrPoly& p) { return p.Code == code; });
    ASSERT_NE(poly, w_.MapObjects.Polys.end());
    const QPoint at = PixelOf(poly->CenterY, poly->CenterX);
    ASSERT_EQ(map::FindParcelAt(w_.MapObjects, View().PageToWorld(View().PixelToPage({at.x(), at.y()}))).Code, code);

    QSignalSpy drawn(w_.MapImage, &MapWidget::MapDrawn);
    w_.TBPick->trigger();
    QTest::mouseClick(w_.MapImage, Qt::LeftButton, {}, at);
    EXPECT_EQ(w_.DM().TbSubter.AsInteger("Code"), code);
    EXPECT_EQ(owners.AsFloat("Poligon"), code);
    EXPECT_EQ(w_.Panel3->DBGrid4()->currentIndex().row() + 1u, w_.DM().TbSubter.RecNo());
    EXPECT_EQ(w_.MapImage->CurrentParcelCode(), code);
    EXPECT_EQ(drawn.count(), 1);

    // The zoom tool: a click zooms in by 2 about the page centre.
    const double scale = View().ViewScale;
    w_.TBZoom->trigger();
    QTest::mouseClick(w_.MapImage, Qt::LeftButton, {}, at);
    EXPECT_DOUBLE_EQ(View().ViewScale, scale * 2);
}

TEST_F(MapWindow, ResizingRedrawsKeepingCentreAndScale) {
    w_.showNormal();
    w_.resize(780, 560);
    QTest::qWait(10);
    const double centreY = View().ViewCenterY, scale = View().ViewScale;
    const QSize before = w_.MapImage->size();
    w_.resize(700, 500);
    QTest::qWait(10);
    ASSERT_NE(w_.MapImage->size(), before);
    EXPECT_EQ(w_.MapImage->CurrentPicture()->WidthPx(), w_.MapImage->width());
    EXPECT_EQ(View().ViewCenterY, centreY);
    EXPECT_EQ(View().ViewScale, scale);
    // Resized while hidden: redrawn to the new size when shown again.
    w_.hide();
    w_.resize(650, 450);
    w_.show();
    EXPECT_EQ(w_.MapImage->CurrentPicture()->WidthPx(), w_.MapImage->width());
    EXPECT_EQ(w_.MapImage->CurrentPicture()->HeightPx(), w_.MapImage->height());
}

TEST_F(MapWindow, SearchMovesTheGridsAndCentresTheMap) {
    QSignalSpy drawn(w_.MapImage, &MapWidget::MapDrawn);
    testing::AnswerModal(
        [](QWidget* modal) {
            auto* dialog = qobject_cast<search::TSeekRecord*>(modal);
            ASSERT_NE(dialog, nullptr);
            dialog->RadioButton1->setChecked(true);
            dialog->Edit1->setText(QStringLiteral("ова"));
            dialog->SpeedButton3->click();
            dialog->SpeedButton2->click();
        },
        [&] { QTest::keyClick(&w_, Qt::Key_F, Qt::ControlModifier); });
    ASSERT_NE(w_.Seek()->SeekRecord(), nullptr);
    const std::string first = w_.DM().Tbter.AsString("Family");
    EXPECT_NE(first.find("ова"), std::string::npos);
    const auto parcel = w_.DM().TbSubter.AsInteger("Code");
    EXPECT_EQ(w_.DM().Tbter.AsFloat("Poligon"), parcel);
    EXPECT_EQ(w_.MapImage->CurrentParcelCode(), parcel);
    EXPECT_GE(drawn.count(), 1);

    // "Продолжение поиска" with the dialog closed shows the next hit.
    const int draws = drawn.count();
    w_.nSeekNext->trigger();
    EXPECT_NE(w_.DM().Tbter.AsString("Family"), first);
    EXPECT_NE(w_.DM().Tbter.AsString("Family").find("ова"), std::string::npos);
    EXPECT_EQ(drawn.count(), draws + 1);
}

TEST(MapStatusBarProgress, StripsLieRightOfTheSixthPanelUntilCleared) {
    MapStatusBar bar;
    bar.resize(900, 22);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    const QColor upper(255, 128, 128);
    const int x0 = bar.FixedPanelsWidth() + 8;
    EXPECT_GE(x0, bar.Panel(5)->geometry().right() + 8);
    bar.ShowProgress(0.5, 0.0);
    QImage shot = bar.grab().toImage();
    EXPECT_EQ(shot.pixelColor(x0 + 2, 6), upper);
    EXPECT_NE(shot.pixelColor(bar.Panel(5)->geometry().center().x(), 6), upper);
    EXPECT_NE(shot.pixelColor(bar.width() - 8, 6), upper);  // half way only
    bar.ClearProgress();
    shot = bar.grab().toImage();
    EXPECT_NE(shot.pixelColor(x0 + 2, 6), upper);
}

}  // namespace
}  // namespace ter5::app
