#pragma once
// `MapImageList`: the images of the menus, tool buttons and base marks by their
// index. Each comes from the desktop's icon theme where a freedesktop name fits,
// otherwise (and when the theme lacks it) from the images built into the program.

#include <QIcon>
#include <QList>

namespace ter5::base {

// The icon of image `index`; a null icon for an index the program does not use.
QIcon ImageListIcon(int index);

// Every index the program uses.
QList<int> ImageListIndexes();

// The freedesktop theme name of image `index`; empty when none fits.
QString ImageListThemeName(int index);

// A folder glyph of the directory tree.
QIcon FolderIcon(bool open);

// The program's own icon (window and tray).
QIcon ApplicationIcon();

}  // namespace ter5::base
