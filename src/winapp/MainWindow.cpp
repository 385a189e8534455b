#include "winapp/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "base/CompanionLauncher.h"
#include "base/GeometryLoad.h"
#include "base/GridRows.h"
#include "base/QuickStartList.h"
#include "base/RussianMessages.h"
#include "base/SettingsFile.h"
#include "map/DisplayOptions.h"
#include "search/DialogPlacement.h"
#include "engine/FileUtil.h"
#include "templates/TemplateSchema.h"
#include "templates/TemplateStore.h"
#include "winapp/AboutWindow.h"
#include "winapp/ChildControls.h"
#include "winapp/CommandIds.h"
#include "winapp/DirectoryView.h"
#include "winapp/DriveBox.h"
#include "winapp/GridView.h"
#include "winapp/MapView.h"
#include "winapp/RepairWindow.h"
#include "winapp/SeekDialog.h"
#include "winapp/TemplateWindows.h"
#include "winapp/TreeCommands.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

namespace {

constexpr wchar_t kTitle[] = L"TER5 Manager";
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kTrayIconId = 1;

// Status bar parts: scale, zoom, cursor X, cursor Y, messages and progress.
constexpr int kScalePart = 0;
constexpr int kZoomPart = 1;
constexpr int kCursorXPart = 2;
constexpr int kCursorYPart = 3;
constexpr int kMessagePart = 4;  // MainWindow::kMessageStatusPart

// Width of the directory tree and of the parcel grid, pixels.
constexpr int kTreeWidth = 220;
constexpr int kParcelGridWidth = 340;
// Width of the scale panel in the tool bar, pixels.
constexpr int kScalePanelWidth = 126;

// The cursor resources of the map (ter5manager.rc), by map cursor number.
constexpr int kCursorResourceZoomIn = 10;
constexpr int kCursorResourceZoomOut = 11;
constexpr int kCursorResourceHand = 12;
constexpr int kCursorResourcePick = 20;

void AddItem(HMENU menu, int id, const char* text, UINT flags = MF_STRING) {
    AppendMenuW(menu, flags, static_cast<UINT_PTR>(id), Wide(text).c_str());
}

void AddSeparator(HMENU menu) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
}

void AddSubMenu(HMENU menu, HMENU sub, const char* text, UINT flags = 0) {
    AppendMenuW(menu, MF_POPUP | flags, reinterpret_cast<UINT_PTR>(sub), Wide(text).c_str());
}

}  // namespace

MainWindow::MainWindow(Options options) : options_(options), platform_(base::CreatePlatform()) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!icon) icon = LoadIconW(nullptr, IDI_APPLICATION);
    RegisterWindowClassOnce(kMainWindowClass, ObjectWindowProc<MainWindow>, 0, LoadCursorW(nullptr, IDC_ARROW),
                            reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon);

    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    CreateMenus();
    hwnd_ = CreateWindowExW(0, kMainWindowClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                            CW_USEDEFAULT, 1024, 720, nullptr, mainMenu_, instance, this);
    CreateToolBar();
    CreateChildren();
    LoadMapCursors();
    CreateTrayIcon();
    Layout();
    dm_.TbSubter.AddObserver(*this);
    Guarded([this] { OpenTemplates(); });
    if (options_.showAtStart) RestoreFromTray();
}

MainWindow::~MainWindow() {
    repairWindow_.reset();
    templateWindows_.reset();
    templates_.reset();
    dm_.TbSubter.RemoveObserver(*this);
    if (trayAdded_) Shell_NotifyIconW(NIM_DELETE, &trayIcon_);
    if (accelerators_) DestroyAcceleratorTable(accelerators_);
}

