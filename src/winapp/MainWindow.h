#pragma once
// The Windows program's main window `TMain`: the menus, the tool bar, the status bar,
// the directory tree, the map and the parcel and owner grids, and the tray icon with its
// menu. The program lives in the tray: the window starts hidden (unless asked to show),
// closing and minimising hide it, and only "Выход" ends the program.
//
// The drive box above the tree moves it to another drive; the tree's context menu
// creates, renames and deletes directories. Selecting a directory in the tree opens
// the base in it (the grids, and with the map
// button down its geometry, read on a thread of its own while the window keeps painting
// and the status bar shows how far it got); moving in one grid moves the other; a pick on
// the map moves the grids to the parcel.

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Platform.h"
#include "base/TDM.h"
#include "engine/DataSet.h"
#include "map/MapObjects.h"
#include "map/Viewport.h"
#include "search/SearchHost.h"
#include "templates/Reindexer.h"
#include "winapp/WindowClass.h"

namespace ter5::winapp {

class DirectoryView;
class DriveBox;
class GridView;
class MapView;
class RepairWindow;
class SeekDialog;
class TemplateWindows;
class TreeCommands;

class MainWindow : private engine::DataSetObserver, private templates::ReindexHost {
public:
    struct Options {
        bool showAtStart = false;  // --show
    };

    explicit MainWindow(Options options);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // Keyboard accelerators of the menus (F3, F4, F5).
    HACCEL Accelerators() const { return accelerators_; }

private:
    template <class T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateMenus();
    void CreateToolBar();
    void CreateChildren();
    void CreateTrayIcon();
    void LoadMapCursors();
    void Layout();
    void Command(int id);

    void RestoreFromTray();
    void HideToTray();
    void ShowTrayMenu();
    void FillQuickStartMenu(HMENU menu);

    void SelectTreeDirectory();
    void OpenBase(const std::string& directory);
    void ShowBaseGeometry(bool changed);
    void LaunchCompanionProgram();
    // "Найти ..." and "Продолжение поиска": both need an open base; the dialog is
    // created on first use, beside the map, and kept for the run.
    void SeekCommand();
    void SeekNextCommand();
    POINT PlaceSeekDialog(SIZE dialog) const;
    void ClickOption(int index);
    void SetTool(int id);
    void ShowScaleStatus(const map::ScaleStatus& status);
    // The scale panel in the tool bar: "M 1:", the box `EditScale`, the arrow.
    void CreateScalePanel();
    void PlaceScalePanel();
    void ShowScaleMenu();
    static LRESULT CALLBACK ScaleBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    void SetStatusText(int part, const std::string& text);
    void ShowProgress(double upper);
    void ShowError(const std::string& message);
    // The template tables from the start-up directory, else from the program's own
    // directory; where neither holds them, the start-up directory gets the defaults.
    void OpenTemplates();
    // "Переиндексация" and "Создать": the group list in `mode`.
    void ShowTemplateGroups(const std::string& mode);
    // `N15Click`: the reindex items enabled when the selected directory has tables.
    void EnableReindexItems();

    // What the reindex and the base creation ask of the main window.
    std::string TargetDirectory() const override;
    void CloseBaseDataSets() override { dm_.CloseBaseDataSets(); }
    void OpenBaseDirectory(const std::string& directory) override { OpenBase(directory); }
    void ShowProgress(double upper, double lower) override;
    void RefreshStatusBar() override { SetStatusText(kMessageStatusPart, ""); }
    void ShowMessage(const std::string& text) override;
    // The status bar's part for messages and progress.
    static constexpr int kMessageStatusPart = 4;
    // Runs a command; an error is shown and the program goes on.
    template <typename F>
    void Guarded(F&& step);

    // The parcel query: the map's current parcel follows its cursor.
    void ActiveChanged(engine::DataSet&) override { FollowParcelQuery(); }
    void CursorMoved(engine::DataSet&) override { FollowParcelQuery(); }
    void DataChanged(engine::DataSet&, engine::DataChange) override { FollowParcelQuery(); }
    void FollowParcelQuery();

    Options options_;
    HWND hwnd_ = nullptr;
    HWND toolBar_ = nullptr;
    HWND statusBar_ = nullptr;
    HMENU mainMenu_ = nullptr;
    HMENU optionsMenu_ = nullptr;
    HMENU reindexMenu_ = nullptr;
    HWND scaleLabel_ = nullptr;
    HWND scaleBox_ = nullptr;
    HWND scaleArrow_ = nullptr;
    HACCEL accelerators_ = nullptr;
    NOTIFYICONDATAW trayIcon_{};
    bool trayAdded_ = false;
    UINT taskbarCreated_ = 0;
    bool showMap_ = true;
    bool openTables_ = true;
    std::vector<std::string> quickStart_;
    std::unique_ptr<base::Platform> platform_;
    base::TDM dm_;
    map::TArrObjects mapObjects_;
    std::unique_ptr<DirectoryView> tree_;
    std::unique_ptr<DriveBox> drives_;
    std::unique_ptr<TreeCommands> treeCommands_;
    std::unique_ptr<GridView> parcels_;
    std::unique_ptr<GridView> owners_;
    std::unique_ptr<MapView> map_;
    std::unique_ptr<search::DataModuleSearchHost> searchHost_;
    std::unique_ptr<SeekDialog> seek_;
    std::unique_ptr<templates::TemplateStore> templates_;
    std::unique_ptr<TemplateWindows> templateWindows_;
    std::unique_ptr<RepairWindow> repairWindow_;
};

}  // namespace ter5::winapp
