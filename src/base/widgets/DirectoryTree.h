#pragma once
// The directory tree `DirectoryListBox1` over a DirectoryListing, which holds its
// rules: the root, the path items, the sub-directories, the base marks. Double
// click or Enter on an item makes it the current directory.
//
// Items with the base mark show image 51, 52 when selected, drawn with the item.
// The window re-checks the marks after the events it listens to
// (MarkBaseDirectories).

#include <QListWidget>
#include <QString>

#include "base/DirectoryListing.h"

namespace ter5::base {

class DirectoryTree : public QListWidget {
    Q_OBJECT

public:
    enum ItemRole {
        PathRole = Qt::UserRole,  // the item's full path
        LevelRole,                // indentation level
        OpenRole,                 // drawn as an open folder (root and path items)
        BaseMarkRole,             // carries the base mark
    };

    explicit DirectoryTree(QWidget* parent = nullptr);

    // The current directory, absolute, without a trailing separator (the root
    // excepted).
    QString CurrentDirectory() const { return QString::fromStdString(listing_.CurrentDirectory()); }
    // Makes `path` the current directory (also the process's) and rebuilds the
    // items. Throws std::runtime_error with the file system's message when the
    // directory cannot be entered.
    void SetCurrentDirectory(const QString& path);
    // Re-reads the sub-directories of the current directory (`Update`).
    void Rebuild();

    // The tree's own full path of item `row`.
    QString ItemPath(int row) const;
    // The current directory, a separator and the item's text: what
    // `SelectTreeDirectory` and the marks test. Empty for the root, the path items
    // and the current directory, which name no sub-directory.
    QString JoinedItemPath(int row) const;
    // The directory selecting item `row` opens: the joined path of a sub-directory,
    // the current directory for its own item; empty for the root and the path items
    // above it.
    QString BasePath(int row) const;
    // The row of the current directory's own item.
    int CurrentDirectoryRow() const { return listing_.CurrentDirectoryRow(); }
    int SelectedIndex() const { return currentRow(); }
    void SelectIndex(int row);
    // The row of the first item whose text equals `text` ignoring case; -1 if none.
    int FindItem(const QString& text) const;

    // `MarkBaseDirectories`: sets the base mark of every item whose joined path is a base.
    void MarkBaseDirectories();

signals:
    // The current directory changed (`DirectoryListBox1Change`).
    void directoryChanged(const QString& directory);
    // A key or a mouse button was released over the tree.
    void keyReleased();
    void mouseReleased();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Makes the widget's items those of the listing.
    void ShowItems();

    DirectoryListing listing_;
};

}  // namespace ter5::base