template <typename F>
void MainWindow::Guarded(F&& step) {
    try {
        step();
    } catch (const std::exception& error) {
        // The busy, read-only and damaged-table messages in Russian, as on Linux.
        ShowError(base::UserErrorText(error));
    }
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        // Explorer restarted: the icon is added again.
        trayAdded_ = Shell_NotifyIconW(NIM_ADD, &trayIcon_) != FALSE;
        return 0;
    }
    switch (message) {
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED) {
            HideToTray();  // minimising hides the window
        } else {
            Layout();
        }
        return 0;
    case WM_CLOSE:
        HideToTray();  // closing hides the window; "Выход" ends the program
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        if (drives_ && drives_->Command(reinterpret_cast<HWND>(lParam), HIWORD(wParam))) return 0;
        Command(LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        if (reinterpret_cast<HMENU>(wParam) == reindexMenu_) EnableReindexItems();
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        bool handled = false;
        Guarded([&] {
            handled = (tree_ && tree_->Notify(header, result)) || (parcels_ && parcels_->Notify(header, result)) ||
                      (owners_ && owners_->Notify(header, result));
        });
        if (handled) return result;
        if (header->code == TTN_GETDISPINFOW) return 0;
        break;
    }
    case kTrayMessage:
        switch (LOWORD(lParam)) {
        case WM_LBUTTONDBLCLK:
            RestoreFromTray();
            break;
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU:
            ShowTrayMenu();
            break;
        default:
            break;
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void MainWindow::CreateMenus() {
    mainMenu_ = CreateMenu();
    HMENU base = CreatePopupMenu();
    AddItem(base, kOpen, "Открыть");
    AddItem(base, kCreate, "Создать");
    AddSubMenu(mainMenu_, base, "База");

    reindexMenu_ = CreatePopupMenu();
    AddItem(reindexMenu_, kReindexProgram, "По шаблону выборочно по программе");
    AddItem(reindexMenu_, kReindexBase, "По шаблону выборочно по базе данных");
    AddItem(reindexMenu_, kRepairBase, "Проверка и восстановление базы");
    AddSeparator(reindexMenu_);
    AddItem(reindexMenu_, kEditTemplates, "Редактирование шаблонов");
    AddSubMenu(mainMenu_, reindexMenu_, "Переиндексация");

    HMENU seek = CreatePopupMenu();
    AddItem(seek, kSeek, "Найти ...\tCtrl+F");
    AddItem(seek, kSeekNext, "Продолжение поиска\tCtrl+N");
    AddSubMenu(mainMenu_, seek, "Поиск");

    HMENU picture = CreatePopupMenu();
    AddItem(picture, kMapDraw, "Формирование");
    AddSeparator(picture);
    AddItem(picture, kZoomOut, "Уменьшение\tF3");
    AddItem(picture, kZoomIn, "Увеличение\tF4");
    AddSeparator(picture);
    AddItem(picture, kViewAll, "Просмотр всех обїектов\tF5");
    AddSubMenu(mainMenu_, picture, "Рисунок");

    AddSubMenu(mainMenu_, CreatePopupMenu(), "Печать", MF_GRAYED);

    optionsMenu_ = CreatePopupMenu();
    const map::DisplayOptions defaults;
    int index = 0;
    for (const map::DisplayMenuItem& item : map::DisplayMenuItems()) {
        if (item.SeparatorBefore) AddSeparator(optionsMenu_);
        AddItem(optionsMenu_, kFirstOption + index++, item.Caption,
                MF_STRING | (defaults.IsChecked(item.Option) ? MF_CHECKED : MF_UNCHECKED));
    }
    AddSubMenu(mainMenu_, optionsMenu_, "Отображение");
    AddItem(mainMenu_, kAboutItem, "?");

    ACCEL keys[] = {
        {FVIRTKEY, VK_F3, static_cast<WORD>(kZoomOut)},
        {FVIRTKEY, VK_F4, static_cast<WORD>(kZoomIn)},
        {FVIRTKEY, VK_F5, static_cast<WORD>(kViewAll)},
        {FVIRTKEY | FCONTROL, 'F', static_cast<WORD>(kSeek)},
        {FVIRTKEY | FCONTROL, 'N', static_cast<WORD>(kSeekNext)},
    };
    accelerators_ = CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
}

void MainWindow::CreateToolBar() {
    toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE | CCS_TOP,
                               0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolBar)),
                               GetModuleHandleW(nullptr), nullptr);
    SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    struct Tool {
        int id;
        const char* text;
        BYTE style;
        BYTE state;
    };
    const Tool tools[] = {
        {kOpen, "Открыть", BTNS_BUTTON, TBSTATE_ENABLED},
        {kCreate, "Создать", BTNS_BUTTON, TBSTATE_ENABLED},  // tbCreate
        {kSeek, "Найти", BTNS_BUTTON, TBSTATE_ENABLED},
        {0, nullptr, BTNS_SEP, 0},
        {kToolZoom, "Масштаб", BTNS_CHECKGROUP, TBSTATE_ENABLED},
        {kToolMove, "Смещение", BTNS_CHECKGROUP, TBSTATE_ENABLED | TBSTATE_CHECKED},
        {kToolPick, "Выбор", BTNS_CHECKGROUP, TBSTATE_ENABLED},
        {0, nullptr, BTNS_SEP, 0},
        {kShowMap, "Карта", BTNS_CHECK, TBSTATE_ENABLED | TBSTATE_CHECKED},
        {kOpenTables, "Таблицы", BTNS_CHECK, TBSTATE_ENABLED | TBSTATE_CHECKED},
        {0, nullptr, BTNS_SEP, 0},
        {kZoomIn, "Увеличение", BTNS_BUTTON, TBSTATE_ENABLED},
        {kZoomOut, "Уменьшение", BTNS_BUTTON, TBSTATE_ENABLED},
        // Room for the scale panel beside the zoom buttons: an empty button the panel's
        // controls lie on, moved with it when the bar wraps.
        {kScaleBox, nullptr, BTNS_BUTTON, 0},
        {0, nullptr, BTNS_SEP, 0},
        {kViewAll, "Все объекты", BTNS_BUTTON, TBSTATE_ENABLED},
        {kViewObject, "Текущий", BTNS_BUTTON, TBSTATE_ENABLED},
        {kShiftObject, "К текущему", BTNS_BUTTON, TBSTATE_ENABLED},
    };
    std::vector<std::wstring> texts;
    texts.reserve(std::size(tools));
    std::vector<TBBUTTON> buttons;
    for (const Tool& tool : tools) {
        TBBUTTON button{};
        button.iBitmap = tool.style == BTNS_SEP ? 6 : I_IMAGENONE;
        button.idCommand = tool.id;
        button.fsState = tool.state;
        button.fsStyle = static_cast<BYTE>(tool.style | (tool.style == BTNS_SEP || tool.id == kScaleBox
                                                             ? 0
                                                             : BTNS_AUTOSIZE | BTNS_SHOWTEXT));
        if (tool.text) {
            texts.push_back(Wide(tool.text));
            button.iString = reinterpret_cast<INT_PTR>(texts.back().c_str());
        }
        buttons.push_back(button);
    }
    SendMessageW(toolBar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
    CreateScalePanel();
}

