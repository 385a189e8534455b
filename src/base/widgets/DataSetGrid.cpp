#include "base/widgets/DataSetGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>

#include <algorithm>
#include <cmath>

#include "base/widgets/DataSetTableModel.h"

namespace ter5::base {

namespace {

// The design font, MS Sans Serif 8 pt at 96 dpi: its average character width (its
// dialog base unit, the mean width of the 52 Latin letters) and digit width, and the
// margin its grids leave left of a cell's text, pixels.
constexpr double kDesignAverageCharWidth = 6.0;
constexpr int kDesignDigitWidth = 6;
constexpr int kDesignCellMargin = 2;
// A column without a width of its own: the design grid's default width, pixels.
constexpr int kDesignDefaultColumnWidth = 64;
// The letters the average character width is taken over.
constexpr const char* kAverageLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

DataSetGrid::DataSetGrid(DataSetTableModel* model, QWidget* parent) : QTableView(parent), model_(model) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    // Keep the selection visible while another control or a dialog has the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);

    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setMinimumSectionSize(12);  // the mark columns are 15 pixels wide in the design font
    setTextElideMode(Qt::ElideRight);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionsClickable(false);

    connect(model_, &DataSetTableModel::cursorMoved, this, &DataSetGrid::FollowCursor);
    connect(model_, &QAbstractItemModel::modelReset, this, &DataSetGrid::ApplyColumnWidths);
    ApplyColumnWidths();
    FollowCursor(model_->CurrentRow());
}

int DataSetGrid::CellTextMargin() const {
    // The item delegate keeps the focus frame's margin and a pixel on either side;
    // the grid line takes one more pixel.
    const int frame = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return 2 * frame + (showGrid() ? 1 : 0);
}

double DataSetGrid::FontScale() const {
    const double average = QFontMetricsF(font()).horizontalAdvance(QString::fromLatin1(kAverageLetters)) / 52.0;
    return average / kDesignAverageCharWidth;
}

int DataSetGrid::FittedColumnWidth(int column) const {
    const int design = model_->ColumnWidth(column) > 0 ? model_->ColumnWidth(column) : kDesignDefaultColumnWidth;
    const QFontMetricsF metrics(font());
    int width = static_cast<int>(std::ceil(design * FontScale()));
    if (model_->ColumnIsNumeric(column)) {
        // As many digits as the column held in the design font, and the longest value.
        const int digits = std::max(1, (design - 2 * kDesignCellMargin) / kDesignDigitWidth);
        const double digitWidth = metrics.horizontalAdvance(QStringLiteral("0"));
        width = std::max(width, static_cast<int>(std::ceil(digits * digitWidth)) + CellTextMargin());
        const QString widest = model_->WidestCellText(column);
        if (!widest.isEmpty())
            width = std::max(width, static_cast<int>(std::ceil(metrics.horizontalAdvance(widest))) + CellTextMargin());
    }
    return std::max(width, horizontalHeader()->sectionSizeHint(column));
}

void DataSetGrid::ApplyColumnWidths() {
    for (int i = 0; i < model_->columnCount(); ++i) setColumnWidth(i, FittedColumnWidth(i));
}

void DataSetGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        ApplyColumnWidths();
    }
}

void DataSetGrid::FollowCursor(int row) {
    if (following_) return;
    following_ = true;
    if (row < 0) {
        clearSelection();
        setCurrentIndex(QModelIndex());
    } else {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex index = model_->index(row, column);
        setCurrentIndex(index);
        scrollTo(index);
    }
    following_ = false;
}

void DataSetGrid::MoveModelCursor(int row) {
    model_->MoveCursor(row);
}

void DataSetGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid()) return;
    following_ = true;
    MoveModelCursor(current.row());
    following_ = false;
}

}  // namespace ter5::base
