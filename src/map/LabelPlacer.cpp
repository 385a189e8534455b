#include "map/LabelPlacer.h"

#include <algorithm>

namespace ter5::map {

void LabelPlacer::Reset(int widthPx, int heightPx) {
    columns_ = std::max(1, (widthPx + kCellPixels - 1) / kCellPixels);
    rows_ = std::max(1, (heightPx + kCellPixels - 1) / kCellPixels);
    boxes_.clear();
    // The cells keep their storage from one drawing to the next.
    cells_.resize(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_));
    for (auto& cell : cells_) cell.clear();
}

void LabelPlacer::CellRange(const PixelBox& box, int& column0, int& row0, int& column1, int& row1) const {
    const auto cellOf = [](std::int32_t pixel, int count) {
        const std::int32_t cell = pixel >= 0 ? pixel / kCellPixels : -1;
        return std::clamp(cell, std::int32_t{0}, static_cast<std::int32_t>(count - 1));
    };
    column0 = cellOf(box.Left, columns_);
    column1 = cellOf(box.Right - 1, columns_);
    row0 = cellOf(box.Top, rows_);
    row1 = cellOf(box.Bottom - 1, rows_);
}

bool LabelPlacer::Overlaps(const PixelBox& box) const {
    if (box.Right <= box.Left || box.Bottom <= box.Top) return false;  // an empty box covers nothing
    int column0 = 0, row0 = 0, column1 = 0, row1 = 0;
    CellRange(box, column0, row0, column1, row1);
    for (int row = row0; row <= row1; ++row) {
        for (int column = column0; column <= column1; ++column) {
            for (const std::uint32_t index : cells_[static_cast<std::size_t>(row * columns_ + column)]) {
                if (boxes_[index].Overlaps(box)) return true;
            }
        }
    }
    return false;
}

void LabelPlacer::Add(const PixelBox& box) {
    if (box.Right <= box.Left || box.Bottom <= box.Top) return;
    int column0 = 0, row0 = 0, column1 = 0, row1 = 0;
    CellRange(box, column0, row0, column1, row1);
    const auto index = static_cast<std::uint32_t>(boxes_.size());
    boxes_.push_back(box);
    for (int row = row0; row <= row1; ++row) {
        for (int column = column0; column <= column1; ++column)
            cells_[static_cast<std::size_t>(row * columns_ + column)].push_back(index);
    }
}

}  // namespace ter5::map
