#include "base/widgets/ImageList.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QStyle>
#include <QSvgRenderer>

static void InitBaseWidgetResources() {
    Q_INIT_RESOURCE(base_widgets);
}

namespace ter5::base {

namespace {

struct ImageEntry {
    int index;
    const char* themeName;  // nullptr: the built-in image only
};

// Index, theme name. The built-in image of index N is ":/icons/NN.svg".
constexpr ImageEntry kImages[] = {
    {1, "zoom-in"},       {2, "zoom-out"},    {8, "view-refresh"}, {10, nullptr},      {11, nullptr},
    {12, "zoom-fit-best"}, {13, nullptr},     {14, nullptr},       {15, nullptr},      {16, nullptr},
    {32, nullptr},        {35, nullptr},      {46, nullptr},       {47, "edit-find"},  {49, "document-new"},
    {50, "document-open"}, {51, nullptr},     {52, nullptr},
};

const ImageEntry* FindEntry(int index) {
    for (const ImageEntry& entry : kImages) {
        if (entry.index == index) return &entry;
    }
    return nullptr;
}

// Renders a built-in SVG at the sizes menus, tool bars and the tree use.
QIcon SvgIcon(const QString& resource) {
    static const bool initialised = (InitBaseWidgetResources(), true);
    Q_UNUSED(initialised);
    QSvgRenderer renderer(resource);
    if (!renderer.isValid()) return QIcon();
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

QIcon ImageListIcon(int index) {
    static QHash<int, QIcon> cache;
    if (const auto found = cache.constFind(index); found != cache.constEnd()) return *found;
    const ImageEntry* entry = FindEntry(index);
    if (!entry) return QIcon();
    const QIcon builtIn = SvgIcon(QStringLiteral(":/icons/%1.svg").arg(index, 2, 10, QLatin1Char('0')));
    const QIcon icon = entry->themeName ? QIcon::fromTheme(QString::fromLatin1(entry->themeName), builtIn) : builtIn;
    cache.insert(index, icon);
    return icon;
}

QList<int> ImageListIndexes() {
    QList<int> indexes;
    for (const ImageEntry& entry : kImages) indexes.append(entry.index);
    return indexes;
}

QString ImageListThemeName(int index) {
    const ImageEntry* entry = FindEntry(index);
    return entry && entry->themeName ? QString::fromLatin1(entry->themeName) : QString();
}

QIcon FolderIcon(bool open) {
    const QIcon fallback = QApplication::style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon);
    return QIcon::fromTheme(open ? QStringLiteral("folder-open") : QStringLiteral("folder"), fallback);
}

QIcon ApplicationIcon() {
    static const QIcon icon = [] {
        QIcon built = SvgIcon(QStringLiteral(":/ter5manager.svg"));
        return built.isNull() ? QIcon::fromTheme(QStringLiteral("ter5manager")) : built;
    }();
    return icon;
}

}  // namespace ter5::base
