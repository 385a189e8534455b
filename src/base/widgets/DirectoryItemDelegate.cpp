#include "base/widgets/DirectoryItemDelegate.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

#include "base/widgets/DirectoryTree.h"
#include "base/widgets/ImageList.h"

namespace ter5::base {

void DirectoryItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    if (!index.isValid()) return;
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const int level = index.data(DirectoryTree::LevelRole).toInt();
    const bool open = index.data(DirectoryTree::OpenRole).toBool();
    const bool marked = index.data(DirectoryTree::BaseMarkRole).toBool();
    const bool selected = option.state & QStyle::State_Selected;

    // Background and focus as the style draws them, the text placed after the glyph.
    const QRect glyph(option.rect.left() + 2 + level * kIndent,
                      option.rect.top() + (option.rect.height() - kGlyphSize) / 2, kGlyphSize, kGlyphSize);
    item.text.clear();
    item.icon = QIcon();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QIcon folder = FolderIcon(open);
    folder.paint(painter, glyph);
    if (marked) {
        // The mark sits one pixel right of the glyph's left edge, at its top.
        ImageListIcon(selected ? 52 : 51).paint(painter, glyph.translated(1, 0));
    }

    const QRect textRect(glyph.right() + 4, option.rect.top(), option.rect.right() - glyph.right() - 4,
                         option.rect.height());
    painter->save();
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                                    textRect.width()));
    painter->restore();
}

QSize DirectoryItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const int level = index.data(DirectoryTree::LevelRole).toInt();
    const int textWidth = option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString());
    return QSize(2 + level * kIndent + kGlyphSize + 4 + textWidth + 4,
                 std::max(kItemHeight, option.fontMetrics.height() + 2));
}

}  // namespace ter5::base
