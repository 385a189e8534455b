#include "winapp/TemplateListWindow.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "templates/TemplateImporter.h"
#include "templates/TemplateSelectSteps.h"
#include "winapp/ChildControls.h"
#include "winapp/CommandIds.h"
#include "winapp/GridView.h"
#include "winapp/ModalLoop.h"
#include "winapp/TemplateEditDialog.h"
#include "winapp/TemplateWindows.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

namespace {

using templates::TemplateList;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kProgressWidth = 150;

// A tool button: its command, the hint (from ToolTexts), a standard image or a short text.
struct Tool {
    int id;
    const std::string* hint;
    int image;         // STD_* of the standard small images; -1 for a text button
    const char* text;  // shown on a text button
};

std::vector<Tool> ToolsOf(TemplateList list) {
    const templates::TemplateToolTexts& t = templates::ToolTexts();
    std::vector<Tool> tools = {
        {kTemplateDelete, &t.deleteRow, STD_DELETE, nullptr},
        {0, nullptr, -1, nullptr},
        {kTemplateFirst, &t.navigator[0], -1, "|<"},
        {kTemplatePrior, &t.navigator[1], -1, "<"},
        {kTemplateNext, &t.navigator[2], -1, ">"},
        {kTemplateLast, &t.navigator[3], -1, ">|"},
        {kTemplatePost, &t.navigator[4], STD_FILESAVE, nullptr},
        {kTemplateCancel, &t.navigator[5], STD_UNDO, nullptr},
        {kTemplateRefresh, &t.navigator[6], STD_REDOW, nullptr},
        {0, nullptr, -1, nullptr},
        {kTemplateCreate, &t.createRow, STD_FILENEW, nullptr},
        {kTemplateEdit, &t.editRow, STD_PROPERTIES, nullptr},
        {0, nullptr, -1, nullptr},
    };
    if (list == TemplateList::Tables) tools.push_back({kTemplateFields, &t.fields, -1, "Поля"});
    if (list == TemplateList::Groups || list == TemplateList::Tables)
        tools.push_back({kTemplateSelect, &t.select, STD_FIND, nullptr});
    if (list == TemplateList::Tables) {
        tools.push_back({0, nullptr, -1, nullptr});
        tools.push_back({kTemplateImportBase, &t.importBase, STD_FILEOPEN, nullptr});
        tools.push_back({kTemplateImportTables, &t.importTables, -1, "*.db"});
    }
    return tools;
}

const std::string* HintOf(TemplateList list, int id) {
    for (const Tool& tool : ToolsOf(list))
        if (tool.id == id) return tool.hint;
    return nullptr;
}

// The file dialog of an import: the paths chosen, none when cancelled.
std::vector<std::string> ChooseFiles(HWND owner, const std::string& caption, const std::string& directory,
                                     const std::wstring& filter, bool multiple) {
    std::vector<wchar_t> buffer(32768, L'\0');
    const std::wstring title = Wide(caption), initial = Wide(directory);
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter.c_str();
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(buffer.size());
    request.lpstrTitle = title.c_str();
    request.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
    request.lpstrDefExt = L"db";
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                    (multiple ? OFN_ALLOWMULTISELECT : 0);
    if (!GetOpenFileNameW(&request)) return {};
    // One file: its path. Several: the directory, then each name, each ended by a NUL.
    std::vector<std::wstring> parts;
    for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1) parts.emplace_back(p);
    std::vector<std::string> paths;
    if (parts.size() == 1) return {Narrow(parts[0])};
    for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(Narrow(parts[0] + L"\\" + parts[i]));
    return paths;
}

}  // namespace

TemplateListWindow::TemplateListWindow(TemplateWindows& windows, TemplateList list, base::BaseTable& table)
    : windows_(windows), list_(list), table_(table) {}

TemplateListWindow::~TemplateListWindow() {
    grid_.reset();
    editDialog_.reset();
    if (hwnd_) DestroyWindow(hwnd_);
}

template <typename F>
void TemplateListWindow::Guarded(F&& step) {
    RunShowingErrors(hwnd_, step);
    UpdateNavigator();
}

void TemplateListWindow::Create(HWND owner) {
    RegisterWindowClassOnce(kTemplateListClass, ObjectWindowProc<TemplateListWindow>, 0,
                            LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    const templates::TemplateListLayout& layout = templates::ListLayout(list_);
    const SIZE size{layout.width, layout.height};
    const POINT at = CentredOnScreen(owner, size);
    CreateWindowExW(kExStyle, kTemplateListClass, Wide(layout.caption).c_str(), kStyle, at.x, at.y, size.cx, size.cy,
                    owner, nullptr, GetModuleHandleW(nullptr), this);
    CreateToolBar();
    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTemplateStatus)),
                                 GetModuleHandleW(nullptr), nullptr);
    grid_ = std::make_unique<GridView>(hwnd_, kTemplateGrid, table_,
                                       std::make_unique<templates::TemplateListRows>(table_, layout.columns),
                                       [this] { UpdateNavigator(); });
    Layout();
}

