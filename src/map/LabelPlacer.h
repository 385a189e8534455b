#pragma once
// The labels placed so far in one drawing, for the "без наложения подписей" option: a
// label is drawn only if its box overlaps none of theirs. Boxes are in picture pixels and
// kept in a grid of square cells over the picture, so each test looks at the few boxes
// near the new one whatever the number of labels.

#include <cstdint>
#include <vector>

namespace ter5::map {

// A box in picture pixels (y downwards): [Left, Right) x [Top, Bottom).
struct PixelBox {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;

    // Whether the two boxes share pixels (boxes that only touch do not).
    bool Overlaps(const PixelBox& other) const {
        return Left < other.Right && other.Left < Right && Top < other.Bottom && other.Top < Bottom;
    }
    // Whether `inner` lies wholly inside this box (edges included).
    bool Contains(const PixelBox& inner) const {
        return inner.Left >= Left && inner.Right <= Right && inner.Top >= Top && inner.Bottom <= Bottom;
    }
};

class LabelPlacer {
public:
    // Side of the grid's cells, pixels: a few label heights.
    static constexpr std::int32_t kCellPixels = 32;

    // Forgets every box and covers a picture of widthPx x heightPx pixels.
    void Reset(int widthPx, int heightPx);

    // Whether `box` overlaps a recorded box. Boxes reaching beyond the picture are
    // kept with their part on the border cells and compared whole.
    bool Overlaps(const PixelBox& box) const;
    // Records `box` whatever it overlaps.
    void Add(const PixelBox& box);
    // Records `box` and returns true when it overlaps no recorded box; returns false and
    // records nothing otherwise.
    bool Place(const PixelBox& box) {
        if (Overlaps(box)) return false;
        Add(box);
        return true;
    }

    std::size_t PlacedCount() const { return boxes_.size(); }

private:
    // The cell range a box covers, clamped to the grid.
    void CellRange(const PixelBox& box, int& column0, int& row0, int& column1, int& row1) const;

    int columns_ = 1;
    int rows_ = 1;
    std::vector<PixelBox> boxes_;
    std::vector<std::vector<std::uint32_t>> cells_;  // indexes into boxes_, row by row
};

}  // namespace ter5::map
