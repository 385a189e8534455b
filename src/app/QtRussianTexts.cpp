#include "app/QtRussianTexts.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>

namespace ter5::app {

namespace {

// Qt's English texts that the program's windows show, and their Russian.
const QHash<QString, QString>& Texts() {
    static const QHash<QString, QString> texts = {
        // Buttons (QPlatformTheme, QDialogButtonBox, QMessageBox).
        {QStringLiteral("OK"), QStringLiteral("ОК")},
        {QStringLiteral("&OK"), QStringLiteral("&ОК")},
        {QStringLiteral("Cancel"), QStringLiteral("Отмена")},
        {QStringLiteral("&Cancel"), QStringLiteral("&Отмена")},
        {QStringLiteral("&Yes"), QStringLiteral("&Да")},
        {QStringLiteral("&No"), QStringLiteral("&Нет")},
        {QStringLiteral("Yes to &All"), QStringLiteral("Да для &всех")},
        {QStringLiteral("N&o to All"), QStringLiteral("Н&ет для всех")},
        {QStringLiteral("Close"), QStringLiteral("Закрыть")},
        {QStringLiteral("&Close"), QStringLiteral("&Закрыть")},
        {QStringLiteral("Save"), QStringLiteral("Сохранить")},
        {QStringLiteral("&Save"), QStringLiteral("&Сохранить")},
        {QStringLiteral("Save All"), QStringLiteral("Сохранить все")},
        {QStringLiteral("Open"), QStringLiteral("Открыть")},
        {QStringLiteral("&Open"), QStringLiteral("&Открыть")},
        {QStringLiteral("&Choose"), QStringLiteral("&Выбрать")},
        {QStringLiteral("Apply"), QStringLiteral("Применить")},
        {QStringLiteral("Reset"), QStringLiteral("Сбросить")},
        {QStringLiteral("Help"), QStringLiteral("Справка")},
        {QStringLiteral("Discard"), QStringLiteral("Не сохранять")},
        {QStringLiteral("Abort"), QStringLiteral("Прервать")},
        {QStringLiteral("Retry"), QStringLiteral("Повторить")},
        {QStringLiteral("Ignore"), QStringLiteral("Пропустить")},
        {QStringLiteral("Restore Defaults"), QStringLiteral("Восстановить значения по умолчанию")},
        {QStringLiteral("Show Details..."), QStringLiteral("Подробнее...")},
        {QStringLiteral("Hide Details..."), QStringLiteral("Скрыть подробности...")},
        // The context menu of text fields (QLineEdit, QWidgetTextControl).
        {QStringLiteral("&Undo"), QStringLiteral("&Отменить действие")},
        {QStringLiteral("&Redo"), QStringLiteral("&Повторить действие")},
        {QStringLiteral("Cu&t"), QStringLiteral("&Вырезать")},
        {QStringLiteral("&Copy"), QStringLiteral("&Копировать")},
        {QStringLiteral("&Paste"), QStringLiteral("Вст&авить")},
        {QStringLiteral("Delete"), QStringLiteral("Удалить")},
        {QStringLiteral("Select All"), QStringLiteral("Выделить всё")},
        {QStringLiteral("Copy &Link Location"), QStringLiteral("Копировать &адрес ссылки")},
        // The file dialog (QFileDialog, QFileSystemModel).
        {QStringLiteral("Look in:"), QStringLiteral("Папка:")},
        {QStringLiteral("File &name:"), QStringLiteral("&Имя файла:")},
        {QStringLiteral("File name"), QStringLiteral("Имя файла")},
        {QStringLiteral("Files of type:"), QStringLiteral("Тип файлов:")},
        {QStringLiteral("Back"), QStringLiteral("Назад")},
        {QStringLiteral("Forward"), QStringLiteral("Вперёд")},
        {QStringLiteral("Parent Directory"), QStringLiteral("Родительский каталог")},
        {QStringLiteral("Create New Folder"), QStringLiteral("Создать папку")},
        {QStringLiteral("List View"), QStringLiteral("Список")},
        {QStringLiteral("Detail View"), QStringLiteral("Подробный вид")},
        {QStringLiteral("Sidebar"), QStringLiteral("Боковая панель")},
        {QStringLiteral("Files"), QStringLiteral("Файлы")},
        {QStringLiteral("Name"), QStringLiteral("Имя")},
        {QStringLiteral("Size"), QStringLiteral("Размер")},
        {QStringLiteral("Type"), QStringLiteral("Тип")},
        {QStringLiteral("Kind"), QStringLiteral("Вид")},
        {QStringLiteral("Date Modified"), QStringLiteral("Дата изменения")},
        {QStringLiteral("My Computer"), QStringLiteral("Мой компьютер")},
        {QStringLiteral("Computer"), QStringLiteral("Компьютер")},
        {QStringLiteral("All Files (*)"), QStringLiteral("Все файлы (*)")},
        {QStringLiteral("Directories"), QStringLiteral("Каталоги")},
        {QStringLiteral("Directory:"), QStringLiteral("Каталог:")},
        {QStringLiteral("New Folder"), QStringLiteral("Новая папка")},
        {QStringLiteral("&New Folder"), QStringLiteral("&Новая папка")},
        {QStringLiteral("&Rename"), QStringLiteral("&Переименовать")},
        {QStringLiteral("&Delete"), QStringLiteral("&Удалить")},
        {QStringLiteral("Show &hidden files"), QStringLiteral("Показать &скрытые файлы")},
        {QStringLiteral("Recent Places"), QStringLiteral("Недавние места")},
        {QStringLiteral("Remove"), QStringLiteral("Убрать")},
        {QStringLiteral("Show "), QStringLiteral("Показать ")},
        {QStringLiteral("File"), QStringLiteral("Файл")},
        {QStringLiteral("File Folder"), QStringLiteral("Папка")},
        {QStringLiteral("Folder"), QStringLiteral("Папка")},
        {QStringLiteral("Alias"), QStringLiteral("Ссылка")},
        {QStringLiteral("Shortcut"), QStringLiteral("Ярлык")},
        {QStringLiteral("Unknown"), QStringLiteral("Неизвестный")},
        {QStringLiteral("Drive"), QStringLiteral("Диск")},
    };
    return texts;
}

}  // namespace

QString QtRussianTexts::translate(const char*, const char* sourceText, const char*, int) const {
    if (sourceText == nullptr) return {};
    return Texts().value(QString::fromUtf8(sourceText));
}

void InstallRussianTexts(QCoreApplication& application) {
    // Translators installed later are asked first: Qt's own over the built-in ones.
    application.installTranslator(new QtRussianTexts(&application));
    auto* qt = new QTranslator(&application);
    if (qt->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(qt);
    else
        delete qt;
}

}  // namespace ter5::app