void MainWindow::CreateScalePanel() {
    TBBUTTONINFOW room{};
    room.cbSize = sizeof room;
    room.dwMask = TBIF_SIZE;
    room.cx = kScalePanelWidth;
    SendMessageW(toolBar_, TB_SETBUTTONINFOW, kScaleBox, reinterpret_cast<LPARAM>(&room));
    scaleLabel_ = AddChildControl(toolBar_, L"STATIC", "M 1:", SS_CENTERIMAGE | SS_RIGHT, -1, RECT{0, 0, 30, 20});
    scaleBox_ = AddChildControl(toolBar_, L"EDIT", "1", ES_AUTOHSCROLL, kScaleBox, RECT{0, 0, 70, 20}, nullptr,
                                WS_EX_CLIENTEDGE);
    SetWindowSubclass(scaleBox_, ScaleBoxProc, 0, reinterpret_cast<DWORD_PTR>(this));
    scaleArrow_ = AddChildControl(toolBar_, L"BUTTON", "v", BS_PUSHBUTTON, kScaleMenuButton, RECT{0, 0, 18, 20});
    PlaceScalePanel();
}

void MainWindow::PlaceScalePanel() {
    // On the empty button kept for it, wherever the bar's wrapping put that.
    RECT room{};
    SendMessageW(toolBar_, TB_GETRECT, kScaleBox, reinterpret_cast<LPARAM>(&room));
    const int top = room.top + (room.bottom - room.top - 20) / 2;
    MoveWindow(scaleLabel_, room.left, top, 30, 20, TRUE);
    MoveWindow(scaleBox_, room.left + 32, top, 70, 20, TRUE);
    MoveWindow(scaleArrow_, room.left + 104, top, 18, 20, TRUE);
}

