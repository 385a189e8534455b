// DrawMap's whole display list for a crowded quarter, against the lists kept in
// tests/map/golden: the labels of every parcel in drawing order, nothing left out. Any
// change to what the map draws with the label filter off shows up here.
//
// TER5_UPDATE_GOLDEN=1 rewrites the files from the present drawing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "MapTestModels.h"
#include "map/DrawMap.h"

namespace ter5::map {
namespace {

using testing::ModelBuilder;

// One line per entry of the list: tools by their values, figures by their points.
std::string DisplayListText(const Picture& picture) {
    std::ostringstream out;
    out << "picture " << picture.WidthPx() << "x" << picture.HeightPx() << " page " << picture.PageWidth() << "x"
        << picture.PageHeight() << "\n";
    const char* kinds[] = {"pen", "brush", "font", "rectangle", "ellipse", "polygon", "polyline", "text"};
    for (const PictureOp& op : picture.Ops()) {
        out << kinds[static_cast<int>(op.Kind)];
        switch (op.Kind) {
        case PictureOpKind::Pen: {
            const PicturePen& pen = picture.Pens()[op.First];
            out << " " << int(pen.Colour.Red) << "," << int(pen.Colour.Green) << "," << int(pen.Colour.Blue) << " w"
                << pen.Width;
            break;
        }
        case PictureOpKind::Brush: {
            const PictureBrush& brush = picture.Brushes()[op.First];
            out << " style" << int(brush.Style) << " " << int(brush.Colour.Red) << "," << int(brush.Colour.Green)
                << "," << int(brush.Colour.Blue);
            break;
        }
        case PictureOpKind::Font: {
            const PictureFont& font = picture.Fonts()[op.First];
            out << " " << font.Face << " " << font.CharSet << " " << font.PixelSize << "px";
            break;
        }
        case PictureOpKind::Text: {
            const PictureText& text = picture.Texts()[op.First];
            out << " " << text.X << "," << text.Y << " " << picture.TextOf(text);
            break;
        }
        default:
            for (const PicturePoint& p : picture.PointsOf(op)) out << " " << p.x << "," << p.y;
        }
        out << "\n";
    }
    return out.str();
}

// A quarter of 8 x 6 plots of 12 x 9 m along two streets, a long thin strip and an L-shaped
// plot, drawn at 1:1000 on 400 x 400 pixels: the labels crowd each other.
TArrObjects CrowdedQuarter() {
    ModelBuilder model;
    std::int32_t code = 1;
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 8; ++column, ++code) {
            const std::string house = (row < 3 ? "ул. Мира, № " : "пер. Садовый, № ") + std::to_string(code);
            model.AddBox(code, house, 960.0 + column * 12.0, 4975.0 + row * 9.0, 12.0, 9.0);
        }
    }
    model.AddBox(code++, "полоса отвода", 950.0, 4970.0, 100.0, 4.0);
    model.Add(code, "№ 77а", {{1040, 4960}, {1040, 4990}, {1050, 4990}, {1050, 4970}, {1060, 4970}, {1060, 4960},
                              {1040, 4960}});
    return model.Objects();
}

Picture DrawQuarter(const DisplayOptions& options) {
    Viewport view = testing::MakeView(400, 400, 1000.0, 5000.0, 100.0);
    DrawMapContext context;
    context.CurrentCode = 20;
    const auto picture = DrawMap(CrowdedQuarter(), view, options, context);
    EXPECT_TRUE(picture.has_value());
    return picture ? *picture : Picture();
}

void ExpectGolden(const std::string& name, const Picture& picture) {
    const std::string path = std::string(TER5_MAP_GOLDEN_DIR) + "/" + name;
    const std::string actual = DisplayListText(picture);
    const char* update = std::getenv("TER5_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "missing " << path;
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_TRUE(expected.str() == actual) << name << " differs from the drawing; first lines of the drawing:\n"
                                          << actual.substr(0, 600);
}

TEST(DrawMapGoldenTest, StartOptionsWithoutFilter) {
    testing::SeparatorScope comma(',');
    DisplayOptions options;
    options.cbDeclutter = false;
    ExpectGolden("quarter-start.txt", DrawQuarter(options));
}

TEST(DrawMapGoldenTest, EveryLabelWithoutFilter) {
    testing::SeparatorScope comma(',');
    DisplayOptions options;
    options.cbDeclutter = false;
    options.cbPoints = options.cbLength = options.cbNumPoints = options.cbPerimetr = true;
    ExpectGolden("quarter-all-labels.txt", DrawQuarter(options));
}

}  // namespace
}  // namespace ter5::map
