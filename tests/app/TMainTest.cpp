// The main window's life: start-up state, showing and hiding through the tray,
// minimising, closing and "Выход"; menus, captions and shortcuts; the layout.

#include "app/TMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "AppTestSupport.h"
#include "app/MapStatusBar.h"
#include "base/widgets/BaseGrid.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/GridPanel.h"
#include "engine/EngineError.h"
#include "map/widgets/MapWidget.h"
#include "search/widgets/SeekCommands.h"
#include "templates/TemplateStore.h"

namespace ter5::app {
namespace {

using testing::MainWindowFixture;
using testing::Message;

QStringList Captions(const QList<QAction*>& actions) {
    QStringList captions;
    for (const QAction* action : actions) captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

TEST(MainWindowLife, StartsHiddenInTheTray) {
    MainWindowFixture f;
    TMain& w = *f.window;
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.ShowMainWindowFlag());
    EXPECT_TRUE(w.TrayIcon->isVisible());
    EXPECT_EQ(w.TrayIcon->toolTip(), QStringLiteral("TER5 Manager"));
    EXPECT_TRUE(w.RestoreItem->isEnabled());
    EXPECT_FALSE(w.HideItem->isEnabled());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("TER5 Manager v.1.0.0.2"));
    // The template tables were opened from the start-up directory; no base is open.
    EXPECT_TRUE(f.messenger.messages.empty());
    EXPECT_TRUE(w.DM().TNameBase.Active());
    EXPECT_TRUE(w.DM().TField.Active());
    EXPECT_FALSE(w.DM().BaseOpen());
}

TEST(MainWindowLife, DoubleClickShowsThenHidesAndMinimiseHides) {
    MainWindowFixture f;
    TMain& w = *f.window;
    w.TrayIconMessage(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.ShowMainWindowFlag());
    EXPECT_FALSE(w.RestoreItem->isEnabled());
    EXPECT_TRUE(w.HideItem->isEnabled());
    // Every child control comes up with the first showing.
    for (QWidget* child : {static_cast<QWidget*>(w.DirectoryListBox1), static_cast<QWidget*>(w.Panel3),
                           static_cast<QWidget*>(w.ToolBarMap), static_cast<QWidget*>(w.StatusBar)})
        EXPECT_TRUE(child->isVisible()) << child->objectName().toStdString();

    w.TrayIconMessage(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.RestoreItem->isEnabled());
    EXPECT_FALSE(w.HideItem->isEnabled());

    w.RestoreItem->trigger();
    EXPECT_TRUE(w.isVisible());
    w.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.ShowMainWindowFlag());
    EXPECT_TRUE(w.TrayIcon->isVisible());
}

TEST(MainWindowLife, CloseHidesAndOnlyExitEnds) {
    MainWindowFixture f;
    TMain& w = *f.window;
    w.RestoreItemClick();
    EXPECT_FALSE(w.close());  // the close box, Alt+F4
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.ExitRequested());
    EXPECT_TRUE(w.RestoreItem->isEnabled());
    EXPECT_TRUE(w.TrayIcon->isVisible());

    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    w.FileExitItem1->trigger();
    EXPECT_TRUE(w.ExitRequested());
    EXPECT_FALSE(w.TrayIcon->isVisible());
}

TEST(MainWindowLife, WithoutATrayTheWindowShowsAndClosingEnds) {
    MainWindowFixture f(/*trayAvailable=*/false);
    TMain& w = *f.window;
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.TrayIcon->isVisible());
    // Minimising keeps the window reachable instead of hiding it to a tray that is not there.
    w.HideItemClick();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(w.ExitRequested());
}