LRESULT CALLBACK MainWindow::ScaleBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
    // `EditScaleKeyUp`: Enter released sets the typed scale; its character would only beep.
    if (message == WM_KEYUP && wParam == VK_RETURN) {
        auto* window = reinterpret_cast<MainWindow*>(self);
        const std::string text = WindowTextOf(box);
        window->Guarded([&] { window->map_->ApplyScaleText(text); });
        return 0;
    }
    if (message == WM_CHAR && wParam == L'\r') return 0;
    return DefSubclassProc(box, message, wParam, lParam);
}

void MainWindow::ShowScaleMenu() {
    // `SpeedButton3MouseUp`: the scale menu at the lower left of the scale box.
    HMENU menu = CreatePopupMenu();
    int index = 0;
    for (const map::ScaleMenuItem& item : map::ScaleMenuItems()) AddItem(menu, kFirstScale + index++, item.Caption);
    RECT box{};
    GetWindowRect(scaleBox_, &box);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, box.left, box.bottom, 0, hwnd_, nullptr);
    DestroyMenu(menu);
}

void MainWindow::CreateChildren() {
    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                 hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBar)),
                                 GetModuleHandleW(nullptr), nullptr);
    const int parts[] = {110, 280, 450, 620, -1};
    SendMessageW(statusBar_, SB_SETPARTS, std::size(parts), reinterpret_cast<LPARAM>(parts));

    DirectoryView::Events events;
    events.selected = [this] { Guarded([this] { SelectTreeDirectory(); }); };
    events.entered = [this] {
        if (drives_) drives_->Shown(tree_->Listing().CurrentDirectory());
        // Entering the open base draws its map again, so that map.wmf is written there.
        if (dm_.BaseOpen() && dm_.BaseDirectory() == tree_->Listing().CurrentDirectory() && map_) map_->DrawMap();
    };
    events.failed = [this](const std::string& message) { ShowError(message); };
    events.contextMenu = [this](POINT at) {
        treeCommands_->ShowMenu(at, templates::Reindexer::ReindexEnabled(TargetDirectory()));
    };
    tree_ = std::make_unique<DirectoryView>(hwnd_, kDirectoryTree, std::move(events));
    treeCommands_ = std::make_unique<TreeCommands>(hwnd_, *tree_, [this] { dm_.CloseBaseDataSets(); });
    drives_ = std::make_unique<DriveBox>(hwnd_, kDriveBox, [this](const std::string& directory) {
        tree_->Enter(directory);
    });
    drives_->Refresh(tree_->Listing().CurrentDirectory());

    MapViewHost host;
    host.locateParcel = [this](std::int32_t code) {
        if (!dm_.TbSubter.Active()) return;
        engine::LocateOptions locate;
        locate.caseInsensitive = true;
        dm_.TbSubter.Locate("Code", engine::Value::Int(code), locate);
    };
    host.locateOwner = [this](std::int32_t code) {
        if (!dm_.Tbter.Active()) return;
        engine::LocateOptions locate;
        locate.caseInsensitive = true;
        dm_.Tbter.Locate("Poligon", engine::Value::Int(code), locate);
    };
    host.showScaleStatus = [this](const map::ScaleStatus& status) { ShowScaleStatus(status); };
    host.showMessage = [this](const std::string& text) { SetStatusText(kMessagePart, text); };
    map_ = std::make_unique<MapView>(hwnd_, kMapImage, std::move(host));
    map_->SetModel(&mapObjects_);
    searchHost_ = std::make_unique<search::DataModuleSearchHost>(dm_, map_->ViewState(), mapObjects_,
                                                                 [this] { map_->DrawMap(); });

    parcels_ = std::make_unique<GridView>(hwnd_, kParcelGrid, dm_.TbSubter, base::ParcelGridColumns(),
                                          [this] { Guarded([this] { dm_.SyncGrids(4); }); });
    owners_ = std::make_unique<GridView>(hwnd_, kOwnerGrid, dm_.Tbter, base::OwnerGridColumns(),
                                         [this] { Guarded([this] { dm_.SyncGrids(1); }); });
}

