#pragma once
// Draws the items of the directory tree: indented by level, an open folder for
// the root and the path down to the current directory, a closed folder for the
// sub-directories, and the base mark (image 51, or 52 when selected) over the
// folder glyph of a base directory.

#include <QStyledItemDelegate>

namespace ter5::base {

class DirectoryItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int kIndent = 10;
    static constexpr int kItemHeight = 16;
    static constexpr int kGlyphSize = 16;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace ter5::base
