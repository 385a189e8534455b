#pragma once
// The drive box `DriveComboBox1`, linked to the directory tree: choosing a drive
// moves the tree to the directory last visited on that drive (its root at first);
// the tree's moves select the drive holding the new directory (DriveList's rules).
//
// On Windows the drives are the drive letters; elsewhere the home directory, the
// mounted volumes and the drives of the Wine prefix the companion program uses.

#include <QComboBox>

#include "base/DriveList.h"

namespace ter5::base {

class DirectoryTree;

class DriveBox : public QComboBox {
    Q_OBJECT

public:
    explicit DriveBox(DirectoryTree* tree, QWidget* parent = nullptr);

    // Re-reads the drives.
    void Refresh();
    // The drive entry holding `directory` (the longest root that contains it); -1 if none.
    int DriveOf(const QString& directory) const;
    // The root of entry `index`.
    QString DriveRoot(int index) const;

private:
    void AddDrive(const QString& label, const QString& root);
    void DriveChosen(int index);
    void DirectoryChanged(const QString& directory);

    DirectoryTree* tree_;
    DriveList drives_;  // the entries, in the box's order, and where each was left
};

}  // namespace ter5::base