void MainWindow::LoadMapCursors() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::pair<map::MapCursor, int> cursors[] = {{map::MapCursor::ZoomIn, kCursorResourceZoomIn},
                                                      {map::MapCursor::ZoomOut, kCursorResourceZoomOut},
                                                      {map::MapCursor::Hand, kCursorResourceHand},
                                                      {map::MapCursor::Pick, kCursorResourcePick}};
    for (const auto& [number, resource] : cursors) {
        if (const HCURSOR cursor = LoadCursorW(instance, MAKEINTRESOURCEW(resource)))
            map_->SetCursorShape(number, cursor);
    }
}

void MainWindow::CreateTrayIcon() {
    trayIcon_.cbSize = sizeof trayIcon_;
    trayIcon_.hWnd = hwnd_;
    trayIcon_.uID = kTrayIconId;
    trayIcon_.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    trayIcon_.uCallbackMessage = kTrayMessage;
    trayIcon_.hIcon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd_, GCLP_HICON));
    wcsncpy(trayIcon_.szTip, kTitle, std::size(trayIcon_.szTip) - 1);
    trayAdded_ = Shell_NotifyIconW(NIM_ADD, &trayIcon_) != FALSE;
}

void MainWindow::Layout() {
    if (!toolBar_ || !statusBar_ || !tree_ || !drives_ || !map_ || !parcels_ || !owners_) return;
    const RECT area = AreaBetweenBars(hwnd_, toolBar_, statusBar_);
    PlaceScalePanel();
    const int top = static_cast<int>(area.top);
    const int bottom = static_cast<int>(area.bottom);
    const int height = std::max(0, bottom - top);
    const int right = area.right;
    const int mapHeight = height * 3 / 5;
    const int driveHeight = drives_->Place(0, top, kTreeWidth);
    MoveWindow(tree_->Handle(), 0, top + driveHeight, kTreeWidth, std::max(0, height - driveHeight), TRUE);
    MoveWindow(map_->Handle(), kTreeWidth, top, std::max(0, right - kTreeWidth), mapHeight, TRUE);
    MoveWindow(parcels_->Handle(), kTreeWidth, top + mapHeight, kParcelGridWidth, height - mapHeight, TRUE);
    MoveWindow(owners_->Handle(), kTreeWidth + kParcelGridWidth, top + mapHeight,
               std::max(0, right - kTreeWidth - kParcelGridWidth), height - mapHeight, TRUE);
}

void MainWindow::Command(int id) {
    if (id >= kFirstOption && id < kFirstOption + static_cast<int>(map::DisplayMenuItems().size())) {
        Guarded([&] { ClickOption(id - kFirstOption); });
        return;
    }
    if (id >= kFirstScale && id < kFirstScale + static_cast<int>(map::ScaleMenuItems().size())) {
        Guarded([&] {
            map_->SetScaleDenominator(std::stod(map::ScaleMenuItems()[static_cast<std::size_t>(id - kFirstScale)].Hint));
        });
        return;
    }
    if (id >= kFirstQuickStart && id < kFirstQuickStart + static_cast<int>(quickStart_.size())) {
        Guarded([&] {
            const std::string directory = base::QuickStartDirectory(quickStart_[static_cast<std::size_t>(id - kFirstQuickStart)]);
            tree_->Enter(platform_->HostPath(directory));
            Command(kOpen);
        });
        return;
    }
    switch (id) {
    case kRestoreItem: RestoreFromTray(); break;
    case kHideItem: HideToTray(); break;
    case kExitItem: DestroyWindow(hwnd_); break;
    case kAboutItem: ShowAboutWindow(IsWindowVisible(hwnd_) ? hwnd_ : nullptr, *platform_); break;
    case kOpen:
        Guarded([this] {
            dm_.CloseBaseDataSets();
            LaunchCompanionProgram();
        });
        break;
    // The tree's context menu: its first items are the main menu's.
    case kTreeOpenBase: Command(kOpen); break;
    case kTreeCreateBase: Command(kCreate); break;
    case kCreate:
        // `nCreateClick`: the directory named, made current, then the group list's creation.
        Guarded([this] {
            if (!templates_) return;
            if (treeCommands_->PrepareNewBase([this](const std::string& text) { ShowMessage(text); }))
                ShowTemplateGroups("CreateTerBases");
        });
        break;
    case kTreeReindexProgram: Command(kReindexProgram); break;
    case kTreeReindexBase: Command(kReindexBase); break;
    case kTreeCreateDir:
    case kTreeRenameDir:
    case kTreeDeleteDir: Guarded([&] { treeCommands_->Run(id); }); break;
    case kReindexProgram: Guarded([this] { ShowTemplateGroups("ReIndex"); }); break;
    case kReindexBase: Guarded([this] { ShowTemplateGroups("Select"); }); break;
    case kEditTemplates: Guarded([this] { ShowTemplateGroups("Edit"); }); break;
    case kRepairBase:
        Guarded([this] {
            if (!templates_) return;
            if (!repairWindow_)
                repairWindow_ = std::make_unique<RepairWindow>(*templates_, static_cast<templates::ReindexHost&>(*this));
            repairWindow_->ShowFor(hwnd_, engine::PathFromUtf8(TargetDirectory()));
        });
        break;
    case kScaleMenuButton: ShowScaleMenu(); break;
    case kSeek: Guarded([this] { SeekCommand(); }); break;
    case kSeekNext: Guarded([this] { SeekNextCommand(); }); break;
    case kMapDraw: Guarded([this] { map_->DrawMap(); }); break;
    case kZoomIn: Guarded([this] { map_->ZoomIn(); }); break;
    case kZoomOut: Guarded([this] { map_->ZoomOut(); }); break;
    case kViewAll: Guarded([this] { map_->ViewAll(); }); break;
    case kViewObject: Guarded([this] { map_->ViewObject(); }); break;
    case kShiftObject: Guarded([this] { map_->ShiftObject(); }); break;
    case kToolZoom:
    case kToolMove:
    case kToolPick: SetTool(id); break;
    case kShowMap:
        showMap_ = !showMap_;
        SendMessageW(toolBar_, TB_CHECKBUTTON, kShowMap, MAKELPARAM(showMap_, 0));
        break;
    case kOpenTables:
        openTables_ = !openTables_;
        SendMessageW(toolBar_, TB_CHECKBUTTON, kOpenTables, MAKELPARAM(openTables_, 0));
        break;
    default: break;
    }
}

