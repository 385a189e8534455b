// The map widget driven by Qt mouse events on the offscreen platform, its picture on the
// screen against the exported image, and the progress strips.

#include "map/widgets/MapWidget.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "MapTestModels.h"
#include "map/widgets/PictureExport.h"
#include "map/widgets/ProgressStrips.h"

namespace ter5::map {
namespace {

namespace fs = std::filesystem;
using testing::ModelBuilder;

void Send(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
          Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(at), QPointF(w.mapToGlobal(at)), button, held, keys);
    QCoreApplication::sendEvent(&w, &event);
}

void Click(QWidget& w, QPoint at) {
    Send(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    Send(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

bool IsYellow(QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 80; }
bool IsRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }
bool IsDark(QRgb c) { return qGray(c) < 128; }

int CountPixels(const QImage& image, QRect area, bool (*test)(QRgb)) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) n += test(image.pixel(x, y)) ? 1 : 0;
    }
    return n;
}

// The layout of the handler tests: parcels 1 and 2 at pixels 160..200 and 240..280 x 200..240.
class MapWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ter5_map_widget_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        widget_.SetModel(&model_.Objects());
        widget_.SetParcelQueryOpen(true);
        widget_.SetScreenMetrics(testing::kQuarterMmScreen);
        widget_.SetMapFileDirectory(QString::fromStdString(dir_.string()));
        widget_.resize(400, 400);
        widget_.View().ViewCenterY = 1000;
        widget_.View().ViewCenterX = 5000;
        widget_.View().ViewScale = 100;
        widget_.show();
        QObject::connect(&widget_, &MapWidget::LocateParcelRequested,
                         [this](int code) { widget_.SetCurrentParcelCode(code); });
        widget_.DrawMap();
    }
    // Every map.wmf the widget wrote is a placeable metafile that libwmf reads.
    void TearDown() override {
        const fs::path wmf = dir_ / "map.wmf";
        if (fs::exists(wmf)) {
            std::ifstream in(wmf, std::ios::binary);
            unsigned char key[4] = {};
            in.read(reinterpret_cast<char*>(key), 4);
            EXPECT_EQ(key[0] | key[1] << 8 | key[2] << 16 | static_cast<unsigned>(key[3]) << 24, 0x9AC6CDD7u);
            if (std::system("command -v wmf2svg >/dev/null 2>&1") == 0) {
                const std::string command = "wmf2svg -o '" + (dir_ / "map.svg").string() + "' '" + wmf.string() + "'";
                EXPECT_EQ(std::system(command.c_str()), 0);
            }
        }
        fs::remove_all(dir_);
    }

    ModelBuilder model_ = ModelBuilder().AddBox(1, "№ 1", 990, 4990, 10, 10).AddBox(2, "№ 2", 1010, 4990, 10, 10);
    MapWidget widget_;
    fs::path dir_;
};

TEST_F(MapWidgetTest, PickMovesTheHighlightAndWritesTheMapFile) {
    const QRect parcel2(242, 202, 36, 36);
    EXPECT_EQ(CountPixels(widget_.grab().toImage(), parcel2, IsYellow), 0);
    widget_.SetTool(MapTool::Pick);
    int owners = 0;
    QObject::connect(&widget_, &MapWidget::LocateOwnerRequested, [&](int code) { owners += code; });
    Click(widget_, {260, 220});
    EXPECT_EQ(widget_.CurrentParcelCode(), 2);
    EXPECT_EQ(owners, 2);
    const QImage screen = widget_.grab().toImage();
    EXPECT_GT(CountPixels(screen, parcel2, IsYellow), 50);
    EXPECT_EQ(CountPixels(screen, QRect(162, 202, 36, 36), IsYellow), 0);
    EXPECT_TRUE(fs::exists(dir_ / "map.wmf"));
}

