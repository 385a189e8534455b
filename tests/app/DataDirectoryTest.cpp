// The per-user data directory filled from an installed program's shared files:
// an administrator's cursor or template group reaches a new user, the template
// tables come as one set, and the copies are the user's to change.

#include "app/DataDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "AppTestSupport.h"
#include "engine/TableLock.h"
#include "templates/TemplateSchema.h"
#include "templates/TemplateStore.h"

namespace ter5::app {
namespace {

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An installed shared directory: the default template tables plus the group
// "Участок" and, as zoomin.cur, the pick cursor; every file read-only, as a
// package installs them for the users.
void MakeInstalledDirectory(const QString& dir) {
    {
        templates::TemplateModule module(dir.toStdString());
        module.SelectGroup("Участок", true);
        module.Store().FlushBuffers();
    }
    ASSERT_TRUE(QFile::copy(QStringLiteral(":/cursors/pick.cur"), dir + QStringLiteral("/zoomin.cur")));
    for (const QFileInfo& file : QDir(dir).entryInfoList(QDir::Files))
        QFile::setPermissions(file.filePath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

// The files of `dir` but the engine's lock file, which reading a table makes.
QStringList FileNames(const QString& dir) {
    QStringList names = QDir(dir).entryList(QDir::Files, QDir::Name);
    names.removeAll(QString::fromLatin1(engine::kLockFileName));
    return names;
}

TEST(DataDirectory, FilledFromTheInstalledCopies) {
    testing::ScratchDir installed, data;
    const QString installedPath = QString::fromStdString(installed.Str());
    const QString dataPath = QString::fromStdString(data.Str());
    MakeInstalledDirectory(installedPath);

    const QStringList written = PrepareDataDirectory(dataPath, installedPath);
    EXPECT_EQ(written.size(), 14);  // thirteen cursors and the template tables
    EXPECT_EQ(FileNames(dataPath).size(), FileNames(installedPath).size() + 12);  // 12 cursors from the program
    EXPECT_EQ(Bytes(dataPath + QStringLiteral("/zoomin.cur")), Bytes(QStringLiteral(":/cursors/pick.cur")));
    EXPECT_EQ(Bytes(dataPath + QStringLiteral("/zoomout.cur")), Bytes(QStringLiteral(":/cursors/zoomout.cur")));
    for (const QString& name : FileNames(dataPath))
        EXPECT_TRUE(QFileInfo(dataPath + QLatin1Char('/') + name).permissions() & QFile::WriteOwner) << name.toStdString();
    {
        templates::TemplateModule copied(dataPath.toStdString());
        EXPECT_FALSE(copied.CreatedDefaults());
        EXPECT_TRUE(copied.SelectGroup("Участок", false));
        EXPECT_TRUE(copied.SelectGroup("TER v.5", false));
    }
    EXPECT_TRUE(PrepareDataDirectory(dataPath, installedPath).isEmpty());
}

TEST(DataDirectory, TemplateTablesComeAsOneSet) {
    testing::ScratchDir installed, partial, blocked;
    const QString installedPath = QString::fromStdString(installed.Str());
    MakeInstalledDirectory(installedPath);

    // A user who kept one template table: the others are made here, and no
    // installed file is put beside it.
    const QString partialPath = QString::fromStdString(partial.Str());
    ASSERT_TRUE(QFile::copy(installedPath + QStringLiteral("/NameBase.DB"), partialPath + QStringLiteral("/NameBase.DB")));
    QFile::setPermissions(partialPath + QStringLiteral("/NameBase.DB"), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_FALSE(PrepareDataDirectory(partialPath, installedPath).contains(QStringLiteral("template tables")));
    for (const auto& schema : templates::TemplateTableSchemas())
        EXPECT_TRUE(QFileInfo::exists(partialPath + QLatin1Char('/') + QString::fromLatin1(schema.fileName)));
    EXPECT_NE(Bytes(partialPath + QStringLiteral("/Bases.DB")), Bytes(installedPath + QStringLiteral("/Bases.DB")));

    // A copy that fails half-way takes back the ones made before it.
    const QString blockedPath = QString::fromStdString(blocked.Str());
    const QString last = FileNames(installedPath).filter(QStringLiteral("NameBase"), Qt::CaseInsensitive).last();
    ASSERT_TRUE(QDir(blockedPath).mkdir(last));
    EXPECT_THROW(PrepareDataDirectory(blockedPath, installedPath), std::runtime_error);
    for (const QString& name : FileNames(blockedPath)) EXPECT_TRUE(name.endsWith(QStringLiteral(".cur"))) << name.toStdString();
}

// The first start offers the demo base only where the user has no base yet: none in the
// directory itself, none in a directory under it.
TEST(DataDirectory, HoldsBaseLooksAtTheDirectoryAndOneLevelBelow) {
    testing::ScratchDir data;
    const QString path = QString::fromStdString(data.Str());
    EXPECT_FALSE(HoldsBase(path));
    testing::WriteBase(data.Path() / "half", {}, {}, {}, {true, true, false});
    testing::WriteSampleBase(data.Path() / "deep" / "er");
    EXPECT_FALSE(HoldsBase(path));
    testing::WriteSampleBase(data.Path() / "Село");
    EXPECT_TRUE(HoldsBase(path));
    EXPECT_TRUE(HoldsBase(QString::fromStdString((data.Path() / "Село").string())));
}

}  // namespace
}  // namespace ter5::app