void MainWindow::SetTool(int id) {
    for (int tool : {kToolZoom, kToolMove, kToolPick})
        SendMessageW(toolBar_, TB_CHECKBUTTON, tool, MAKELPARAM(tool == id, 0));
    map_->SetTool(id == kToolZoom ? map::MapTool::Zoom : id == kToolPick ? map::MapTool::Pick : map::MapTool::Move);
}

void MainWindow::ClickOption(int index) {
    map_->Options().Click(map::DisplayMenuItems()[static_cast<std::size_t>(index)].Option);
    int position = 0;
    for (const map::DisplayMenuItem& item : map::DisplayMenuItems()) {
        CheckMenuItem(optionsMenu_, static_cast<UINT>(kFirstOption + position++),
                      MF_BYCOMMAND | (map_->Options().IsChecked(item.Option) ? MF_CHECKED : MF_UNCHECKED));
    }
    map_->DrawMap();
}

void MainWindow::RestoreFromTray() {
    ShowWindow(hwnd_, IsZoomed(hwnd_) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    Layout();
    if (map_) map_->DrawMap();
}

void MainWindow::HideToTray() {
    ShowWindow(hwnd_, SW_HIDE);
}

void MainWindow::FillQuickStartMenu(HMENU menu) {
    if (const auto lines = base::ReadQuickStartList(*platform_)) quickStart_ = *lines;  // no list: keep the old one
    int index = 0;
    for (const std::string& line : quickStart_) {
        // Shown as written: a literal "&" is doubled so that it is no accelerator mark.
        std::string caption;
        for (char c : line) caption += c == '&' ? std::string("&&") : std::string(1, c);
        AddItem(menu, kFirstQuickStart + index++, caption.c_str());
    }
}

void MainWindow::ShowTrayMenu() {
    HMENU menu = CreatePopupMenu();
    const bool visible = IsWindowVisible(hwnd_) != FALSE;
    AddItem(menu, kRestoreItem, "Открыть", MF_STRING | (visible ? MF_GRAYED : 0));
    AddItem(menu, kHideItem, "Скрыть", MF_STRING | (visible ? 0 : MF_GRAYED));
    HMENU quick = CreatePopupMenu();
    Guarded([&] { FillQuickStartMenu(quick); });
    AddSubMenu(menu, quick, "Быстрый старт");
    AddSeparator(menu);
    AddItem(menu, kAboutItem, "О программе ...");
    AddSeparator(menu);
    AddItem(menu, kExitItem, "Выход");
    POINT at{};
    GetCursorPos(&at);
    // The window must be in front, or the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
    PostMessageW(hwnd_, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void MainWindow::SelectTreeDirectory() {
    // A sub-directory, or the current directory itself: a double click into a base
    // makes it the current directory, and the selection that follows opens it.
    const std::string directory = tree_->Listing().BasePath(tree_->SelectedIndex());
    if (directory.empty()) {  // the root or a directory above: no base
        dm_.CloseBaseDataSets();
        return;
    }
    OpenBase(directory);
}

void MainWindow::OpenBase(const std::string& directory) {
    const base::GeometryLoading loading = showMap_ ? base::GeometryLoading::Background : base::GeometryLoading::DataSets;
    dm_.OpenBaseDirectory(directory, openTables_, [this](bool changed) { ShowBaseGeometry(changed); }, loading);
}

void MainWindow::ShowBaseGeometry(bool changed) {
    // The old parcels no longer answer the mouse, and their memory is given back before
    // the new ones are read.
    mapObjects_ = map::TArrObjects{};
    std::unique_ptr<base::GeometryLoad> load = dm_.TakeGeometry();
    if (load) {
        map_->SetLoading(true);
        HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        // Paints and timers go on; keys and clicks wait for the map.
        while (!load->Finished()) {
            ShowProgress(load->Progress());
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 40, QS_PAINT | QS_TIMER);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageW(&message);
        }
        SetCursor(previous);
        map_->SetLoading(false);
        SetStatusText(kMessagePart, "");
        mapObjects_ = load->Take();
    }
    map_->SetModel(&mapObjects_);
    FollowParcelQuery();
    // Another base is fitted into the view; the same one again keeps the view.
    map_->ViewState().ViewAllPending = changed;
    map_->DrawMap();
    // Shown now: the owner table opens after this returns.
    UpdateWindow(map_->Handle());
}

void MainWindow::FollowParcelQuery() {
    if (!map_) return;
    const bool open = dm_.TbSubter.Active();
    std::optional<std::int32_t> current;
    if (open && !dm_.TbSubter.IsEmpty()) current = static_cast<std::int32_t>(dm_.TbSubter.AsInteger("Code"));
    map_->SetParcelQueryOpen(open);
    map_->SetCurrentParcelCode(current);
}

void MainWindow::LaunchCompanionProgram() {
    const std::string directory = tree_->Listing().ItemPath(tree_->SelectedIndex());
    base::CompanionLauncher launcher(*platform_, [this](const std::string& message) { ShowError(message); });
    const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const base::LaunchReport report = launcher.Launch(directory);
    SetCursor(previous);
    // The status bar tells what became of this start, not of the one before.
    SetStatusText(kMessagePart, report.outcome == base::LaunchOutcome::Started
                                    ? "Запущена программа " + report.program + " в каталоге " + directory
                                    : std::string("Программа не запущена"));
}

void MainWindow::SeekCommand() {
    if (!searchHost_->BaseOpen()) return;
    if (!seek_) seek_ = std::make_unique<SeekDialog>(*searchHost_);
    seek_->ShowModal(hwnd_, [this](SIZE dialog) { return PlaceSeekDialog(dialog); });
}

void MainWindow::SeekNextCommand() {
    if (!searchHost_->BaseOpen() || !seek_) return;
    seek_->FindNextCommand();
}

POINT MainWindow::PlaceSeekDialog(SIZE dialog) const {
    const auto rect = [](const RECT& r) {
        return search::ScreenRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    RECT window{}, map{};
    GetWindowRect(hwnd_, &window);
    GetWindowRect(map_->Handle(), &map);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT area = window;
    if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) area = monitor.rcWork;
    const search::ScreenRect placed =
        search::PlaceBesideMap(rect(area), rect(window), rect(map), search::ScreenRect{0, 0, dialog.cx, dialog.cy});
    return POINT{placed.Left, placed.Top};
}

void MainWindow::ShowScaleStatus(const map::ScaleStatus& status) {
    SetStatusText(kScalePart, status.Scale);
    if (scaleBox_) SetWindowTextW(scaleBox_, Wide(status.ScaleBox).c_str());
    SetStatusText(kZoomPart, status.Zoom);
    if (status.CursorX) SetStatusText(kCursorXPart, *status.CursorX);
    if (status.CursorY) SetStatusText(kCursorYPart, *status.CursorY);
}

void MainWindow::SetStatusText(int part, const std::string& text) {
    SendMessageW(statusBar_, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void MainWindow::ShowProgress(double upper) {
    // A strip of bars in the message part: how far the geometry load got.
    const int filled = static_cast<int>(upper * 20.0 + 0.5);
    std::string strip = "Загрузка карты ";
    for (int i = 0; i < 20; ++i) strip += i < filled ? "█" : "░";
    SetStatusText(kMessagePart, strip);
    UpdateWindow(statusBar_);
}

void MainWindow::ShowProgress(double upper, double lower) {
    // The two strips of the reindex: the tables, and the records of the current one.
    const auto strip = [](double fraction) {
        const int filled = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 12.0 + 0.5);
        std::string bars;
        for (int i = 0; i < 12; ++i) bars += i < filled ? "█" : "░";
        return bars;
    };
    SetStatusText(kMessagePart, strip(upper) + "  " + strip(lower));
    UpdateWindow(statusBar_);
}

void MainWindow::ShowMessage(const std::string& text) {
    MessageBoxW(GetActiveWindow() ? GetActiveWindow() : hwnd_, Wide(text).c_str(), kTitle, MB_OK | MB_ICONINFORMATION);
}

std::string MainWindow::TargetDirectory() const {
    return tree_ ? tree_->Listing().ItemPath(tree_->SelectedIndex()) : std::string();
}

void MainWindow::EnableReindexItems() {
    const UINT state = templates::Reindexer::ReindexEnabled(TargetDirectory()) ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(reindexMenu_, kReindexProgram, MF_BYCOMMAND | state);
    EnableMenuItem(reindexMenu_, kReindexBase, MF_BYCOMMAND | state);
    EnableMenuItem(reindexMenu_, kRepairBase, MF_BYCOMMAND | state);
}

void MainWindow::OpenTemplates() {
    namespace fs = std::filesystem;
    // The start-up directory when it holds the template tables (a work folder with its
    // own templates); else the user's folder beside the settings file, which gets a copy
    // of the installed templates (<program>\templates) the first time, or the built-in
    // defaults where none are installed. The installed copy itself is never written.
    wchar_t start[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, start);
    fs::path directory = start;
    if (!engine::FindFileNoCase(directory, templates::kNameBaseTable)) {
        directory = base::UserSettingsPath().parent_path();
        if (!engine::FindFileNoCase(directory, templates::kNameBaseTable)) {
            wchar_t module[MAX_PATH] = {};
            GetModuleFileNameW(nullptr, module, MAX_PATH);
            const fs::path installed = fs::path(module).parent_path() / "templates";
            fs::create_directories(directory);
            if (engine::FindFileNoCase(installed, templates::kNameBaseTable)) {
                for (const fs::directory_entry& file : fs::directory_iterator(installed))
                    // A file left by an earlier, broken copy is kept: the tables still missing
                    // are made by EnsureTemplateTables below.
                    if (file.is_regular_file())
                        fs::copy_file(file.path(), directory / file.path().filename(), fs::copy_options::skip_existing);
            }
            templates::EnsureTemplateTables(engine::PathToUtf8(directory));
        }
    }
    templates_ = std::make_unique<templates::TemplateStore>(
        templates::TemplateDataSets{dm_.TNameBase, dm_.TBases, dm_.TField, dm_.TIndex, dm_.Table1},
        engine::PathToUtf8(directory));
    templates_->Open();
}

void MainWindow::ShowTemplateGroups(const std::string& mode) {
    if (!templates_) return;
    if (!templateWindows_) templateWindows_ = std::make_unique<TemplateWindows>(dm_, *templates_, static_cast<templates::ReindexHost&>(*this), hwnd_);
    templateWindows_->ShowGroupList(mode);
}

void MainWindow::ShowError(const std::string& message) {
    MessageBoxW(IsWindowVisible(hwnd_) ? hwnd_ : nullptr, Wide(message).c_str(), kTitle, MB_OK | MB_ICONERROR);
}

}  // namespace ter5::winapp