TEST_F(MapWidgetTest, HoverShowsCoordinatesAndDragShowsTheRedFrame) {
    testing::SeparatorScope comma(',');
    QString x, y;
    QObject::connect(&widget_, &MapWidget::CursorStatusChanged, [&](const QString& a, const QString& b) {
        x = a;
        y = b;
    });
    Send(widget_, QEvent::MouseMove, {200, 200}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(x, "X = 5000,000");
    EXPECT_EQ(y, "Y = 1000,000");

    widget_.SetTool(MapTool::Zoom);
    Send(widget_, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
    Send(widget_, QEvent::MouseMove, {150, 120}, Qt::NoButton, Qt::LeftButton);
    const QImage dragging = widget_.grab().toImage();
    EXPECT_GT(CountPixels(dragging, QRect(50, 50, 100, 1), IsRed), 20);   // Shape1, dotted
    EXPECT_GT(CountPixels(dragging, QRect(149, 50, 1, 70), IsRed), 15);   // Shape4
    // Shift held: the release does not fit the rectangle the frame shows, a click zooms.
    Send(widget_, QEvent::MouseButtonRelease, {150, 120}, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_NE(widget_.View().ViewScale, 200.0);
    EXPECT_EQ(CountPixels(widget_.grab().toImage(), QRect(50, 50, 100, 1), IsRed), 0);
}

TEST_F(MapWidgetTest, UnwritableDirectoryIsReportedOnceAndTheMapStillChanges) {
    QStringList messages;
    int drawn = 0;
    QObject::connect(&widget_, &MapWidget::MapFileFailed, [&](const QString& m, const QString&) { messages << m; });
    QObject::connect(&widget_, &MapWidget::MapDrawn, [&] { ++drawn; });
    const fs::path missing = dir_ / "readonly-share";
    widget_.SetMapFileDirectory(QString::fromStdString(missing.string()));
    widget_.ZoomIn();
    widget_.ZoomIn();
    EXPECT_EQ(drawn, 2);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toStdString(), "Рисунок карты не записан в файл " + (missing / "map.wmf").string());
    EXPECT_EQ(widget_.CurrentPicture()->Ops().empty(), false);
    EXPECT_EQ(widget_.View().ViewScale, 400.0);
}

TEST_F(MapWidgetTest, ExportedImageMatchesTheScreenRoughly) {
    DisplayOptions options;
    options.cbLength = options.cbPoints = true;
    widget_.SetDisplayOptions(options);
    widget_.SetCurrentParcelCode(1);
    widget_.DrawMap();
    const QImage screen = widget_.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage exported = RenderPictureImage(*widget_.CurrentPicture(), true);
    ASSERT_EQ(screen.size(), exported.size());
    const QRect all = screen.rect();
    const int screenInk = CountPixels(screen, all, IsDark);
    const int exportedInk = CountPixels(exported, all, IsDark);
    EXPECT_GT(screenInk, 500);  // outlines, circles and labels
    EXPECT_NEAR(exportedInk, screenInk, screenInk * 0.35);
    int differing = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) differing += IsDark(screen.pixel(x, y)) != IsDark(exported.pixel(x, y));
    }
    EXPECT_LT(differing, screen.width() * screen.height() / 50);
    // Labels are painted: ink around the area label of parcel 1 at pixel (180, 220).
    EXPECT_GT(CountPixels(screen, QRect(165, 215, 30, 10), IsDark), 10);
}

TEST(ProgressStripsTest, StripsRightOfTheFixedPanels) {
    QImage bar(600, 20, QImage::Format_RGB32);
    bar.fill(Qt::white);
    QPainter painter(&bar);
    // Six fixed panels of 200 pixels together on a bar of 600 x 20.
    PaintProgressStrips(painter, LayoutProgressStrips(200, 600, 20, 0.5, 0.25));
    painter.end();
    // Upper strip from x 208 over half of 388 pixels, rows 5..8; lower over a quarter, rows 11..15.
    EXPECT_EQ(bar.pixel(208, 5), qRgb(255, 128, 128));
    EXPECT_EQ(bar.pixel(208 + 193, 8), qRgb(255, 128, 128));
    EXPECT_EQ(bar.pixel(208 + 194, 8), qRgb(255, 255, 255));
    EXPECT_EQ(bar.pixel(208, 11), qRgb(134, 173, 213));
    EXPECT_EQ(bar.pixel(208 + 97, 11), qRgb(255, 255, 255));
    EXPECT_EQ(bar.pixel(207, 5), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace ter5::map
