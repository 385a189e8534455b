// The main window's actions, tool bars, main menu and tray menus.

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "app/THelp.h"
#include "app/TMain.h"
#include "base/widgets/ImageList.h"
#include "base/widgets/Messenger.h"

namespace ter5::app {

namespace {

QAction* MakeAction(QObject* owner, const QString& name, const QString& text, int image = -1) {
    auto* action = new QAction(text, owner);
    action->setObjectName(name);
    if (image >= 0) action->setIcon(base::ImageListIcon(image));
    return action;
}

QAction* MakeCheck(QObject* owner, const QString& name, const QString& text, bool checked) {
    QAction* action = MakeAction(owner, name, text);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

}  // namespace

QAction* TMain::AddTool(QToolBar* bar, const QString& name, int image, const QString& hint) {
    QAction* action = MakeAction(this, name, hint, image);
    action->setToolTip(hint);
    bar->addAction(action);
    if (QWidget* button = bar->widgetForAction(action)) button->setObjectName(name);
    return action;
}

void TMain::createActions() {
    nOpen = MakeAction(this, QStringLiteral("nOpen"), tr("Открыть"), 50);
    nCreate = MakeAction(this, QStringLiteral("nCreate"), tr("Создать"), 49);
    nReindexTERBases = MakeAction(this, QStringLiteral("nReindexTERBases"), tr("По шаблону выборочно по программе"));
    nReindexSelectBase =
        MakeAction(this, QStringLiteral("nReindexSelectBase"), tr("По шаблону выборочно по базе данных"));
    nReindexEditBases = MakeAction(this, QStringLiteral("nReindexEditBases"), tr("Редактирование шаблонов"));
    nRepairBase = MakeAction(this, QStringLiteral("nRepairBase"), tr("Проверка и восстановление базы"));
    nSeek = MakeAction(this, QStringLiteral("nSeek"), tr("Найти ..."), 47);
    nSeek->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    nSeekNext = MakeAction(this, QStringLiteral("nSeekNext"), tr("Продолжение поиска"));
    nSeekNext->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    sbMapDraw = MakeAction(this, QStringLiteral("sbMapDraw"), tr("Формирование"), 8);
    sbZoomOut = MakeAction(this, QStringLiteral("sbZoomOut"), tr("Уменьшение"), 2);
    sbZoomOut->setShortcut(QKeySequence(Qt::Key_F3));
    sbZoomIn = MakeAction(this, QStringLiteral("sbZoomIn"), tr("Увеличение"), 1);
    sbZoomIn->setShortcut(QKeySequence(Qt::Key_F4));
    sbViewAll = MakeAction(this, QStringLiteral("sbViewAll"), tr("Просмотр всех обїектов"), 12);
    sbViewAll->setShortcut(QKeySequence(Qt::Key_F5));

    cbLine = MakeCheck(this, QStringLiteral("cbLine"), tr("линий"), true);
    cbPoints = MakeCheck(this, QStringLiteral("cbPoints"), tr("точек"), false);
    cbLength = MakeCheck(this, QStringLiteral("cbLength"), tr("вычисленных расстояний"), false);
    cbNumPoints = MakeCheck(this, QStringLiteral("cbNumPoints"), tr("номеров точек"), false);
    cbArea = MakeCheck(this, QStringLiteral("cbArea"), tr("площади"), true);
    cbPerimetr = MakeCheck(this, QStringLiteral("cbPerimetr"), tr("периметра"), false);
    cbShadow = MakeCheck(this, QStringLiteral("cbShadow"), tr("выбранные объекты"), true);
    cbNumber = MakeCheck(this, QStringLiteral("cbNumber"), tr("номера участка"), true);
    cbCode = MakeCheck(this, QStringLiteral("cbCode"), tr("кода участка"), false);
    cbMetr1 = MakeCheck(this, QStringLiteral("cbMetr1"), tr("квадратные метры"), false);
    cbMetr2 = MakeCheck(this, QStringLiteral("cbMetr2"), tr("гектары"), true);
    cbMetr3 = MakeCheck(this, QStringLiteral("cbMetr3"), tr("тысячи гектаров"), false);
    cbDeclutter = MakeCheck(this, QStringLiteral("cbDeclutter"), tr("без наложения подписей"), true);
    areaUnits_ = new QActionGroup(this);
    for (QAction* unit : {cbMetr1, cbMetr2, cbMetr3}) areaUnits_->addAction(unit);

    nInfo = MakeAction(this, QStringLiteral("nInfo"), tr("?"));
    nHelp = MakeAction(this, QStringLiteral("nHelp"), tr("Руководство пользователя"));
    nHelp->setShortcut(QKeySequence(Qt::Key_F1));
    nHelp->setShortcutContext(Qt::ApplicationShortcut);
    addAction(nHelp);  // F1 anywhere in the window

    connect(nOpen, &QAction::triggered, this, [this] { base::RunGuarded(this, [this] { nOpenClick(); }); });
    connect(nCreate, &QAction::triggered, this, &TMain::createBaseRequested);
    connect(nReindexTERBases, &QAction::triggered, this, [this] { emit reindexRequested(QStringLiteral("ReIndex")); });
    connect(nReindexSelectBase, &QAction::triggered, this, [this] { emit reindexRequested(QStringLiteral("Select")); });
    connect(nReindexEditBases, &QAction::triggered, this, [this] { emit reindexRequested(QStringLiteral("Edit")); });
    connect(nRepairBase, &QAction::triggered, this, [this] { base::RunGuarded(this, [this] { nRepairBaseClick(); }); });
    connect(nInfo, &QAction::triggered, this, &TMain::nInfoClick);
    connect(nHelp, &QAction::triggered, this, [this] { ShowHelp(QString::fromLatin1(kManualContentsPage)); });
}

void TMain::createToolBars() {
    ToolBarMain = new QToolBar(tr("Основная панель"), this);
    ToolBarMain->setObjectName(QStringLiteral("ToolBarMain"));
    ToolBarMain->setIconSize(QSize(16, 16));
    TbOpen = AddTool(ToolBarMain, QStringLiteral("TbOpen"), 50, tr("Открыть базу TER"));
    tbCreate = AddTool(ToolBarMain, QStringLiteral("tbCreate"), 49, tr("Создать базу TER"));
    ToolBarMain->addSeparator();
    tbFind = AddTool(ToolBarMain, QStringLiteral("tbFind"), 47, tr("Найти"));
    connect(TbOpen, &QAction::triggered, nOpen, &QAction::trigger);
    connect(tbCreate, &QAction::triggered, nCreate, &QAction::trigger);
    connect(tbFind, &QAction::triggered, nSeek, &QAction::trigger);

    ToolBarMap = new QToolBar(tr("Панель карты"), this);
    ToolBarMap->setObjectName(QStringLiteral("ToolBarMap"));
    ToolBarMap->setIconSize(QSize(16, 16));
    TBZoom = AddTool(ToolBarMap, QStringLiteral("TBZoom"), 10, tr("Масштабирование"));
    TBMove = AddTool(ToolBarMap, QStringLiteral("TBMove"), 11, tr("Смещение"));
    TBPick = AddTool(ToolBarMap, QStringLiteral("TBPick"), 35, tr("Выбор"));
    mouseTools_ = new QActionGroup(this);
    for (QAction* tool : {TBZoom, TBMove, TBPick}) {
        tool->setCheckable(true);
        mouseTools_->addAction(tool);
    }
    TBMove->setChecked(true);
    ToolBarMap->addSeparator();
    tbShowMap = AddTool(ToolBarMap, QStringLiteral("tbShowMap"), 32, tr("Показывать карту"));
    tbOpenTable = AddTool(ToolBarMap, QStringLiteral("tbOpenTable"), 46, tr("Открывать таблицы"));
    for (QAction* toggle : {tbShowMap, tbOpenTable}) {
        toggle->setCheckable(true);
        toggle->setChecked(true);
    }
    ToolBarMap->addSeparator();
    tbZoomIn = AddTool(ToolBarMap, QStringLiteral("tbZoomIn"), 1, tr("Увеличение"));
    tbZoomOut = AddTool(ToolBarMap, QStringLiteral("tbZoomOut"), 2, tr("Уменьшение"));
    ToolBarMap->addSeparator();
    tbViewAll = AddTool(ToolBarMap, QStringLiteral("tbViewAll"), 12, tr("Просмотр всех объектов"));
    tbViewObject = AddTool(ToolBarMap, QStringLiteral("tbViewObject"), 13, tr("Просмотр текущего объекта"));
    tbShiftObject = AddTool(ToolBarMap, QStringLiteral("tbShiftObject"), 14, QString());
    ToolBarMap->addSeparator();
    ToolButton17 = AddTool(ToolBarMap, QStringLiteral("ToolButton17"), 16, QString());
    ToolButton18 = AddTool(ToolBarMap, QStringLiteral("ToolButton18"), 15, QString());
    ToolBarMap->addSeparator();
    connect(tbZoomIn, &QAction::triggered, sbZoomIn, &QAction::trigger);
    connect(tbZoomOut, &QAction::triggered, sbZoomOut, &QAction::trigger);
    connect(tbViewAll, &QAction::triggered, sbViewAll, &QAction::trigger);

    // The scale box `Panel6`: "M 1:", the scale edit and the button dropping the scale menu.
    Panel6 = new QWidget(ToolBarMap);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* scaleRow = new QHBoxLayout(Panel6);
    scaleRow->setContentsMargins(4, 0, 0, 0);
    scaleRow->setSpacing(2);
    scaleRow->addWidget(new QLabel(tr("M 1:"), Panel6));
    EditScale = new QLineEdit(QStringLiteral("1"), Panel6);
    EditScale->setObjectName(QStringLiteral("EditScale"));
    EditScale->setFrame(false);
    EditScale->setFixedWidth(70);
    scaleRow->addWidget(EditScale);
    SpeedButton3 = new QToolButton(Panel6);
    SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
    SpeedButton3->setArrowType(Qt::DownArrow);
    SpeedButton3->setAutoRaise(true);
    SpeedButton3->setFixedSize(16, 18);
    scaleRow->addWidget(SpeedButton3);
    PMenuScale = new QMenu(this);
    PMenuScale->setObjectName(QStringLiteral("PMenuScale"));
    ToolBarMap->addWidget(Panel6);
}

void TMain::createMenus() {
    N8 = menuBar()->addMenu(tr("База"));
    N8->setObjectName(QStringLiteral("N8"));
    N8->addAction(nOpen);
    N8->addAction(nCreate);

    N15 = menuBar()->addMenu(tr("Переиндексация"));
    N15->setObjectName(QStringLiteral("N15"));
    N15->addAction(nReindexTERBases);
    N15->addAction(nReindexSelectBase);
    N15->addAction(nRepairBase);
    N15->addSeparator()->setObjectName(QStringLiteral("n20"));
    N15->addAction(nReindexEditBases);
    connect(N15, &QMenu::aboutToShow, this, &TMain::reindexMenuOpening);

    N17 = menuBar()->addMenu(tr("Поиск"));
    N17->setObjectName(QStringLiteral("N17"));
    N17->addAction(nSeek);
    N17->addAction(nSeekNext);

    N10 = menuBar()->addMenu(tr("Рисунок"));
    N10->setObjectName(QStringLiteral("N10"));
    N10->addAction(sbMapDraw);
    N10->addSeparator()->setObjectName(QStringLiteral("N13"));
    N10->addAction(sbZoomOut);
    N10->addAction(sbZoomIn);
    N10->addSeparator()->setObjectName(QStringLiteral("N16"));
    N10->addAction(sbViewAll);

    N11 = menuBar()->addMenu(tr("Печать"));
    N11->setObjectName(QStringLiteral("N11"));
    N11->setEnabled(false);

    N18 = menuBar()->addMenu(tr("Отображение"));
    N18->setObjectName(QStringLiteral("N18"));
    for (QAction* option : {cbLine, cbPoints, cbLength, cbNumPoints, cbArea, cbPerimetr, cbShadow})
        N18->addAction(option);
    N18->addSeparator()->setObjectName(QStringLiteral("N21"));
    N18->addAction(cbNumber);
    N18->addAction(cbCode);
    N18->addSeparator()->setObjectName(QStringLiteral("N12"));
    for (QAction* unit : {cbMetr1, cbMetr2, cbMetr3}) N18->addAction(unit);
    N18->addSeparator()->setObjectName(QStringLiteral("N25"));
    N18->addAction(cbDeclutter);

    menuBar()->addAction(nInfo);

    // The tree's context menu.
    PopupMenuDir = new QMenu(this);
    PopupMenuDir->setObjectName(QStringLiteral("PopupMenuDir"));
    TER1 = PopupMenuDir->addAction(tr("Открыть базу TER"));
    N19 = PopupMenuDir->addAction(tr("Создать базу TER"));
    PopupMenuDir->addSeparator();
    N23 = PopupMenuDir->addAction(tr("Переиндексация выборочно по программе"));
    N24 = PopupMenuDir->addAction(tr("Переиндексация выборочно по базе"));
    PopupMenuDir->addSeparator();
    nCreateDir = PopupMenuDir->addAction(tr("Создать каталог"));
    nRenameDir = PopupMenuDir->addAction(tr("Переименовать"));
    nDeleteDir = PopupMenuDir->addAction(tr("Удалить"));
    TER1->setObjectName(QStringLiteral("TER1"));
    N19->setObjectName(QStringLiteral("N19"));
    N23->setObjectName(QStringLiteral("N23"));
    N24->setObjectName(QStringLiteral("N24"));
    nCreateDir->setObjectName(QStringLiteral("nCreateDir"));
    nRenameDir->setObjectName(QStringLiteral("nRenameDir"));
    nDeleteDir->setObjectName(QStringLiteral("nDeleteDir"));
    // The first four repeat commands of the main menu and do the same.
    connect(TER1, &QAction::triggered, nOpen, &QAction::trigger);
    connect(N19, &QAction::triggered, nCreate, &QAction::trigger);
    connect(N23, &QAction::triggered, nReindexTERBases, &QAction::trigger);
    connect(N24, &QAction::triggered, nReindexSelectBase, &QAction::trigger);
}

void TMain::createTrayMenus() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    RestoreItem = PopupMenu1->addAction(tr("Открыть"));
    RestoreItem->setObjectName(QStringLiteral("RestoreItem"));
    HideItem = PopupMenu1->addAction(tr("Скрыть"));
    HideItem->setObjectName(QStringLiteral("HideItem"));
    N5 = PopupMenu1->addMenu(tr("Быстрый старт"));
    N5->setObjectName(QStringLiteral("N5"));
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N2"));
    N4 = PopupMenu1->addAction(tr("О программе ..."));
    N4->setObjectName(QStringLiteral("N4"));
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N1"));
    FileExitItem1 = PopupMenu1->addAction(tr("Выход"));
    FileExitItem1->setObjectName(QStringLiteral("FileExitItem1"));
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { base::RunGuarded(this, [this] { PopupMenu1Popup(); }); });
    connect(RestoreItem, &QAction::triggered, this, &TMain::RestoreItemClick);
    connect(HideItem, &QAction::triggered, this, &TMain::HideItemClick);
    connect(N4, &QAction::triggered, this, &TMain::N4Click);
    connect(FileExitItem1, &QAction::triggered, this, &TMain::FileExitItem1Click);

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    connect(PopupMenu2, &QMenu::aboutToShow, this, [this] { base::RunGuarded(this, [this] { PopupMenu2Popup(); }); });

    TrayIcon = new QSystemTrayIcon(base::ApplicationIcon(), this);
    TrayIcon->setToolTip(base::ApplicationTitle());
    connect(TrayIcon, &QSystemTrayIcon::activated, this, &TMain::TrayIconMessage);
}

}  // namespace ter5::app