void TemplateListWindow::CreateToolBar() {
    toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_TOP, 0,
                               0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTemplateToolBar)),
                               GetModuleHandleW(nullptr), nullptr);
    SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    SendMessageW(toolBar_, TB_LOADIMAGES, IDB_STD_SMALL_COLOR, reinterpret_cast<LPARAM>(HINST_COMMCTRL));
    const std::vector<Tool> tools = ToolsOf(list_);
    std::vector<std::wstring> texts;
    texts.reserve(tools.size());
    std::vector<TBBUTTON> buttons;
    for (const Tool& tool : tools) {
        TBBUTTON button{};
        button.idCommand = tool.id;
        if (tool.id == 0) {
            button.iBitmap = 6;
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = tool.image >= 0 ? tool.image : I_IMAGENONE;
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = static_cast<BYTE>(BTNS_BUTTON | BTNS_AUTOSIZE | (tool.text ? BTNS_SHOWTEXT : 0));
            // The hint is the button's text: the tool tip shows it, a text button shows its own.
            texts.push_back(Wide(tool.text ? tool.text : *tool.hint));
            button.iString = reinterpret_cast<INT_PTR>(texts.back().c_str());
        }
        buttons.push_back(button);
    }
    SendMessageW(toolBar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
    if (list_ == TemplateList::Groups) {
        progress_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, kProgressWidth, 16,
                                    toolBar_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTemplateProgress)),
                                    GetModuleHandleW(nullptr), nullptr);
        SendMessageW(progress_, PBM_SETRANGE32, 0, 1);
    }
}

void TemplateListWindow::Layout() {
    if (!toolBar_ || !statusBar_ || !grid_) return;
    const RECT area = AreaBetweenBars(hwnd_, toolBar_, statusBar_);
    const int top = static_cast<int>(area.top);
    MoveWindow(grid_->Handle(), 0, top, area.right, std::max(0, static_cast<int>(area.bottom) - top), TRUE);
    if (progress_) {
        // Right of the last button.
        RECT last{};
        const int count = static_cast<int>(SendMessageW(toolBar_, TB_BUTTONCOUNT, 0, 0));
        SendMessageW(toolBar_, TB_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&last));
        MoveWindow(progress_, last.right + 8, (top - 16) / 2, kProgressWidth, 16, TRUE);
    }
}

void TemplateListWindow::ShowModal(HWND owner) {
    if (!hwnd_) Create(owner);
    if (!hwnd_ || IsWindowVisible(hwnd_)) return;
    const templates::TemplateListLayout& layout = templates::ListLayout(list_);
    const POINT at = CentredOnScreen(owner, SIZE{layout.width, layout.height});
    SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
    UpdateNavigator();
    RunModal(hwnd_, owner, [this] { SetFocus(grid_->Handle()); });
}

void TemplateListWindow::Close() {
    if (!hwnd_ || !IsWindowVisible(hwnd_)) return;
    bool saved = false;
    // A table that failed to open has nothing to save; the window still closes.
    Guarded([&] {
        templates::SaveTemplateTable(table_);
        saved = true;
    });
    if (saved) HideModal(hwnd_);
}

void TemplateListWindow::SetMaximum(std::size_t maximum) {
    // A range of 0 to 0 would show nothing moving: at least 1.
    if (progress_) SendMessageW(progress_, PBM_SETRANGE32, 0, static_cast<LPARAM>(std::max<std::size_t>(maximum, 1)));
}

void TemplateListWindow::SetPosition(std::size_t position) {
    if (!progress_) return;
    SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    // The loops run without processing messages: paint the bar now.
    UpdateWindow(progress_);
}

void TemplateListWindow::UpdateNavigator() {
    if (!toolBar_) return;
    const bool active = table_.Active();
    const bool editing = table_.State() == engine::DataSetState::Edit || table_.State() == engine::DataSetState::Insert;
    const auto enable = [&](int id, bool on) { SendMessageW(toolBar_, TB_ENABLEBUTTON, id, MAKELPARAM(on, 0)); };
    enable(kTemplateFirst, active && !table_.Bof());
    enable(kTemplatePrior, active && !table_.Bof());
    enable(kTemplateNext, active && !table_.Eof());
    enable(kTemplateLast, active && !table_.Eof());
    enable(kTemplatePost, editing);
    enable(kTemplateCancel, editing);
    enable(kTemplateRefresh, active);
}

void TemplateListWindow::ShowEditDialog() {
    if (!editDialog_) editDialog_ = std::make_unique<TemplateEditDialog>(table_, templates::ListLayout(list_).edit);
    editDialog_->ShowModal(hwnd_);
}

