#include "winapp/RepairWindow.h"

#include <commctrl.h>

#include <exception>

#include "engine/FileUtil.h"
#include "winapp/ChildControls.h"
#include "winapp/CommandIds.h"
#include "winapp/ModalLoop.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr SIZE kSize{720, 520};
constexpr int kMargin = 8;
constexpr int kRowHeight = 24;
constexpr int kButtonWidth = 190;
constexpr int kGroupLabelWidth = 300;
constexpr int kReportLabel = 599;  // the "Отчёт:" label

HWND AddControl(HWND parent, const wchar_t* kind, const std::string& text, DWORD style, int id, DWORD exStyle = 0) {
    return AddChildControl(parent, kind, text, style, id, RECT{0, 0, 10, 10}, nullptr, exStyle);
}

}  // namespace

RepairWindow::RepairWindow(templates::TemplateStore& store, templates::ReindexHost& host)
    : store_(store), host_(host) {}

RepairWindow::~RepairWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void RepairWindow::Create(HWND owner) {
    RegisterWindowClassOnce(kRepairWindowClass, ObjectWindowProc<RepairWindow>, 0, LoadCursorW(nullptr, IDC_ARROW),
                            reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    const templates::RepairWindowTexts& texts = templates::RepairTexts();
    const POINT at = CentredOnScreen(owner, kSize);
    CreateWindowExW(kExStyle, kRepairWindowClass, Wide(texts.caption).c_str(), kStyle, at.x, at.y, kSize.cx, kSize.cy,
                    owner, nullptr, GetModuleHandleW(nullptr), this);
    AddControl(hwnd_, L"STATIC", "", SS_LEFTNOWORDWRAP, kRepairDirectory);
    const HWND tables = AddControl(hwnd_, WC_LISTVIEWW, "", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                                   kRepairTables, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(tables, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const std::string titles[] = {texts.tableColumn, texts.stateColumn};
    for (int column = 0; column < 2; ++column) {
        const std::wstring title = Wide(titles[column]);
        LVCOLUMNW shown{};
        shown.mask = LVCF_TEXT | LVCF_WIDTH;
        shown.pszText = const_cast<wchar_t*>(title.c_str());
        shown.cx = column == 0 ? 160 : 500;
        ListView_InsertColumn(tables, column, &shown);
    }
    AddControl(hwnd_, L"STATIC", texts.groupLabel, SS_CENTERIMAGE, -1);
    AddControl(hwnd_, L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kRepairGroup);
    AddControl(hwnd_, L"BUTTON", texts.check, WS_TABSTOP | BS_PUSHBUTTON, kRepairCheck);
    AddControl(hwnd_, L"BUTTON", texts.repair, WS_TABSTOP | BS_PUSHBUTTON, kRepairRun);
    AddControl(hwnd_, L"BUTTON", texts.close, WS_TABSTOP | BS_PUSHBUTTON, kRepairClose);
    AddControl(hwnd_, L"STATIC", texts.report, 0, kReportLabel);
    AddControl(hwnd_, L"EDIT", "", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, kRepairReport,
               WS_EX_CLIENTEDGE);
    Layout();
}

void RepairWindow::Layout() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int width = client.right - 2 * kMargin;
    const int free = client.bottom - 4 * kRowHeight - 7 * kMargin - 8;
    const int tablesHeight = free / 2, reportHeight = free - tablesHeight;
    int y = kMargin;
    const auto place = [&](int id, int x, int w, int h) { MoveWindow(GetDlgItem(hwnd_, id), x, y, w, h, TRUE); };
    place(kRepairDirectory, kMargin, width, kRowHeight);
    y += kRowHeight + kMargin;
    place(kRepairTables, kMargin, width, tablesHeight);
    y += tablesHeight + kMargin;
    HWND label = GetWindow(GetDlgItem(hwnd_, kRepairGroup), GW_HWNDPREV);
    MoveWindow(label, kMargin, y, kGroupLabelWidth, kRowHeight, TRUE);
    place(kRepairGroup, kMargin + kGroupLabelWidth, width - kGroupLabelWidth, 200);
    y += kRowHeight + kMargin;
    place(kRepairCheck, kMargin, kButtonWidth, kRowHeight + 4);
    place(kRepairRun, kMargin + kButtonWidth + kMargin, kButtonWidth, kRowHeight + 4);
    place(kRepairClose, client.right - kMargin - kButtonWidth / 2, kButtonWidth / 2, kRowHeight + 4);
    y += kRowHeight + 4 + kMargin;
    place(kReportLabel, kMargin, width, kRowHeight - 6);
    y += kRowHeight - 6;
    place(kRepairReport, kMargin, width, reportHeight);
}

void RepairWindow::ShowFor(HWND owner, const std::filesystem::path& directory) {
    if (!hwnd_) Create(owner);
    if (!hwnd_ || IsWindowVisible(hwnd_)) return;
    directory_ = directory;
    SetDlgItemTextW(hwnd_, kRepairDirectory, Wide(templates::RepairDirectoryLine(directory)).c_str());
    SetDlgItemTextW(hwnd_, kRepairReport, L"");
    // The structure choices, the one chosen before kept where it still is.
    const HWND groups = GetDlgItem(hwnd_, kRepairGroup);
    const LRESULT chosen = SendMessageW(groups, CB_GETCURSEL, 0, 0);
    SendMessageW(groups, CB_RESETCONTENT, 0, 0);
    RunShowingErrors(hwnd_, [&] {
        for (const std::string& choice : templates::RepairGroupChoices(store_))
            SendMessageW(groups, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(choice).c_str()));
    });
    const LRESULT count = SendMessageW(groups, CB_GETCOUNT, 0, 0);
    SendMessageW(groups, CB_SETCURSEL, chosen > 0 && chosen < count ? chosen : 0, 0);
    RunShowingErrors(hwnd_, [this] { CheckTables(); });
    RunModal(hwnd_, owner, [this] { SetFocus(GetDlgItem(hwnd_, kRepairTables)); });
}

void RepairWindow::CheckTables() {
    const HWND tables = GetDlgItem(hwnd_, kRepairTables);
    ListView_DeleteAllItems(tables);
    states_.clear();
    EnableWindow(GetDlgItem(hwnd_, kRepairRun), FALSE);
    states_ = templates::CheckBaseTables(directory_);
    for (std::size_t i = 0; i < states_.size(); ++i) {
        std::wstring name = Wide(engine::PathToUtf8(states_[i].table.filename()));
        std::wstring state = Wide(states_[i].summary);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = name.data();
        ListView_InsertItem(tables, &item);
        ListView_SetItemText(tables, static_cast<int>(i), 1, state.data());
    }
    EnableWindow(GetDlgItem(hwnd_, kRepairRun), templates::AnyDamaged(states_));
}

void RepairWindow::RepairDamaged() {
    if (!templates::AnyDamaged(states_)) return;
    const std::string choice = WindowTextOf(GetDlgItem(hwnd_, kRepairGroup));
    const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    std::string report;
    RunShowingErrors(hwnd_, [&] { report = templates::RepairDamagedTables(store_, host_, directory_, states_, choice); });
    SetCursor(previous);
    // The edit control wants CR LF line ends.
    std::string shown;
    for (char c : report) shown += c == '\n' ? std::string("\r\n") : std::string(1, c);
    SetDlgItemTextW(hwnd_, kRepairReport, Wide(shown).c_str());
    RunShowingErrors(hwnd_, [this] { CheckTables(); });
}

LRESULT RepairWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kRepairCheck: RunShowingErrors(hwnd_, [this] { CheckTables(); }); break;
        case kRepairRun: RepairDamaged(); break;
        case kRepairClose:
        case IDCANCEL: HideModal(hwnd_); break;
        default: break;
        }
        return 0;
    case WM_NOTIFY: {
        // The states of damaged tables in red.
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
        if (draw->nmcd.hdr.idFrom != static_cast<UINT_PTR>(kRepairTables) || draw->nmcd.hdr.code != NM_CUSTOMDRAW) break;
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYSUBITEMDRAW;
        if (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
            const std::size_t row = draw->nmcd.dwItemSpec;
            const bool damaged = draw->iSubItem == 1 && row < states_.size() && states_[row].damaged;
            draw->clrText = damaged ? RGB(255, 0, 0) : GetSysColor(COLOR_WINDOWTEXT);
            return CDRF_DODEFAULT;
        }
        return CDRF_DODEFAULT;
    }
    case WM_CLOSE:
        HideModal(hwnd_);
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
