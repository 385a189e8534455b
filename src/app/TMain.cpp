#include "app/TMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/CursorTable.h"
#include "app/MapPanel.h"
#include "app/MapStatusBar.h"
#include "app/ParcelCursorLink.h"
#include "app/THelp.h"
#include "app/TInfo.h"
#include "base/DemoBase.h"
#include "base/Platform.h"
#include "base/ProgramVersion.h"
#include "base/widgets/DirectoryCommands.h"
#include "base/widgets/DirectoryTree.h"
#include "base/widgets/DriveBox.h"
#include "base/widgets/GridPanel.h"
#include "base/widgets/ImageList.h"
#include "base/widgets/Messenger.h"
#include "base/widgets/TNewForm.h"
#include "search/SearchHost.h"
#include "templates/TemplateStore.h"

namespace ter5::app {

namespace {

constexpr int kLeftPanelWidth = 273;
constexpr int kDriveStripHeight = 34;
constexpr int kGridStripHeight = 153;
constexpr int kSplitterWidth = 3;
// The directory the first start's demo base is written to, in the start-up directory.
constexpr const char* kDemoBaseName = "demo";

}  // namespace

TMain::TMain(Options options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), platform_(options_.platform) {
    if (!platform_) platform_ = base::CreatePlatform();
    if (options_.startDirectory.isEmpty()) options_.startDirectory = QDir::currentPath();
    dm_ = std::make_unique<base::TDM>();
    // Sent from the loading thread; the window's event loop receives it.
    dm_->SetGeometryFinishedHandler([this] { emit geometryLoadFinished(); });

    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("TER5 Manager v.") + QString::fromLatin1(base::kProgramVersion));
    setWindowIcon(base::ApplicationIcon());
    resize(808, 608);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    createActions();
    createToolBars();
    createMenus();
    createTrayMenus();
    createLayout();
    ConnectTree();
    ConnectMap();
    ConnectExport();
    ConnectSearch();
    ConnectTemplates();

    trayClickTimer_ = new QTimer(this);
    trayClickTimer_->setSingleShot(true);
    trayClickTimer_->setInterval(QApplication::doubleClickInterval());
    connect(trayClickTimer_, &QTimer::timeout, this, [this] {
        if (isVisible()) activateWindow();
        PopupMenu2->popup(QCursor::pos());
    });
}

TMain::~TMain() {
    dm_->CloseBaseDataSets();  // a geometry load ends before the window goes
    RemoveTrayIcon();
    // The store unhooks the data module's tables, so it goes first.
    templates_.reset();
}

void TMain::Start() {
    firstRestoreDone_ = false;
    AddTrayIcon();
    HideItem->setEnabled(false);
    RestoreItem->setEnabled(true);
    platform_->AddToRecentDocuments(QCoreApplication::applicationFilePath().toStdString());
    CursorTable::Instance().LoadFrom(options_.startDirectory);
    InstallMapCursors();
    showMainWindow_ = false;

    // The data module's creation: the template tables from the start-up directory.
    templates_ = std::make_unique<templates::TemplateStore>(
        templates::TemplateDataSets{dm_->TNameBase, dm_->TBases, dm_->TField, dm_->TIndex, dm_->Table1},
        options_.startDirectory.toStdString());
    base::RunGuarded(this, [this] { templates_->Open(); });

    // Without a tray the hidden window could not be reached: show it.
    if (options_.showAtStart || !options_.trayAvailable) RestoreItemClick();
    if (options_.offerDemoBase) QTimer::singleShot(0, this, [this] { base::RunGuarded(this, [this] { OfferDemoBase(); }); });
}

void TMain::OfferDemoBase() {
    const QString directory = QDir(options_.startDirectory).filePath(QString::fromLatin1(kDemoBaseName));
    if (!base::Messenger::Current().Ask(
            isVisible() ? this : nullptr, tr("Создать демонстрационную базу?"),
            tr("В каталоге данных программы пока нет ни одной базы. Демонстрационная база (%1 участков "
               "вымышленного посёлка с владельцами и картой) будет создана в каталоге %2.")
                .arg(base::DemoOptions().parcels)
                .arg(directory)))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        base::WriteDemoBase(directory.toStdString(), {});
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    RestoreItemClick();
    DirectoryListBox1->SetCurrentDirectory(options_.startDirectory);
    DirectoryListBox1->setCurrentRow(DirectoryListBox1->FindItem(QString::fromLatin1(kDemoBaseName)));
    MarkBaseDirectories();
    SelectTreeDirectory();
}

