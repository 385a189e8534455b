// Cursor files: images through Qt, hot spots from the file, the table by number,
// and the per-user data directory that receives the shipped files.

#include "app/CursorTable.h"

#include <QFile>

#include "AppTestSupport.h"
#include "app/DataDirectory.h"

namespace ter5::app {
namespace {

QByteArray Resource(const QString& name) {
    QFile file(QStringLiteral(":/cursors/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(CursorTable, ShippedFilesCarryImageAndHotSpot) {
    testing::ScratchDir dir;
    PrepareDataDirectory(QString::fromStdString(dir.Str()));  // also brings the resources in
    const auto zoom = ReadCursorFile(Resource(QStringLiteral("zoomin.cur")));
    ASSERT_TRUE(zoom.has_value());
    EXPECT_EQ(zoom->image.size(), QSize(32, 32));
    EXPECT_EQ(zoom->hotSpot, QPoint(12, 12));
    // The arrow's hot spot is its tip, which is drawn.
    const auto pick = ReadCursorFile(Resource(QStringLiteral("pick.cur")));
    EXPECT_GT(qAlpha(pick->image.pixel(pick->hotSpot)), 0);
}

TEST(CursorTable, DamagedFilesAreRefused) {
    QByteArray bytes = Resource(QStringLiteral("zoomin.cur"));
    EXPECT_FALSE(ReadCursorFile(bytes.left(20)).has_value());
    QByteArray icon = bytes;
    icon[2] = 1;  // an icon, not a cursor
    EXPECT_FALSE(ReadCursorFile(icon).has_value());
    QByteArray broken = bytes;
    broken.truncate(60);
    EXPECT_FALSE(ReadCursorFile(broken).has_value());
}

TEST(CursorTable, LoadsByNumberFromTheStartDirectory) {
    testing::ScratchDir dir;
    const QString path = QString::fromStdString(dir.Str());
    const QStringList written = PrepareDataDirectory(path);
    EXPECT_EQ(written.size(), 14);  // thirteen cursors and the template tables
    EXPECT_TRUE(PrepareDataDirectory(path).isEmpty());
    // A file copied from Windows in upper case, a missing one and a damaged one.
    QFile::rename(path + QStringLiteral("/zoomout.cur"), path + QStringLiteral("/ZOOMOUT.CUR"));
    QFile::remove(path + QStringLiteral("/rotate.cur"));
    QFile damaged(path + QStringLiteral("/pick.cur"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a cursor");
    damaged.close();

    CursorTable table;
    EXPECT_EQ(table.LoadFrom(path), 11);
    EXPECT_TRUE(table.Loaded(11));
    EXPECT_EQ(table.Cursor(10).hotSpot(), QPoint(12, 12));
    EXPECT_EQ(table.Cursor(12).pixmap().size(), QSize(32, 32));
    for (int missing : {20, 21, 99}) {
        EXPECT_FALSE(table.Loaded(missing));
        EXPECT_EQ(table.Cursor(missing).shape(), Qt::ArrowCursor);
    }
}

}  // namespace
}  // namespace ter5::app
