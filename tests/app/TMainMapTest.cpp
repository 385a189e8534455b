// The map in the main window on a demo base: opening fits the parcels, the zoom
// keys, the scale box and menu, the display options, the mouse tools, a resize,
// the search through Ctrl+F and Ctrl+N, and the progress strips of the status bar.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStatusBar>
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
#include "search/DialogPlacement.h"
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
    // View-all fits again; the texts follow the scale it chose.
    QTest::keyClick(&w_, Qt::Key_F5);
    EXPECT_DOUBLE_EQ(View().ViewScale, fitted);
    EXPECT_EQ(Panel(0), QString::fromStdString(View().UpdateScaleStatus({}).Scale));
    EXPECT_EQ(w_.EditScale->text(), QString::fromStdString(View().UpdateScaleStatus({}).ScaleBox));

    w_.EditScale->setText(QStringLiteral("2500"));
    QTest::keyClick(w_.EditScale, Qt::Key_Return);
    EXPECT_EQ(Panel(0), QStringLiteral("M 1:2500"));
    w_.EditScale->setText(QStringLiteral("abc"));
    QTest::keyClick(w_.EditScale, Qt::Key_Return);
    EXPECT_EQ(Panel(0), QStringLiteral("M 1:2500"));
    EXPECT_EQ(f_.messenger.messages,
              (std::vector<testing::Message>{
                  {testing::Message::Error, QStringLiteral("Значение 'abc' не является числом")}}));

    // The arrow drops the menu under the box.
    QTest::mouseClick(w_.SpeedButton3, Qt::LeftButton);
    EXPECT_TRUE(w_.PMenuScale->isVisible());
    EXPECT_EQ(w_.PMenuScale->pos(), w_.Panel6->mapToGlobal(QPoint(0, w_.Panel6->height())));
    w_.PMenuScale->hide();
}

// A zoom rectangle, a fitted parcel and view-all change the scale without a scale
// command: the scale panel, the extent panel and the scale box follow each of them.
TEST_F(MapWindow, ScaleTextsFollowEveryChangeOfScale) {
    const auto shown = [&] {
        const map::ScaleStatus status = View().UpdateScaleStatus({});
        return Panel(0) == QString::fromStdString(status.Scale) && Panel(1) == QString::fromStdString(status.Zoom) &&
               w_.EditScale->text() == QString::fromStdString(status.ScaleBox);
    };
    EXPECT_TRUE(shown());  // as opened
    w_.TBZoom->trigger();
    const double before = View().ViewScale;
    QTest::mousePress(w_.MapImage, Qt::LeftButton, {}, QPoint(40, 40));
    QMouseEvent move(QEvent::MouseMove, QPointF(90, 80), w_.MapImage->mapToGlobal(QPointF(90, 80)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w_.MapImage, &move);
    QTest::mouseRelease(w_.MapImage, Qt::LeftButton, {}, QPoint(90, 80));
    ASSERT_NE(View().ViewScale, before);
    EXPECT_TRUE(shown());
    w_.tbViewObject->trigger();
    EXPECT_TRUE(shown());
    QTest::keyClick(&w_, Qt::Key_F5);
    EXPECT_TRUE(shown());
}

// map.wmf in a directory that takes no file: the map is drawn all the same, and the
// status bar says so once for that directory, in Russian, with the path; no box.
TEST_F(MapWindow, UnwritableMapFileIsToldInTheStatusBarOnce) {
    const auto missing = f_.scratch.Path() / "cdrom";
    w_.MapImage->SetMapFileDirectory(QString::fromStdString(missing.string()));
    QSignalSpy drawn(w_.MapImage, &MapWidget::MapDrawn);
    w_.sbMapDraw->trigger();
    EXPECT_EQ(drawn.count(), 1);
    EXPECT_TRUE(f_.messenger.messages.empty());
    const QString said = w_.StatusBar->TransientMessage();
    EXPECT_TRUE(said.startsWith(QStringLiteral("Рисунок карты не записан в файл %1: ")
                                    .arg(QString::fromStdString((missing / "map.wmf").string()))))
        << said.toStdString();
    w_.StatusBar->ShowTransientMessage(QString());
    w_.sbZoomIn->trigger();
    EXPECT_EQ(drawn.count(), 2);
    EXPECT_TRUE(w_.StatusBar->TransientMessage().isEmpty());
    EXPECT_TRUE(f_.messenger.messages.empty());
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

// A search without hits says so in the dialog's status strip; the dialog opens beside the
// map, never over its centre where the parcel found is shown, and keeps its place.
TEST_F(MapWindow, SearchDialogBesideTheMapSaysWhenNothingIsFound) {
    w_.showNormal();
    w_.setGeometry(100, 100, 760, 560);
    QTest::qWait(10);
    QRect placed;
    QString status;
    testing::AnswerModal(
        [&](QWidget* modal) {
            auto* dialog = qobject_cast<search::TSeekRecord*>(modal);
            ASSERT_NE(dialog, nullptr);
            placed = dialog->frameGeometry();
            dialog->Edit1->setText(QStringLiteral("Никтоникакой"));
            dialog->RadioButton1->setChecked(true);
            dialog->SpeedButton3->click();
            status = dialog->StatusBar1->currentMessage();
            dialog->move(dialog->pos() + QPoint(5, 7));
            dialog->SpeedButton2->click();
        },
        [&] { w_.nSeek->trigger(); });
    EXPECT_EQ(status, QStringLiteral("Ничего не найдено"));
    const QRect map(w_.MapImage->mapToGlobal(QPoint(0, 0)), w_.MapImage->size());
    const QRect centre(map.center() - QPoint(search::kCentreKeep, search::kCentreKeep),
                       QSize(2 * search::kCentreKeep, 2 * search::kCentreKeep));
    EXPECT_FALSE(placed.intersects(centre)) << placed.x() << "," << placed.y();
    QPoint reopened;
    testing::AnswerModal(
        [&](QWidget* modal) {
            reopened = modal->pos();
            modal->close();
        },
        [&] { w_.nSeek->trigger(); });
    EXPECT_EQ(reopened, placed.topLeft() + QPoint(5, 7));
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
