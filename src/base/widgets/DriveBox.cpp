#include "base/widgets/DriveBox.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include "base/WinePaths.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/Messenger.h"

namespace ter5::base {

namespace {

// File systems that hold no user files.
bool IsSystemVolume(const QStorageInfo& volume) {
    static const QList<QByteArray> pseudo = {"proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2",
                                             "securityfs", "pstore", "debugfs", "tracefs", "mqueue",
                                             "hugetlbfs", "fusectl", "configfs", "bpf", "autofs",
                                             "binfmt_misc", "overlay", "squashfs", "nsfs", "ramfs", "efivarfs"};
    if (pseudo.contains(volume.fileSystemType())) return true;
    const QString root = volume.rootPath();
    for (const char* prefix : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot/efi"}) {
        const QString p = QString::fromLatin1(prefix);
        if (root == p || root.startsWith(p + QLatin1Char('/'))) return true;
    }
    return false;
}

}  // namespace

DriveBox::DriveBox(DirectoryTree* tree, QWidget* parent) : QComboBox(parent), tree_(tree) {
    setObjectName(QStringLiteral("DriveComboBox1"));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(10);
    Refresh();
    connect(this, &QComboBox::activated, this, &DriveBox::DriveChosen);
    connect(tree_, &DirectoryTree::directoryChanged, this, &DriveBox::DirectoryChanged);
}

void DriveBox::AddDrive(const QString& label, const QString& root) {
    const int before = drives_.Count();
    drives_.Add(label.toStdString(), root.toStdString());
    if (drives_.Count() > before) addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), label, root);
}

void DriveBox::Refresh() {
    const QSignalBlocker blocker(this);
    clear();
    drives_.Clear();
#ifdef _WIN32
    std::vector<std::string> roots;
    for (const QFileInfo& drive : QDir::drives())
        roots.push_back(QDir::toNativeSeparators(drive.absolutePath()).toStdString());
    for (const Drive& drive : WindowsDrives(roots))
        AddDrive(QString::fromStdString(drive.label), QString::fromStdString(drive.root));
#else
    AddDrive(tr("Домашний каталог"), QDir::homePath());
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || IsSystemVolume(volume)) continue;
        const QString name = volume.displayName();
        AddDrive(name == volume.rootPath() ? name : QStringLiteral("%1 (%2)").arg(name, volume.rootPath()),
                 volume.rootPath());
    }
    // The Wine drives: the dosdevices links "c:" … "z:" of the prefix.
    const QDir devices(QString::fromStdString((WinePathMapper::DefaultPrefix() / "dosdevices").string()));
    for (const QFileInfo& drive : devices.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString name = drive.fileName();
        if (name.size() != 2 || !name.endsWith(QLatin1Char(':')) || !name.at(0).isLetter()) continue;
        const QString target = drive.canonicalFilePath();
        if (target.isEmpty() || target == QLatin1String("/")) continue;
        AddDrive(tr("%1 (Wine)").arg(name.toUpper()), target);
    }
#endif
    setCurrentIndex(DriveOf(tree_->CurrentDirectory()));
}

int DriveBox::DriveOf(const QString& directory) const {
    return drives_.DriveOf(directory.toStdString());
}

QString DriveBox::DriveRoot(int index) const {
    return QString::fromStdString(drives_.Root(index));
}

void DriveBox::DriveChosen(int index) {
    const QString target = QString::fromStdString(drives_.Target(index));
    if (target.isEmpty()) return;
    RunGuarded(this, [&] { tree_->SetCurrentDirectory(target); });
    const QSignalBlocker blocker(this);
    setCurrentIndex(DriveOf(tree_->CurrentDirectory()));
}

void DriveBox::DirectoryChanged(const QString& directory) {
    const int drive = drives_.Shown(directory.toStdString());
    const QSignalBlocker blocker(this);
    setCurrentIndex(drive);
}

}  // namespace ter5::base
