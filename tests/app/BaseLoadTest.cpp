// Opening a base in the main window while its geometry loads on a thread of its own: the
// window repaints throughout (the status bar's strips show the progress), keys and clicks
// wait for the map; and the overview of a dense base is readable, not a dark square.

#include <QEvent>
#include <QTest>

#include <future>

#include "AppTestSupport.h"
#include "app/MapStatusBar.h"
#include "base/DemoBase.h"
#include "base/widgets/DirectoryTree.h"
#include "map/OutlineInk.h"
#include "map/widgets/InkShare.h"
#include "map/widgets/MapWidget.h"

namespace ter5::app {
namespace {

class BaseLoad : public ::testing::Test {
protected:
    BaseLoad() : f_(true, true), w_(*f_.window) {
        bases_ = f_.scratch.Make("bases");
        w_.MapImage->SetScreenMetrics({254, 254, 960, 960});
    }

    void Click(const QString& name) {
        base::DirectoryTree* tree = w_.DirectoryListBox1;
        tree->SetCurrentDirectory(QString::fromStdString(bases_.string()));
        const int row = tree->FindItem(name);
        ASSERT_GE(row, 0);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->item(row)).center());
    }

    testing::MainWindowFixture f_;
    TMain& w_;
    std::filesystem::path bases_;
};

// Paints of the status bar while its progress strips are on show.
class StripPaints : public QObject {
public:
    explicit StripPaints(MapStatusBar& bar) : bar_(bar) { bar_.installEventFilter(this); }
    int count = 0;
    std::function<void()> onFirst;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && bar_.ProgressShown() && count++ == 0 && onFirst) onFirst();
        return false;
    }

private:
    MapStatusBar& bar_;
};

TEST_F(BaseLoad, TheWindowRepaintsWhileTheGeometryLoads) {
    base::WriteDemoBase(bases_ / "demo", {.parcels = 200, .seed = 3});
    // The load waits on its thread until the window has painted its strips.
    std::promise<void> painted;
    std::shared_future<void> paintedOnce = painted.get_future().share();
    w_.DM().SetGeometryStartHandler([paintedOnce] { paintedOnce.wait_for(std::chrono::seconds(20)); });
    StripPaints paints(*w_.StatusBar);
    paints.onFirst = [&] { painted.set_value(); };
    int drawnWhilePainting = -1;
    QObject::connect(w_.MapImage, &map::MapWidget::MapDrawn, &w_, [&] { drawnWhilePainting = paints.count; });
    Click(QStringLiteral("demo"));
    EXPECT_GE(drawnWhilePainting, 1) << "the map came before any repaint";
    EXPECT_FALSE(w_.StatusBar->ProgressShown());
    EXPECT_GT(w_.MapObjects.Polys.size(), 190u);  // the demo leaves a few parcels without vertices
    EXPECT_TRUE(f_.messenger.messages.empty());
    w_.DM().SetGeometryStartHandler({});
}

// The overview of many small parcels in a small map: the outlines would cover most of
// the parcels' pixels; drawn as block boundaries, less than 40 % of them are dark.
TEST_F(BaseLoad, TheOverviewOfADenseBaseIsNotADarkSquare) {
    base::WriteDemoBase(bases_ / "dense", {.parcels = 3000, .seed = 1});
    w_.showNormal();
    w_.resize(520, 420);
    QTest::qWait(20);
    Click(QStringLiteral("dense"));
    ASSERT_GT(w_.MapObjects.Polys.size(), 2900u);
    const map::Viewport& view = w_.MapImage->View();
    EXPECT_GT(map::EstimateOutlineInk(w_.MapObjects, view).Coverage, 0.5);
    const QImage shown = w_.MapImage->grab().toImage();
    const QImage mask = map::ParcelAreaMask(w_.MapObjects, view);
    EXPECT_LT(map::DarkShare(shown, mask), 0.4);
    // The block boundaries alone, not ink all over the parcels.
    EXPECT_LT(map::DarkShare(shown, mask, 255), 0.75);
}

}  // namespace
}  // namespace ter5::app
