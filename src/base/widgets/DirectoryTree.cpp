#include "base/widgets/DirectoryTree.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "base/widgets/DirectoryItemDelegate.h"
#include "base/widgets/Messenger.h"

namespace ter5::base {

DirectoryTree::DirectoryTree(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("DirectoryListBox1"));
    setItemDelegate(new DirectoryItemDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    ShowItems();
}

void DirectoryTree::SetCurrentDirectory(const QString& path) {
    const bool changed = listing_.Enter(path.toStdString());
    ShowItems();
    if (changed) emit directoryChanged(CurrentDirectory());
}

void DirectoryTree::Rebuild() {
    listing_.Rebuild();
    ShowItems();
}

void DirectoryTree::ShowItems() {
    clear();
    for (const DirectoryItem& shown : listing_.Items()) {
        auto* entry = new QListWidgetItem(QString::fromStdString(shown.text), this);
        const QString path = QString::fromStdString(shown.path);
        entry->setData(PathRole, path);
        entry->setData(LevelRole, shown.level);
        entry->setData(OpenRole, shown.open);
        entry->setData(BaseMarkRole, shown.baseMark);
        entry->setToolTip(path);
    }
    setCurrentRow(listing_.CurrentDirectoryRow());
}

QString DirectoryTree::ItemPath(int row) const {
    return QString::fromStdString(listing_.ItemPath(row));
}

QString DirectoryTree::JoinedItemPath(int row) const {
    return QString::fromStdString(listing_.JoinedItemPath(row));
}

QString DirectoryTree::BasePath(int row) const {
    return QString::fromStdString(listing_.BasePath(row));
}

void DirectoryTree::SelectIndex(int row) {
    if (row >= 0 && row < count()) setCurrentRow(row);
}

int DirectoryTree::FindItem(const QString& text) const {
    return listing_.FindItem(text.toStdString());
}

void DirectoryTree::MarkBaseDirectories() {
    listing_.MarkBaseDirectories();
    const auto& items = listing_.Items();
    for (int row = 0; row < count() && row < listing_.Count(); ++row)
        item(row)->setData(BaseMarkRole, items[static_cast<std::size_t>(row)].baseMark);
    viewport()->update();
}

void DirectoryTree::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
        const QString path = ItemPath(currentRow());
        RunGuarded(this, [&] { SetCurrentDirectory(path); });
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DirectoryTree::keyReleaseEvent(QKeyEvent* event) {
    QListWidget::keyReleaseEvent(event);
    emit keyReleased();
}

void DirectoryTree::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    emit mouseReleased();
}

void DirectoryTree::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    const QListWidgetItem* entry = itemAt(event->position().toPoint());
    if (entry && event->button() == Qt::LeftButton) {
        const QString path = entry->data(PathRole).toString();
        RunGuarded(this, [&] { SetCurrentDirectory(path); });
    }
}

void DirectoryTree::mousePressEvent(QMouseEvent* event) {
    // The context menu acts on the selected item: the right button leaves it alone.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

}  // namespace ter5::base
