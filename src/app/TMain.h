#pragma once
// The main window: bevel, tool bars, the drive box and directory tree, the map
// panel, the parcel and owner grids and the status bar; the main menu, the tray
// icon with its two menus, and the commands of the shell: showing and hiding,
// opening a base by selecting it in the tree, starting the companion program,
// the quick-start list, the directory commands, the map commands, the search
// and the about window.
//
// The program lives in the tray: the window starts hidden (unless asked to show,
// or when the desktop has no tray), closing and minimising hide it, and only
// "Выход" ends the program. Without a tray the window is an ordinary one.

#include <QMainWindow>
#include <QSystemTrayIcon>
#include <memory>

#include "base/TDM.h"
#include "map/MapObjects.h"
#include "templates/Reindexer.h"

class QAction;
class QActionGroup;
class QFrame;
class QLineEdit;
class QMenu;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;

namespace ter5::base {
class DirectoryCommands;
class DirectoryTree;
class DriveBox;
class GridPanel;
class Platform;
class TNewForm;
}  // namespace ter5::base

namespace ter5::templates {
class TemplateStore;
class TemplateWindows;
class TRepairBase;
}

namespace ter5::map {
class MapWidget;
}

namespace ter5::exchange {
class ExportDialog;
}

namespace ter5::search {
class DataModuleSearchHost;
class SeekCommands;
}  // namespace ter5::search

namespace ter5::app {

class MapPanel;
class MapStatusBar;
class ParcelCursorLink;
class THelp;
class TInfo;

class TMain : public QMainWindow, public templates::ReindexHost {
    Q_OBJECT

public:
    struct Options {
        bool trayAvailable = true;    // the desktop has a system tray
        bool showAtStart = false;     // show the window at start (--show)
        QString startDirectory;       // the start-up directory; the current one if empty
        std::shared_ptr<base::Platform> platform;  // the host system; the real one if null
        bool offerDemoBase = false;   // a first start with no base: offer to create the demo base
    };

    explicit TMain(Options options, QWidget* parent = nullptr);
    ~TMain() override;

    // `FormCreate` and the data module's creation: tray icon, cursors, template
    // tables; then the window is shown or stays hidden. With offerDemoBase, once the
    // program runs, OfferDemoBase.
    void Start();

    // "Создать демонстрационную базу?": on Yes writes the demo base "demo" into the
    // start-up directory, shows the window and opens the base, so that a new user sees
    // a map at once; on No nothing happens.
    void OfferDemoBase();

    base::TDM& DM() { return *dm_; }
    templates::TemplateStore* Templates() const { return templates_.get(); }
    base::Platform& HostPlatform() const { return *platform_; }

    // Show and hide (tray menu, double click, close, minimise).
    void RestoreItemClick();
    void HideItemClick();
    void FileExitItem1Click();
    void N4Click();
    void nInfoClick();
    void TrayIconMessage(QSystemTrayIcon::ActivationReason reason);
    void AddTrayIcon();
    void RemoveTrayIcon();
    void HideToTray();
    void RestoreFromTray();
    bool ShowMainWindowFlag() const { return showMainWindow_; }
    bool ExitRequested() const { return exitRequested_; }
    bool TrayAvailable() const { return options_.trayAvailable; }

    // The base: tree selection, the companion program and the quick-start list.
    void SelectTreeDirectory();
    void MarkBaseDirectories();
    void nOpenClick();
    void LaunchCompanionProgram();
    void FillQuickStartMenu();
    void PopupMenu1Popup();
    void PopupMenu2Popup();
    void myFirstPopUp(QAction* item);

    // The tree's context-menu commands.
    void nCreateDirClick();
    void nRenameDirClick();
    void nDeleteDirClick();

    // Opens the base in `directory` as selecting it does: the grids, and with the map
    // button down the geometry, read on a thread of its own while the window keeps
    // painting (the strips of the status bar show how far it got; keys and clicks wait
    // until the map is there); then the map, fitted to all parcels when the base differs
    // from the one opened before. Engine errors propagate.
    void OpenBase(const std::string& directory);

    // The map: drawing, the status-bar progress strips and the commands of the map
    // tool bar, the "Рисунок" menu and the scale box.
    void DrawMap();
    void ShowProgress(double upper, double lower) override;
    void tbShiftObjectClick();
    void EditScaleKeyUp(int key);
    void SpeedButton3MouseUp();
    // A pick on the map: the parcel grid to the parcel, the owner grid to its first owner.
    void LocateParcel(int code);
    void LocateOwner(int code);

    // "Экспорт…" of the "Рисунок" menu (TMainExport.cpp): the open base to GIS files.
    void nExportClick();

    // The search commands "Найти ..." and "Продолжение поиска".
    void nSeekClick();
    void nSeekNextClick();
    search::SeekCommands* Seek() const { return seekCommands_; }

    TInfo* Info() const { return info_; }

    // The user manual in the help window (F1 opens its contents), created on first use.
    void ShowHelp(const QString& page);
    THelp* Help() const { return help_; }

    // The templates (TMainTemplates.cpp): the reindex menu, base creation, the
    // template windows, and the host the template operations work through.
    void N15Click();
    void nCreateClick();
    // "Проверка и восстановление базы": the repair window on the tree's selected directory.
    void nRepairBaseClick();
    templates::TRepairBase* RepairWindow() const { return repairWindow_; }
    void ShowTemplateGroups(const QString& mode);
    templates::TemplateWindows* TemplateLists();
    std::string TargetDirectory() const override;
    void CloseBaseDataSets() override;
    void OpenBaseDirectory(const std::string& directory) override;
    void RefreshStatusBar() override;
    void ShowMessage(const std::string& text) override;

