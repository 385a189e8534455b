#include "app/CursorTable.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>

#include "base/PathNames.h"
#include "engine/FileUtil.h"

namespace ter5::app {

namespace {

constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;

quint16 Word(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(bytes.constData()) + at);
}

}  // namespace

QVector<CursorFile> CursorFiles() {
    return {{10, "zoomin.cur"},  {11, "zoomout.cur"},     {12, "handmove.cur"},    {16, "pointsins.cur"},
            {20, "pick.cur"},    {21, "rotate.cur"},      {22, "rotateleft.cur"},  {23, "rotatetop.cur"},
            {30, "polygon.cur"}, {31, "polygonline.cur"}, {32, "polygonedit.cur"}, {33, "polygonmove.cur"},
            {40, "pointnew.cur"}};
}

std::optional<CursorImage> ReadCursorFile(const QByteArray& bytes) {
    // ICONDIR: reserved 0, type 2 (cursor), image count; then one 16-byte entry per
    // image whose two 16-bit fields after the colour count hold the hot spot.
    if (bytes.size() < kDirectorySize + kEntrySize) return std::nullopt;
    if (Word(bytes, 0) != 0 || Word(bytes, 2) != 2 || Word(bytes, 4) == 0) return std::nullopt;
    CursorImage cursor;
    cursor.hotSpot = QPoint(Word(bytes, kDirectorySize + 4), Word(bytes, kDirectorySize + 6));

    // Qt's icon reader takes the images; it is handed the file marked as an icon
    // so that it does not depend on the reader accepting the cursor type.
    QByteArray asIcon = bytes;
    asIcon[2] = 1;
    asIcon[3] = 0;
    if (!cursor.image.loadFromData(asIcon, "ICO") || cursor.image.isNull()) return std::nullopt;
    const QRect bounds = cursor.image.rect();
    if (!bounds.contains(cursor.hotSpot)) cursor.hotSpot = QPoint(0, 0);
    return cursor;
}

int CursorTable::LoadFrom(const QString& directory) {
    int loaded = 0;
    for (const CursorFile& file : CursorFiles()) {
        // Cursor files copied from Windows may carry any case.
        const auto path = engine::FindFileNoCase(base::PathFromUtf8(directory.toStdString()), file.fileName);
        if (!path) continue;
        QFile in(QString::fromStdString(base::PathToUtf8(*path)));
        if (!in.open(QIODevice::ReadOnly)) continue;
        const auto cursor = ReadCursorFile(in.readAll());
        if (!cursor) continue;
        cursors_.insert(file.number, QCursor(QPixmap::fromImage(cursor->image), cursor->hotSpot.x(),
                                             cursor->hotSpot.y()));
        ++loaded;
    }
    return loaded;
}

QCursor CursorTable::Cursor(int number) const {
    return cursors_.value(number, QCursor(Qt::ArrowCursor));
}

CursorTable& CursorTable::Instance() {
    static CursorTable table;
    return table;
}

}  // namespace ter5::app