TEST(MainWindowLife, ShowOptionAndMissingTemplateTables) {
    MainWindowFixture f(/*trayAvailable=*/true, /*showAtStart=*/true, /*templates=*/false);
    EXPECT_TRUE(f.window->isVisible());
    EXPECT_FALSE(f.window->RestoreItem->isEnabled());
    // The engine's error is shown once and start-up goes on with the tables closed.
    ASSERT_EQ(f.messenger.messages.size(), 1u);
    EXPECT_EQ(f.messenger.messages[0].kind, Message::Error);
    EXPECT_TRUE(f.messenger.messages[0].text.contains(QStringLiteral("NameBase"), Qt::CaseInsensitive));
    EXPECT_FALSE(f.window->DM().TNameBase.Active());
    EXPECT_FALSE(f.window->DM().TIndex.Active());
}

TEST(MainWindowMenus, CaptionsShortcutsAndEnabling) {
    MainWindowFixture f;
    TMain& w = *f.window;
    EXPECT_EQ(Captions(w.menuBar()->actions()),
              (QStringList{"База", "Переиндексация", "Поиск", "Рисунок", "Печать", "Отображение", "?"}));
    EXPECT_EQ(Captions(w.N8->actions()), (QStringList{"Открыть", "Создать"}));
    EXPECT_EQ(Captions(w.N15->actions()), (QStringList{"По шаблону выборочно по программе",
                                                       "По шаблону выборочно по базе данных",
                                                       "Проверка и восстановление базы", "-",
                                                       "Редактирование шаблонов"}));
    EXPECT_EQ(Captions(w.N10->actions()),
              (QStringList{"Формирование", "-", "Уменьшение", "Увеличение", "-", "Просмотр всех обїектов", "-",
                           "Экспорт…"}));
    EXPECT_EQ(Captions(w.N18->actions()),
              (QStringList{"линий", "точек", "вычисленных расстояний", "номеров точек", "площади", "периметра",
                           "выбранные объекты", "-", "номера участка", "кода участка", "-", "квадратные метры",
                           "гектары", "тысячи гектаров", "-", "без наложения подписей"}));
    EXPECT_EQ(Captions(w.PopupMenu1->actions()),
              (QStringList{"Открыть", "Скрыть", "Быстрый старт", "-", "О программе ...", "-", "Выход"}));
    EXPECT_EQ(Captions(w.PopupMenuDir->actions()),
              (QStringList{"Открыть базу TER", "Создать базу TER", "-", "Переиндексация выборочно по программе",
                           "Переиндексация выборочно по базе", "-", "Создать каталог", "Переименовать", "Удалить"}));

    EXPECT_EQ(w.nSeek->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    EXPECT_EQ(w.nSeekNext->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(w.sbZoomOut->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(w.sbZoomIn->shortcut(), QKeySequence(Qt::Key_F4));
    EXPECT_EQ(w.sbViewAll->shortcut(), QKeySequence(Qt::Key_F5));

    // Only "Печать" is disabled, with or without a base.
    for (QAction* top : w.menuBar()->actions())
        EXPECT_EQ(top->isEnabled(), top->text() != QStringLiteral("Печать")) << top->text().toStdString();
    EXPECT_TRUE(w.N11->actions().isEmpty());
    EXPECT_TRUE(w.cbLine->isChecked() && w.cbArea->isChecked() && w.cbShadow->isChecked() && w.cbNumber->isChecked());
    EXPECT_TRUE(w.cbDeclutter->isChecked() && w.cbDeclutter->isCheckable());
    w.cbMetr3->trigger();
    EXPECT_FALSE(w.cbMetr2->isChecked());
}

TEST(MainWindowMenus, WithoutABaseMapKeysAndSearchDoNothing) {
    MainWindowFixture f(true, true);
    TMain& w = *f.window;
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F3);
    QTest::keyClick(&w, Qt::Key_F4);
    QTest::keyClick(&w, Qt::Key_F5);
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(w.StatusBar->Panel(0)->text().isEmpty());
    EXPECT_EQ(w.EditScale->text(), QStringLiteral("1"));
    EXPECT_EQ(w.Seek()->SeekRecord(), nullptr);
    EXPECT_TRUE(f.messenger.messages.empty());
}

TEST(MainWindowLayout, ToolBarsSplittersAndStatusBar) {
    MainWindowFixture f(true, true);
    TMain& w = *f.window;
    EXPECT_EQ(Captions(w.ToolBarMain->actions()), (QStringList{"Открыть базу TER", "Создать базу TER", "-", "Найти"}));
    EXPECT_TRUE(w.TBMove->isChecked());
    EXPECT_FALSE(w.TBZoom->isChecked() || w.TBPick->isChecked());
    w.TBPick->trigger();
    EXPECT_TRUE(w.TBPick->isChecked());
    EXPECT_FALSE(w.TBMove->isChecked());
    EXPECT_TRUE(w.tbShowMap->isChecked());
    EXPECT_TRUE(w.tbOpenTable->isChecked());
    EXPECT_EQ(w.TBZoom->toolTip(), QStringLiteral("Масштабирование"));
    EXPECT_EQ(w.tbViewObject->toolTip(), QStringLiteral("Просмотр текущего объекта"));
    EXPECT_EQ(w.EditScale->text(), QStringLiteral("1"));

    for (int i = 0; i < MapStatusBar::kPanelCount; ++i)
        EXPECT_EQ(w.StatusBar->Panel(i)->width(), MapStatusBar::kPanelWidths[i]);
    EXPECT_EQ(w.Splitter1->sizes().at(0), 273);
    EXPECT_EQ(w.Splitter1->handleWidth(), 3);
    EXPECT_NEAR(w.Panel3->DBGrid4()->width(), 313 * w.Panel3->DBGrid4()->FontScale(), 1.0);  // scaled like its columns
}

}  // namespace
}  // namespace ter5::app

