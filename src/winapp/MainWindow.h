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
#include "winapp/WindowClass.h"

namespace ter5::winapp {

class DirectoryView;
class DriveBox;
class GridView;
class MapView;
class SeekDialog;
class TreeCommands;

class MainWindow : private engine::DataSetObserver {
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
    void SetStatusText(int part, const std::string& text);
    void ShowProgress(double upper);
    void ShowError(const std::string& message);
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
};

}  // namespace ter5::winapp