    // Components other parts of the program hang their commands on.
    QFrame* Bevel1 = nullptr;
    QToolBar* ToolBarMain = nullptr;
    QToolBar* ToolBarMap = nullptr;
    QAction *TbOpen = nullptr, *tbCreate = nullptr, *tbFind = nullptr;
    QAction *TBZoom = nullptr, *TBMove = nullptr, *TBPick = nullptr;
    QAction *tbShowMap = nullptr, *tbOpenTable = nullptr;
    QAction *tbZoomIn = nullptr, *tbZoomOut = nullptr;
    QAction *tbViewAll = nullptr, *tbViewObject = nullptr, *tbShiftObject = nullptr;
    QAction *ToolButton17 = nullptr, *ToolButton18 = nullptr;
    QWidget* Panel6 = nullptr;
    QLineEdit* EditScale = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QMenu* PMenuScale = nullptr;

    base::DriveBox* DriveComboBox1 = nullptr;
    base::DirectoryTree* DirectoryListBox1 = nullptr;
    QMenu* PopupMenuDir = nullptr;
    QAction *TER1 = nullptr, *N19 = nullptr, *N23 = nullptr, *N24 = nullptr;
    QAction *nCreateDir = nullptr, *nRenameDir = nullptr, *nDeleteDir = nullptr;
    QSplitter* Splitter1 = nullptr;
    QSplitter* Splitter2 = nullptr;
    MapPanel* MapPanelWidget = nullptr;
    map::MapWidget* MapImage = nullptr;
    base::GridPanel* Panel3 = nullptr;
    MapStatusBar* StatusBar = nullptr;

    QMenu *N8 = nullptr, *N15 = nullptr, *N17 = nullptr, *N10 = nullptr, *N11 = nullptr, *N18 = nullptr;
    QAction *nOpen = nullptr, *nCreate = nullptr;
    QAction *nReindexTERBases = nullptr, *nReindexSelectBase = nullptr, *nReindexEditBases = nullptr;
    QAction* nRepairBase = nullptr;
    QAction *nSeek = nullptr, *nSeekNext = nullptr;
    QAction *sbMapDraw = nullptr, *sbZoomOut = nullptr, *sbZoomIn = nullptr, *sbViewAll = nullptr;
    QAction* nExport = nullptr;
    QAction *cbLine = nullptr, *cbPoints = nullptr, *cbLength = nullptr, *cbNumPoints = nullptr;
    QAction *cbArea = nullptr, *cbPerimetr = nullptr, *cbShadow = nullptr, *cbNumber = nullptr;
    QAction *cbCode = nullptr, *cbMetr1 = nullptr, *cbMetr2 = nullptr, *cbMetr3 = nullptr;
    QAction* cbDeclutter = nullptr;  // "без наложения подписей"
    QAction* nInfo = nullptr;
    QAction* nHelp = nullptr;  // F1: the user manual
    QList<QAction*> NS;  // NS1..NS17 of PMenuScale

    QSystemTrayIcon* TrayIcon = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction *RestoreItem = nullptr, *HideItem = nullptr, *N4 = nullptr, *FileExitItem1 = nullptr;
    QMenu* N5 = nullptr;

    map::TArrObjects MapObjects;

signals:
    // A background geometry load ended (sent from the loading thread, received queued).
    void geometryLoadFinished();
    // Commands whose windows live elsewhere in the program.
    void createBaseRequested();
    void reindexRequested(const QString& mode);
    void reindexMenuOpening();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createActions();
    void createToolBars();
    void createMenus();
    void createTrayMenus();
    void createLayout();
    void ConnectTree();
    void ConnectTemplates();
    void ConnectMap();
    void ConnectDisplayOptions();
    void InstallMapCursors();
    void ConnectSearch();
    void ConnectExport();
    // After the data sets of a base opened: waits for its geometry and shows it.
    void ShowBaseGeometry(bool changed);
    base::TNewForm* NameDialog();
    QAction* AddTool(QToolBar* bar, const QString& name, int image, const QString& hint);

    Options options_;
    std::shared_ptr<base::Platform> platform_;
    std::unique_ptr<base::TDM> dm_;
    std::unique_ptr<templates::TemplateStore> templates_;
    base::DirectoryCommands* directoryCommands_ = nullptr;
    base::TNewForm* newForm_ = nullptr;
    TInfo* info_ = nullptr;
    THelp* help_ = nullptr;
    templates::TemplateWindows* templateLists_ = nullptr;
    templates::TRepairBase* repairWindow_ = nullptr;
    QTimer* trayClickTimer_ = nullptr;
    QActionGroup* mouseTools_ = nullptr;
    QActionGroup* areaUnits_ = nullptr;
    std::unique_ptr<ParcelCursorLink> parcelCursorLink_;
    std::unique_ptr<search::DataModuleSearchHost> searchHost_;
    search::SeekCommands* seekCommands_ = nullptr;
    exchange::ExportDialog* exportDialog_ = nullptr;

    bool firstRestoreDone_ = false;
    bool exitRequested_ = false;
    bool showMainWindow_ = false;
    bool wasMaximised_ = true;
};

}  // namespace ter5::app
