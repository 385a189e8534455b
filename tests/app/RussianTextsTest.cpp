// The interface speaks Russian: a walk through every window of the program (the main
// window with its menus, tool bars and grids, the tray menus, the search dialog, the about
// window, the manual, the name dialog, the template windows and their edit dialogs, the
// export dialog) and through the Qt windows the user meets in it (message boxes, the file
// dialog, the context menu of a text field) finds no English word in any caption, label,
// button, tool tip, status tip, placeholder or column header. Names stay names: the
// product's, the formats', the settings keys, file names and addresses.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>

#include "AppTestSupport.h"
#include "ModalSteps.h"
#include "app/THelp.h"
#include "app/TInfo.h"
#include "base/DemoBase.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/TNewForm.h"
#include "search/widgets/SeekCommands.h"
#include "search/widgets/TSeekRecord.h"
#include "templates/widgets/TListBases.h"
#include "templates/widgets/TListNameBase.h"
#include "templates/widgets/TemplateDetailLists.h"
#include "templates/widgets/TemplateEditDialogs.h"
#include "templates/widgets/TemplateWindows.h"
#ifdef TER5_HAVE_EXCHANGE
#include "exchange/widgets/ExportDialog.h"
#endif

namespace ter5::app {
namespace {

// Words that are names, not English: the product's, formats and programs, settings keys,
// the map's own status texts ("Zoom: …") and keys of the keyboard.
const QStringList kNames = {
    QStringLiteral("TER5 Manager"), QStringLiteral("TER v.5"), QStringLiteral("TER"),      QStringLiteral("Zoom"),
    QStringLiteral("GeoPackage"),   QStringLiteral("Shapefile"), QStringLiteral("GeoJSON"), QStringLiteral("KML"),
    QStringLiteral("DXF"),          QStringLiteral("CSV"),       QStringLiteral("GDAL"),    QStringLiteral("EPSG"),
    QStringLiteral("proj"),         QStringLiteral("tmerc"),     QStringLiteral("Wine"),    QStringLiteral("Ctrl"),
    QStringLiteral("PathWorkFiles"), QStringLiteral("HomePage"), QStringLiteral("OrderPage"),
    QStringLiteral("ManagerMail"),  QStringLiteral("AdministratorMail"), QStringLiteral("Thunderbird"),
    QStringLiteral("Evolution"),    QStringLiteral("xdg-open"),  QStringLiteral("xdg-utils")};

// The English words of a text: its Latin words of three letters and more, once names,
// paths, file names and addresses are taken out.
QStringList EnglishWords(QString text) {
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    static const QRegularExpression pathsAndFiles(QStringLiteral(R"(\S*[/\\@]\S*|\S+\.[A-Za-z0-9]{2,4}\b|\*\.\w+)"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    text.remove(tags).remove(QLatin1Char('&'));
    for (const QString& name : kNames) text.remove(name);
    text.remove(pathsAndFiles);
    QStringList words;
    for (auto it = word.globalMatch(text); it.hasNext();) words << it.next().captured();
    return words;
}

// Every text a window shows, each with where it was found.
class TextWalk {
public:
    void Window(QWidget* window) {
        if (!window) return;
        Add(window->windowTitle(), window, "title");
        Widget(window);
        for (QWidget* child : window->findChildren<QWidget*>()) Widget(child);
        for (QAction* action : window->findChildren<QAction*>()) Action(action);
    }
    void Menu(QMenu* menu) {
        Add(menu->title(), menu, "menu");
        for (QAction* action : menu->actions()) Action(action);
    }
    QStringList Findings() const { return findings_; }

private:
    void Widget(QWidget* w) {
        Add(w->toolTip(), w, "tool tip");
        Add(w->statusTip(), w, "status tip");
        if (auto* label = qobject_cast<QLabel*>(w)) Add(label->text(), w, "label");
        if (auto* button = qobject_cast<QAbstractButton*>(w)) Add(button->text(), w, "button");
        if (auto* edit = qobject_cast<QLineEdit*>(w)) Add(edit->placeholderText(), w, "placeholder");
        if (auto* group = qobject_cast<QGroupBox*>(w)) Add(group->title(), w, "group");
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i) Add(combo->itemText(i), w, "item");
        if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
            for (int c = 0; c < view->model()->columnCount(); ++c)
                Add(view->model()->headerData(c, Qt::Horizontal).toString(), w, "header");
        }
        if (auto* menu = qobject_cast<QMenu*>(w)) Menu(menu);
    }
    void Action(QAction* action) {
        if (action->isSeparator()) return;
        Add(action->text(), action, "action");
        Add(action->toolTip(), action, "action tip");
        Add(action->statusTip(), action, "action status tip");
        if (action->menu()) Menu(action->menu());
    }
    void Add(const QString& text, const QObject* where, const char* what) {
        const QStringList words = EnglishWords(text);
        if (!words.isEmpty())
            findings_ << QStringLiteral("%1 %2 (%3): \"%4\"")
                             .arg(QString::fromLatin1(where->metaObject()->className()), where->objectName(),
                                  QString::fromLatin1(what), text);
    }
    QStringList findings_;
};

TEST(RussianTexts, NoWindowOfTheProgramShowsAnEnglishWord) {
    testing::MainWindowFixture f(true, true);
    TMain& w = *f.window;
    const auto bases = f.scratch.Make("bases");
    base::WriteDemoBase(bases / "demo", {.parcels = 20, .seed = 2});
    w.DirectoryListBox1->SetCurrentDirectory(QString::fromStdString(bases.string()));
    const int row = w.DirectoryListBox1->FindItem(QStringLiteral("demo"));
    QTest::mouseClick(w.DirectoryListBox1->viewport(), Qt::LeftButton, {},
                      w.DirectoryListBox1->visualItemRect(w.DirectoryListBox1->item(row)).center());
    ASSERT_TRUE(w.DM().BaseOpen());

    TextWalk walk;
    walk.Window(&w);
    walk.Menu(w.PopupMenu1);
    walk.Menu(w.PopupMenuDir);
    walk.Menu(w.PMenuScale);
    // The modal windows, each walked while it is open.
    const auto walkAndClose = [&](QWidget* modal) {
        walk.Window(modal);
        if (modal) modal->close();
    };
    testing::RunWithModalSteps({walkAndClose}, [&] { w.nSeek->trigger(); });
    testing::RunWithModalSteps({walkAndClose}, [&] { w.nInfo->trigger(); });
    testing::RunWithModalSteps({walkAndClose}, [&] { w.nCreateDir->trigger(); });
#ifdef TER5_HAVE_EXCHANGE
    testing::RunWithModalSteps({walkAndClose}, [&] { w.nExport->trigger(); });
#endif
    w.ShowHelp(QStringLiteral("index.html"));
    walk.Window(w.Help());
    w.Help()->close();
    // The template windows and their edit dialogs.
    templates::TemplateWindows* lists = w.TemplateLists();
    ASSERT_NE(lists, nullptr);
    for (const QString& mode : {QStringLiteral("Edit"), QStringLiteral("ReIndex"), QStringLiteral("Select"),
                                QStringLiteral("CreateTerBases")}) {
        lists->ListNameBase()->SetMode(mode);
        walk.Window(lists->ListNameBase());
    }
    walk.Window(lists->ListBases());
    walk.Window(lists->ListField());
    walk.Window(lists->ListIndex());
    templates::TEditNameBase editGroup(w.DM().TNameBase);
    templates::TEditBases editTable(w.DM().TBases);
    templates::TEditField editField(w.DM().TField);
    templates::TEditIndex editIndex(w.DM().TIndex);
    for (QWidget* dialog : std::initializer_list<QWidget*>{&editGroup, &editTable, &editField, &editIndex})
        walk.Window(dialog);

    // Qt's own windows as the program shows them.
    QMessageBox box(QMessageBox::Warning, QStringLiteral("TER5 Manager"), QStringLiteral("Текст"),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    walk.Window(&box);
    QFileDialog files(&w, QStringLiteral("Экспорт в ГИС"), QString::fromStdString(bases.string()));
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    walk.Window(&files);
    files.setAcceptMode(QFileDialog::AcceptOpen);
    walk.Window(&files);
    QLineEdit edit;
    std::unique_ptr<QMenu> context(edit.createStandardContextMenu());
    walk.Menu(context.get());

    const QStringList findings = walk.Findings();
    EXPECT_TRUE(findings.isEmpty()) << findings.join(QLatin1Char('\n')).toStdString();
}

}  // namespace
}  // namespace ter5::app