void TMain::createLayout() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Bevel1 = new QFrame(central);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setFixedHeight(2);
    column->addWidget(Bevel1);

    // `ControlBar1`: the two tool bars side by side above a bottom edge.
    auto* controlBar = new QFrame(central);
    controlBar->setObjectName(QStringLiteral("ControlBar1"));
    auto* bars = new QHBoxLayout(controlBar);
    bars->setContentsMargins(2, 2, 2, 2);
    bars->setSpacing(4);
    bars->addWidget(ToolBarMain);
    bars->addWidget(ToolBarMap);
    bars->addStretch();
    column->addWidget(controlBar);
    auto* edge = new QFrame(central);
    edge->setFrameShape(QFrame::HLine);
    edge->setFrameShadow(QFrame::Sunken);
    column->addWidget(edge);

    Splitter1 = new QSplitter(Qt::Horizontal, central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);

    auto* panel1 = new QWidget(Splitter1);
    panel1->setObjectName(QStringLiteral("Panel1"));
    auto* left = new QVBoxLayout(panel1);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    auto* driveStrip = new QWidget(panel1);
    driveStrip->setFixedHeight(kDriveStripHeight);
    auto* driveRow = new QHBoxLayout(driveStrip);
    driveRow->setContentsMargins(4, 4, 4, 4);
    DirectoryListBox1 = new base::DirectoryTree(panel1);
    DriveComboBox1 = new base::DriveBox(DirectoryListBox1, driveStrip);
    driveRow->addWidget(DriveComboBox1);
    left->addWidget(driveStrip);
    left->addWidget(DirectoryListBox1);

    Splitter2 = new QSplitter(Qt::Vertical, Splitter1);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(kSplitterWidth);
    Splitter2->setChildrenCollapsible(false);
    MapPanelWidget = new MapPanel(Splitter2);
    Panel3 = new base::GridPanel(*dm_, Splitter2);
    Splitter2->addWidget(MapPanelWidget);
    Splitter2->addWidget(Panel3);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);
    Splitter2->setSizes({height() - kGridStripHeight, kGridStripHeight});

    Splitter1->addWidget(panel1);
    Splitter1->addWidget(Splitter2);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kLeftPanelWidth, width() - kLeftPanelWidth});
    column->addWidget(Splitter1, 1);
    setCentralWidget(central);

    StatusBar = new MapStatusBar(this);
    setStatusBar(StatusBar);

    connect(Panel3, &base::GridPanel::shiftRequested, tbShiftObject, &QAction::trigger);
}

void TMain::closeEvent(QCloseEvent* event) {
    if (exitRequested_ || !options_.trayAvailable) {
        // "Выход" (or, with no tray to live in, the window's close box) ends the program.
        exitRequested_ = true;
        event->accept();
        RemoveTrayIcon();
        QCoreApplication::quit();
        return;
    }
    event->ignore();
    HideToTray();
    HideItem->setEnabled(false);
    RestoreItem->setEnabled(true);
}

void TMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (isMinimized()) {
        // Minimising hides the window to the tray, once the state change is done.
        if (options_.trayAvailable) QMetaObject::invokeMethod(this, &TMain::HideItemClick, Qt::QueuedConnection);
    } else {
        wasMaximised_ = windowState().testFlag(Qt::WindowMaximized);
    }
}

void TMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    MarkBaseDirectories();
}

void TMain::resizeEvent(QResizeEvent* event) {
    // The map image follows the window's size and redraws itself when it changes.
    QMainWindow::resizeEvent(event);
    MarkBaseDirectories();
}

base::TNewForm* TMain::NameDialog() {
    if (!newForm_) newForm_ = new base::TNewForm(this);
    return newForm_;
}

void TMain::nInfoClick() {
    if (!info_) info_ = new TInfo(*platform_, [this](const QString& page) { ShowHelp(page); }, this);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), info_->size());
        frame.moveCenter(screen->availableGeometry().center());
        info_->move(frame.topLeft());
    }
    info_->exec();
}

void TMain::ShowHelp(const QString& page) {
    if (!help_) help_ = new THelp(PlatformLinkOpener(*platform_), this);
    help_->ShowPage(page);
}

void TMain::N4Click() {
    nInfo->trigger();
}

}  // namespace ter5::app
