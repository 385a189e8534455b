#pragma once
// The application's cursor table: the mouse cursors of the map tools under fixed
// numbers, loaded at start-up from the cursor files in the start-up directory.
// A number whose file is missing or unreadable keeps the standard arrow.
//
//   10 zoomin.cur     11 zoomout.cur    12 handmove.cur   16 pointsins.cur
//   20 pick.cur       21 rotate.cur     22 rotateleft.cur 23 rotatetop.cur
//   30 polygon.cur    31 polygonline.cur 32 polygonedit.cur 33 polygonmove.cur
//   40 pointnew.cur

#include <QByteArray>
#include <QCursor>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QVector>
#include <optional>

namespace ter5::app {

struct CursorFile {
    int number;
    const char* fileName;
};

// The thirteen cursors in loading order.
QVector<CursorFile> CursorFiles();

// A cursor image with its hot spot, read from the bytes of a Windows .cur file
// (the first image of the file). nullopt when the bytes are no readable cursor.
struct CursorImage {
    QImage image;
    QPoint hotSpot;
};
std::optional<CursorImage> ReadCursorFile(const QByteArray& bytes);

class CursorTable {
public:
    // Loads every cursor file from `directory`; returns how many were loaded.
    int LoadFrom(const QString& directory);

    // The cursor under `number`; the arrow when none was loaded.
    QCursor Cursor(int number) const;
    bool Loaded(int number) const { return cursors_.contains(number); }

    // The table of the running program.
    static CursorTable& Instance();

private:
    QHash<int, QCursor> cursors_;
};

}  // namespace ter5::app
