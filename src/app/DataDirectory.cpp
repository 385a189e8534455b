#include "app/DataDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "app/CursorTable.h"
#include "base/PathNames.h"
#include "engine/FileUtil.h"
#include "templates/TemplateSchema.h"

#ifndef TER5_INSTALLED_DATA_DIR
// The shared data directory relative to the installed program's directory.
#define TER5_INSTALLED_DATA_DIR "../share/ter5manager"
#endif

static void InitDataResources() {
    Q_INIT_RESOURCE(app);
}

namespace ter5::app {
namespace {

// Permissions of a file put into the data directory: the user's to change.
constexpr QFile::Permissions kDataFilePermissions =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;

[[noreturn]] void FailWrite(const QString& target) {
    throw std::runtime_error(QStringLiteral("Невозможно записать файл %1").arg(target).toStdString());
}

// Copies `source` to `target` (a new file; QFile::copy writes a temporary file and
// renames it, so no half-written target is left behind).
void CopyDataFile(const QString& source, const QString& target) {
    if (!QFile::copy(source, target)) FailWrite(target);
    QFile::setPermissions(target, kDataFilePermissions);
}

bool HasFileNoCase(const QString& directory, const char* name) {
    return engine::FindFileNoCase(base::PathFromUtf8(directory.toStdString()), name).has_value();
}

// The files of the template tables in `installed` (each table's .DB and the
// files named like it), or nothing unless every table's .DB is there.
QStringList InstalledTemplateFiles(const QString& installed) {
    if (installed.isEmpty()) return {};
    QStringList stems;
    for (const auto& schema : templates::TemplateTableSchemas()) {
        if (!HasFileNoCase(installed, schema.fileName)) return {};
        stems << QFileInfo(QString::fromLatin1(schema.fileName)).completeBaseName();
    }
    QStringList files;
    for (const QFileInfo& file : QDir(installed).entryInfoList(QDir::Files))
        if (stems.contains(file.completeBaseName(), Qt::CaseInsensitive)) files << file.fileName();
    return files;
}

// Copies the installed template tables into `directory`, all or none.
void CopyTemplateTables(const QString& installed, const QStringList& files, const QString& directory) {
    QStringList copied;
    try {
        for (const QString& name : files) {
            CopyDataFile(QDir(installed).filePath(name), QDir(directory).filePath(name));
            copied << name;
        }
    } catch (...) {
        for (const QString& name : copied) QFile::remove(QDir(directory).filePath(name));
        throw;
    }
}

}  // namespace

bool HoldsBase(const QString& directory) {
    if (base::IsBaseDirectory(directory.toStdString())) return true;
    const QDir dir(directory);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        if (base::IsBaseDirectory(dir.filePath(name).toStdString())) return true;
    return false;
}

QString UserDataDirectory() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/ter5manager"));
}

bool IsUserDataDirectory(const QString& directory) {
    const QFileInfo here(directory);
    const QFileInfo data(UserDataDirectory());
    return data.exists() && here.canonicalFilePath() == data.canonicalFilePath();
}

QString InstalledDataDirectory() {
    const QString dir = QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                                            .filePath(QString::fromUtf8(TER5_INSTALLED_DATA_DIR)));
    return QFileInfo(dir).isDir() ? dir : QString();
}

QStringList PrepareDataDirectory(const QString& directory, const QString& installed) {
    InitDataResources();
    QStringList written;
    for (const CursorFile& cursor : CursorFiles()) {
        if (HasFileNoCase(directory, cursor.fileName)) continue;
        const QString name = QString::fromLatin1(cursor.fileName);
        const QString shipped = installed.isEmpty() ? QString() : QDir(installed).filePath(name);
        const bool fromInstalled = !shipped.isEmpty() && QFileInfo(shipped).isFile();
        CopyDataFile(fromInstalled ? shipped : QStringLiteral(":/cursors/") + name, QDir(directory).filePath(name));
        written << name;
    }
    bool noneThere = true;
    for (const auto& schema : templates::TemplateTableSchemas())
        noneThere = noneThere && !HasFileNoCase(directory, schema.fileName);
    const QStringList installedTables = noneThere ? InstalledTemplateFiles(installed) : QStringList();
    if (!installedTables.isEmpty()) CopyTemplateTables(installed, installedTables, directory);
    if (templates::EnsureTemplateTables(directory.toStdString()) || !installedTables.isEmpty())
        written << QString::fromLatin1(kTemplateTablesWritten);
    return written;
}

}  // namespace ter5::app