void TemplateListWindow::ShowContextMenu(POINT at) {
    const int ids[] = {kTemplateSelect, kTemplateCreate, kTemplateEdit, kTemplateDelete, 0, kTemplateMark};
    const std::vector<std::string>& items = templates::ToolTexts().tableMenu;
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (ids[i] == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            const std::string caption = ids[i] == kTemplateMark ? items[i] + "\tCtrl+M" : items[i];
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(ids[i]), Wide(caption).c_str());
        }
    }
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
    DestroyMenu(menu);
}

void TemplateListWindow::Import(bool wholeBase) {
    const templates::TemplateToolTexts& texts = templates::ToolTexts();
    templates::TemplateImporter importer(windows_.Store());
    if (wholeBase) {
        const auto chosen = ChooseFiles(hwnd_, texts.importBase, windows_.Host().TargetDirectory(),
                                        Wide("Базы TER v.5 (ter.db)") + std::wstring(L"\0ter.db\0\0", 9), false);
        if (!chosen.empty()) importer.ImportBaseDirectory(templates::TemplateImporter::BaseDirectoryOf(chosen.front()));
        return;
    }
    const auto chosen = ChooseFiles(hwnd_, texts.importTables, importDirectory_,
                                    Wide("Таблицы баз TER v.5 (*.db)") + std::wstring(L"\0*.db\0\0", 7), true);
    if (chosen.empty()) return;
    importDirectory_ = chosen.front().substr(0, chosen.front().find_last_of("\\/"));
    importer.ImportFiles(chosen);
}

void TemplateListWindow::Command(int id) {
    switch (id) {
    case kTemplateDelete:
        if (MessageBoxW(hwnd_, Wide(templates::ToolTexts().confirmDelete).c_str(), kMessageCaption,
                        MB_OKCANCEL | MB_ICONWARNING) == IDOK)
            Guarded([this] { table_.Delete(); });
        break;
    case kTemplateFirst: Guarded([this] { table_.First(); }); break;
    case kTemplatePrior: Guarded([this] { table_.Prior(); }); break;
    case kTemplateNext: Guarded([this] { table_.Next(); }); break;
    case kTemplateLast: Guarded([this] { table_.Last(); }); break;
    case kTemplatePost: Guarded([this] { table_.Post(); }); break;
    case kTemplateCancel: Guarded([this] { table_.Cancel(); }); break;
    case kTemplateRefresh: Guarded([this] { table_.Refresh(); }); break;
    case kTemplateCreate:
        Guarded([this] {
            table_.Insert();
            ShowEditDialog();
        });
        break;
    case kTemplateEdit:
        // In an empty list this starts a new row, as "Создать запись" does.
        Guarded([this] {
            table_.Edit();
            ShowEditDialog();
        });
        break;
    case kTemplateSelect: Guarded([this] { templates::RunSelectCommand(windows_, list_, mode_); }); break;
    case kTemplateFields: Guarded([this] { templates::RunFieldsCommand(windows_, mode_); }); break;
    case kTemplateImportBase: Guarded([this] { Import(true); }); break;
    case kTemplateImportTables: Guarded([this] { Import(false); }); break;
    case kTemplateMark:
        if (list_ == TemplateList::Tables) Guarded([this] { templates::MarkCurrentTable(table_); });
        break;
    case IDOK:  // Enter in the grid: the group list selects
        if (list_ == TemplateList::Groups) Command(kTemplateSelect);
        break;
    case IDCANCEL:  // Escape: only the group list closes
        if (templates::ListLayout(list_).closesOnEscape) Close();
        break;
    default: break;
    }
}

LRESULT TemplateListWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_COMMAND:
        Command(LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        if (header->hwndFrom == toolBar_ && header->code == TBN_HOTITEMCHANGE) {
            // The hint of the tool under the mouse also shows in the status bar.
            const std::string* hint = HintOf(list_, reinterpret_cast<NMTBHOTITEM*>(header)->idNew);
            SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(hint ? Wide(*hint).c_str() : L""));
            return 0;
        }
        if (grid_ && header->hwndFrom == grid_->Handle()) {
            if (header->code == NM_DBLCLK && reinterpret_cast<NMITEMACTIVATE*>(header)->iItem >= 0) {
                if (list_ == TemplateList::Groups || list_ == TemplateList::Tables) Command(kTemplateSelect);
                return 0;
            }
            if (header->code == NM_RCLICK && list_ == TemplateList::Tables) {
                POINT at{};
                GetCursorPos(&at);
                ShowContextMenu(at);
                return 0;
            }
            if (header->code == LVN_KEYDOWN && reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == 'M' &&
                (GetKeyState(VK_CONTROL) & 0x8000)) {
                Command(kTemplateMark);
                return 0;
            }
            if (grid_->Notify(header, result)) return result;
        }
        break;
    }
    case WM_CLOSE:
        Close();
        return 0;
    case WM_DESTROY:
        hwnd_ = nullptr;
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace ter5::winapp
