#include "base/widgets/DirectoryTree.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "base/PathNames.h"
#include "base/widgets/DirectoryItemDelegate.h"
#include "base/widgets/Messenger.h"

namespace ter5::base {

namespace {

std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

DirectoryTree::DirectoryTree(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("DirectoryListBox1"));
    setItemDelegate(new DirectoryItemDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    current_ = Native(QDir::currentPath());
    Rebuild();
}

void DirectoryTree::SetCurrentDirectory(const QString& path) {
    const QString absolute = Native(QDir::cleanPath(QDir(current_).absoluteFilePath(QDir::fromNativeSeparators(path))));
    std::error_code ec;
    const auto target = PathFromUtf8(ToUtf8(absolute));
    if (!std::filesystem::is_directory(target, ec))
        throw std::runtime_error(tr("Каталог %1 не найден").arg(absolute).toStdString());
    std::filesystem::current_path(target, ec);
    if (ec) throw std::runtime_error(tr("Невозможно перейти в каталог %1: %2")
                                         .arg(absolute, QString::fromLocal8Bit(ec.message().c_str()))
                                         .toStdString());
    const bool changed = absolute != current_;
    current_ = absolute;
    Rebuild();
    if (changed) emit directoryChanged(current_);
}

void DirectoryTree::AddItem(const QString& text, const QString& path, int level, bool open) {
    auto* item = new QListWidgetItem(text, this);
    item->setData(PathRole, path);
    item->setData(LevelRole, level);
    item->setData(OpenRole, open);
    item->setData(BaseMarkRole, false);
    item->setToolTip(path);
}

void DirectoryTree::Rebuild() {
    clear();
    const QString generic = QDir::fromNativeSeparators(current_);
    const QString rootPath = QDir(generic).rootPath();  // "/" or "C:/"
    AddItem(Native(rootPath), Native(rootPath), 0, true);

    // The path items, one per directory from the root down to the current one.
    const QStringList parts = generic.mid(rootPath.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path = rootPath;
    int level = 1;
    for (const QString& part : parts) {
        if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
        path += part;
        AddItem(part, Native(path), level++, true);
    }
    currentRow_ = count() - 1;

    // The sub-directories of the current directory, in name order.
    QDir dir(generic);
    QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable, QDir::NoSort);
    names.removeIf([](const QString& name) { return name.startsWith(QLatin1Char('.')); });
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(), collator);
    for (const QString& name : names) AddItem(name, Native(dir.absoluteFilePath(name)), level, false);

    setCurrentRow(currentRow_);
    MarkBaseDirectories();
}

QString DirectoryTree::ItemPath(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(PathRole).toString() : QString();
}

QString DirectoryTree::JoinedItemPath(int row) const {
    const QListWidgetItem* entry = item(row);
    // The root, the path items and the current directory are meant to name nothing
    // when joined; joining them would hit a sub-directory that happens to share an
    // ancestor's name (a home folder "demo" over a base "demo"), so they name nothing.
    if (!entry || entry->data(OpenRole).toBool()) return QString();
    return QString::fromStdString(JoinPath(ToUtf8(current_), ToUtf8(entry->text())));
}

QString DirectoryTree::BasePath(int row) const {
    if (row == currentRow_ && item(row)) return current_;
    return JoinedItemPath(row);
}

void DirectoryTree::SelectIndex(int row) {
    if (row >= 0 && row < count()) setCurrentRow(row);
}

int DirectoryTree::FindItem(const QString& text) const {
    for (int row = 0; row < count(); ++row) {
        if (item(row)->text().compare(text, Qt::CaseInsensitive) == 0) return row;
    }
    return -1;
}

void DirectoryTree::MarkBaseDirectories() {
    for (int row = 0; row < count(); ++row) {
        const QString base = BasePath(row);
        item(row)->setData(BaseMarkRole, !base.isEmpty() && IsBaseDirectory(ToUtf8(base)));
    }
    viewport()->update();
}

void DirectoryTree::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
        const QString path = ItemPath(currentRow());
        RunGuarded(this, [&] { SetCurrentDirectory(path); });
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DirectoryTree::keyReleaseEvent(QKeyEvent* event) {
    QListWidget::keyReleaseEvent(event);
    emit keyReleased();
}

void DirectoryTree::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    emit mouseReleased();
}

void DirectoryTree::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    const QListWidgetItem* entry = itemAt(event->position().toPoint());
    if (entry && event->button() == Qt::LeftButton) {
        const QString path = entry->data(PathRole).toString();
        RunGuarded(this, [&] { SetCurrentDirectory(path); });
    }
}

void DirectoryTree::mousePressEvent(QMouseEvent* event) {
    // The context menu acts on the selected item: the right button leaves it alone.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

}  // namespace ter5::base