namespace ter5::app {
namespace {

// An object whose event handler fails the way a command handler can.
class FailingObject : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) throw engine::EngineError("ter.db: Table is busy");
        return QObject::event(event);
    }
};

TEST(GeneralErrorDisplay, ErrorsEscapingHandlersAreShownAndTheProgramGoesOn) {
    testing::RecordingMessenger messenger;
    FailingObject object;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&object, &event));
    EXPECT_EQ(messenger.messages, (std::vector<Message>{{Message::Error, QStringLiteral("ter.db: таблица занята")}}));
    QEvent again(QEvent::User);
    QCoreApplication::sendEvent(&object, &again);
    EXPECT_EQ(messenger.messages.size(), 2u);
}

// The first start with no base: "Создать демонстрационную базу?"; Yes writes the demo
// base into the start-up directory, shows the window and opens the base with its map.
TEST(MainWindowLife, FirstStartOffersTheDemoBase) {
    MainWindowFixture f(true, false, true, true);
    TMain& w = *f.window;
    EXPECT_TRUE(f.messenger.messages.empty());  // asked once the program runs
    QTest::qWait(20);
    ASSERT_EQ(f.messenger.messages.size(), 1u);
    EXPECT_EQ(f.messenger.messages[0], (Message{Message::Question, QStringLiteral("Создать демонстрационную базу?")}));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.DM().BaseOpen());
    EXPECT_EQ(w.DM().BaseDirectory(), (f.scratch.Path() / "demo").string());
    EXPECT_GT(w.MapObjects.Polys.size(), 480u);  // the demo leaves a few parcels without vertices
    ASSERT_TRUE(w.MapImage->CurrentPicture().has_value());
    EXPECT_EQ(w.DirectoryListBox1->item(w.DirectoryListBox1->SelectedIndex())->text(), QStringLiteral("demo"));
}

TEST(MainWindowLife, FirstStartOfferDeclinedChangesNothing) {
    MainWindowFixture f(true, false, true, true);
    f.messenger.confirm = false;
    QTest::qWait(20);
    ASSERT_EQ(f.messenger.messages.size(), 1u);
    EXPECT_FALSE(f.window->isVisible());
    EXPECT_FALSE(std::filesystem::exists(f.scratch.Path() / "demo"));
    EXPECT_FALSE(f.window->DM().BaseOpen());
}

}  // namespace
}  // namespace ter5::app
