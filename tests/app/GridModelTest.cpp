// The grids' table models over the data module's queries: columns, titles, mark
// glyphs and colours, alignment, number format, the row indicator, and following
// the data set as it opens, moves and closes.

#include "base/widgets/DataSetModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QLocale>
#include <QSignalSpy>

#include "AppTestSupport.h"
#include "base/TDM.h"
#include "base/widgets/BaseGrid.h"
#include "base/widgets/GridPanel.h"

namespace ter5::base {
namespace {

class GridModelTest : public ::testing::Test {
protected:
    GridModelTest() : panel_(dm_) {
        dir_ = scratch_.Make("A").string();
        testing::WriteSampleBase(dir_);
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }
    ~GridModelTest() override { QLocale::setDefault(QLocale::c()); }

    QAbstractItemModel* Parcels() const { return panel_.DBGrid4()->model(); }
    QAbstractItemModel* Owners() const { return panel_.DBGrid1()->model(); }
    QVariant Cell(QAbstractItemModel* model, int row, int column, int role = Qt::DisplayRole) const {
        return model->data(model->index(row, column), role);
    }

    testing::ScratchDir scratch_;
    std::string dir_;
    TDM dm_;
    GridPanel panel_;
};

TEST_F(GridModelTest, ColumnsTitlesAndWidths) {
    auto titles = [](QAbstractItemModel* model) {
        QStringList list;
        for (int c = 0; c < model->columnCount(); ++c) list << model->headerData(c, Qt::Horizontal).toString();
        return list;
    };
    EXPECT_EQ(titles(Owners()), (QStringList{"☑", "ФИО", "Адрес владельца", "Код"}));
    EXPECT_EQ(titles(Parcels()), (QStringList{"☑", "✓", "Код", "Адрес участка", "Площадь", "Кад.номер"}));
    EXPECT_EQ(Parcels()->headerData(0, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(), QColor(0, 128, 0));
    EXPECT_EQ(Parcels()->headerData(1, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    // Text columns keep the proportions of their design widths (150, 150, 30...).
    EXPECT_EQ(panel_.DBGrid1()->columnWidth(1), panel_.DBGrid1()->columnWidth(2));
    EXPECT_EQ(panel_.DBGrid4()->columnWidth(3), panel_.DBGrid4()->columnWidth(5));
    EXPECT_EQ(panel_.DBGrid4()->columnWidth(3), panel_.DBGrid1()->columnWidth(1));
    EXPECT_GT(panel_.DBGrid4()->columnWidth(3), 3 * panel_.DBGrid4()->columnWidth(2));
    EXPECT_EQ(Owners()->rowCount(), 0);  // closed: empty
}

TEST_F(GridModelTest, CellsShowMarksNumbersAndText) {
    dm_.OpenBaseDirectory(dir_, true);
    ASSERT_EQ(Parcels()->rowCount(), 3);
    ASSERT_EQ(Owners()->rowCount(), 5);
    // Parcel 1: Ok "ю" (0xFE), Flag "ь" (0xFC), area 1200.5 in the locale's form.
    EXPECT_EQ(Cell(Parcels(), 0, 0).toString(), QStringLiteral("☑"));
    EXPECT_EQ(Cell(Parcels(), 0, 1).toString(), QStringLiteral("✓"));
    EXPECT_EQ(Cell(Parcels(), 0, 1, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_EQ(Cell(Parcels(), 0, 2).toString(), QStringLiteral("1"));
    EXPECT_EQ(Cell(Parcels(), 0, 4).toString(), QStringLiteral("1200,5"));
    EXPECT_EQ(Cell(Parcels(), 0, 5).toString(), QStringLiteral("50:01:0001:1"));
    EXPECT_EQ(Cell(Parcels(), 1, 0).toString(), QString());
    EXPECT_EQ(Cell(Parcels(), 1, 0, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignCenter);
    EXPECT_EQ(Cell(Parcels(), 1, 2, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(Cell(Parcels(), 1, 3, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignLeft | Qt::AlignVCenter);
    // Owners by name; Poligon is a number shown without decimals when whole.
    EXPECT_EQ(Cell(Owners(), 0, 1).toString(), QStringLiteral("Андреев Андрей"));
    EXPECT_EQ(Cell(Owners(), 3, 0).toString(), QStringLiteral("☑"));
    EXPECT_EQ(Cell(Owners(), 3, 2).toString(), QStringLiteral("ул. Садовая, д. 1"));
    EXPECT_EQ(Cell(Owners(), 4, 3).toString(), QStringLiteral("99"));
    EXPECT_FALSE(Cell(Owners(), 5, 1).isValid());
    EXPECT_FALSE(Owners()->flags(Owners()->index(0, 1)).testFlag(Qt::ItemIsEditable));
}

TEST_F(GridModelTest, ViewAndCursorMoveTogether) {
    dm_.OpenBaseDirectory(dir_, true);
    BaseGrid* parcels = panel_.DBGrid4();
    EXPECT_EQ(parcels->currentIndex().row(), 0);
    EXPECT_EQ(Parcels()->headerData(0, Qt::Vertical).toString(), QStringLiteral("►"));
    // The data set moves: the view and the indicator follow.
    dm_.TbSubter.MoveTo(3);
    EXPECT_EQ(parcels->currentIndex().row(), 2);
    EXPECT_EQ(Parcels()->headerData(2, Qt::Vertical).toString(), QStringLiteral("►"));
    EXPECT_EQ(Parcels()->headerData(0, Qt::Vertical).toString(), QString());
    // The view moves: the data set follows.
    parcels->setCurrentIndex(Parcels()->index(1, 3));
    EXPECT_EQ(dm_.TbSubter.RecNo(), 2u);
    // Closing empties the grids.
    dm_.CloseBaseDataSets();
    EXPECT_EQ(Parcels()->rowCount(), 0);
    EXPECT_FALSE(parcels->currentIndex().isValid());
}

// At the default font in two sizes, no number is cut and no title either: each fits
// its column with the cell's margins. Widths grow with the font, in proportion.
TEST_F(GridModelTest, NoValueOrTitleCutAtTwoFontSizes) {
    const auto dir = scratch_.Make("Wide");
    testing::WriteBase(dir, {{1, "Иванов", 1072}, {2, "Петров", 50000}, {3, "Сидоров", 916}},
                       {{1072, "ул. Мира, № 1", 1072}, {916, "ул. Мира, № 2", 916}, {50000, "ул. Мира, № 3", 12345.67},
                        {9999, "ул. Мира, № 4", 1200.5}, {3000, "ул. Мира, № 5", -0.25}},
                       {});
    std::vector<int> addressWidths;
    for (const int points : {9, 14}) {
        QFont font = QApplication::font();
        font.setPointSize(points);
        TDM dm;
        GridPanel panel(dm);
        panel.setFont(font);
        dm.OpenBaseDirectory(dir.string(), true);
        for (BaseGrid* grid : {panel.DBGrid1(), panel.DBGrid4()}) {
            QAbstractItemModel* model = grid->model();
            const QFontMetrics cells(grid->font());
            const QFontMetrics titles(grid->horizontalHeader()->font());
            for (int c = 0; c < model->columnCount(); ++c) {
                const int width = grid->columnWidth(c);
                const QString title = model->headerData(c, Qt::Horizontal).toString();
                EXPECT_LE(titles.horizontalAdvance(title), width - 4) << points << "pt, title " << title.toStdString();
                if (!(model->data(model->index(0, c), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight))
                    continue;
                for (int r = 0; r < model->rowCount(); ++r) {
                    const QString text = model->data(model->index(r, c)).toString();
                    EXPECT_LE(cells.horizontalAdvance(text) + grid->CellTextMargin(), width)
                        << points << "pt, " << title.toStdString() << " " << text.toStdString();
                    // What would not fit is shown whole in the tool tip.
                    EXPECT_EQ(model->data(model->index(r, c), Qt::ToolTipRole).toString(), text);
                }
            }
        }
        EXPECT_EQ(panel.DBGrid4()->textElideMode(), Qt::ElideRight);
        addressWidths.push_back(panel.DBGrid4()->columnWidth(3));
    }
    EXPECT_GT(addressWidths[1], addressWidths[0] * 14 / 9 - 12);
    EXPECT_LT(addressWidths[1], addressWidths[0] * 14 / 9 + 12);
}

TEST_F(GridModelTest, SyncWithNoBaseOpenChangesNothing) {
    panel_.SyncGrids(1);
    panel_.SyncGrids(4);
    EXPECT_FALSE(dm_.BaseOpen());
    EXPECT_EQ(DataSetModel::MarkGlyph(QStringLiteral("x")), QStringLiteral("x"));
}

}  // namespace
}  // namespace ter5::base
