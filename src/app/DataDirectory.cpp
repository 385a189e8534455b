#include "app/DataDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "app/CursorTable.h"
#include "base/PathNames.h"
#include "engine/FileUtil.h"
#include "templates/TemplateSchema.h"

static void InitDataResources() {
    Q_INIT_RESOURCE(app);
}

namespace ter5::app {

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

QStringList PrepareDataDirectory(const QString& directory) {
    InitDataResources();
    QStringList written;
    const std::filesystem::path dir = base::PathFromUtf8(directory.toStdString());
    for (const CursorFile& cursor : CursorFiles()) {
        if (engine::FindFileNoCase(dir, cursor.fileName)) continue;
        const QString name = QString::fromLatin1(cursor.fileName);
        const QString target = QDir(directory).filePath(name);
        if (!QFile::copy(QStringLiteral(":/cursors/") + name, target))
            throw std::runtime_error(QStringLiteral("Невозможно записать файл %1").arg(target).toStdString());
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        written << name;
    }
    if (templates::EnsureTemplateTables(directory.toStdString())) written << QStringLiteral("template tables");
    return written;
}

}  // namespace ter5::app
