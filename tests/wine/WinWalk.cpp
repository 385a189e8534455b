// The walk test of the Windows desktop program, run under Wine: starts ter5manager.exe
// in a directory holding the demo base "demo", and drives it as a user would, through
// the messages its windows get: the window from the tray, the base opened from the
// directory tree, moves in the parcel grid followed by the owner grid, a pick on the
// map, the display options, the scale box and menu, the search dialog (a parcel found,
// a name not found), the template windows (the lists, an edit, a mark, a group reindex
// and a single table's), the repair window, base creation, the drive box and the tree's
// directory commands with the name dialog, and the end through the tray menu's "Выход". It checks the window texts, the grids' rows
// and texts, the selected parcel, the search dialog's status strip and map.wmf, and
// saves screenshots of the window (BMP) into the directory given.
//
//   winwalk.exe PROGRAM WORKDIR SHOTDIR
//
// Ends with "N passed, N failed" and exits non-zero on any failure.

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "winapp/AboutWindow.h"
#include "winapp/CommandIds.h"

namespace {

using namespace ter5::winapp;
using Clock = std::chrono::steady_clock;

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    (ok ? passed : failed)++;
}

// Waits up to `seconds` for `done`, letting the program run; returns whether it came.
bool WaitFor(const std::function<bool()>& done, double seconds) {
    const auto end = Clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (Clock::now() < end) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

// Reads texts of another process's list view through memory of that process.
class RemoteList {
public:
    RemoteList(HANDLE process) : process_(process) {
        memory_ = VirtualAllocEx(process_, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteList() {
        if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    }

    std::string Text(HWND list, int row, int column) {
        LVITEMW item{};
        item.iSubItem = column;
        item.cchTextMax = 512;
        item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(memory_) + 1024);
        WriteProcessMemory(process_, memory_, &item, sizeof item, nullptr);
        const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory_));
        std::wstring text(static_cast<std::size_t>(length), L'\0');
        if (length > 0)
            ReadProcessMemory(process_, static_cast<char*>(memory_) + 1024, text.data(), static_cast<std::size_t>(length) * sizeof(wchar_t), nullptr);
        return Narrow(text);
    }

private:
    HANDLE process_;
    void* memory_ = nullptr;
};

int Rows(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

int FocusedRow(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void PressKey(HWND window, UINT key) {
    SendMessageW(window, WM_KEYDOWN, key, 1);
    SendMessageW(window, WM_KEYUP, key, 0xC0000001);
}

void Command(HWND main, int id) {
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// The window's picture from the screen as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::filesystem::path& file) {
    Sleep(300);  // the program's windows finish painting
    RECT box{};
    GetWindowRect(window, &box);
    const int width = box.right - box.left, height = box.bottom - box.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageSize);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out.good();
}

std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A control's text through WM_GETTEXT, which the system carries across processes (a
// status bar answers with its first part).
std::string ControlText(HWND control) {
    std::wstring text(512, L'\0');
    // Only the length answered counts: an empty status part leaves the buffer as it was.
    const LRESULT length = SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length > 0 ? std::min(static_cast<std::size_t>(length), text.size() - 1) : 0);
    return Narrow(text);
}

void SetControlText(HWND control, const std::wstring& text) {
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring WideUtf8(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

void Click(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A visible window of `windowClass` captioned `caption` (UTF-8), waited for up to 10 s.
HWND WaitForWindow(const wchar_t* windowClass, const std::string& caption) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowW(windowClass, WideUtf8(caption).c_str())) && IsWindowVisible(found); }, 10);
    return found && IsWindowVisible(found) ? found : nullptr;
}

// The text of a message box the program shows, closed; empty when none is shown.
std::string CloseMessageBox(DWORD processId) {
    HWND box = nullptr;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t kind[16] = {};
            GetClassNameW(window, kind, 16);
            if (std::wstring(kind) != L"#32770" || !IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&box));
    DWORD owner = 0;
    if (!box || (GetWindowThreadProcessId(box, &owner), owner != processId)) return {};
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = {};
        GetClassNameW(child, kind, 16);
        if (std::wstring(kind) == L"Static") text += ControlText(child);
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return text.empty() ? "(a message box)" : text;
}

std::filesystem::file_time_type WriteTime(const std::filesystem::path& file) {
    std::error_code ignored;
    return std::filesystem::last_write_time(file, ignored);
}

// The template windows: "Редактирование шаблонов" walks from the group list to the table
// templates (marked, a mark flipped and back) and their field list; "По шаблону
// выборочно по программе" reindexes the open base's marked tables, "… по базе данных"
// one table, each rewriting its index files and opening the base again.
void WalkTemplates(HWND main, RemoteList& remote, DWORD processId, const std::filesystem::path& base,
                   const std::filesystem::path& shots) {
    HWND parcels = GetDlgItem(main, kParcelGrid);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kEditTemplates, 0), 0);
    HWND groups = WaitForWindow(kTemplateListClass, "Список баз данных переиндексируемых по шаблону");
    Check(groups != nullptr, "\"Редактирование шаблонов\" opens the group list");
    if (!groups) return;
    HWND groupGrid = GetDlgItem(groups, kTemplateGrid);
    Check(Rows(groupGrid) >= 1 && remote.Text(groupGrid, 0, 1) == "TER v.5",
          "the group list shows the group \"" + remote.Text(groupGrid, 0, 1) + "\"");
    PostMessageW(groups, WM_COMMAND, IDOK, 0);  // Enter in the grid
    HWND tables = WaitForWindow(kTemplateListClass, "Перечень баз данных");
    Check(tables != nullptr, "Enter in the group list opens the table templates");
    if (tables) {
        HWND tableGrid = GetDlgItem(tables, kTemplateGrid);
        std::string names;
        for (int row = 0; row < Rows(tableGrid); ++row)
            names += remote.Text(tableGrid, row, 0) + remote.Text(tableGrid, row, 1) + "|";
        Check(names == "☑POLIGON.DB|☑SUBTER.DB|☑TER.DB|", "the table templates, marked: " + names);
        SendMessageW(tables, WM_COMMAND, MAKEWPARAM(kTemplateMark, 0), 0);
        Check(remote.Text(tableGrid, 0, 0).empty() && FocusedRow(tableGrid) == 1,
              "\"Пометить\" clears the first mark and moves on: row " + std::to_string(FocusedRow(tableGrid)));
        SendMessageW(tables, WM_COMMAND, MAKEWPARAM(kTemplateFirst, 0), 0);
        SendMessageW(tables, WM_COMMAND, MAKEWPARAM(kTemplateMark, 0), 0);
        Check(remote.Text(tableGrid, 0, 0) == "☑", "marked again");
        SendMessageW(tables, WM_COMMAND, MAKEWPARAM(kTemplateFirst, 0), 0);
        // "Редактировать параметры записи": the dialog shows the row; a new note saved.
        PostMessageW(tables, WM_COMMAND, MAKEWPARAM(kTemplateEdit, 0), 0);
        HWND edit = WaitForWindow(kTemplateEditClass, "Редактирование параметров базы банных");
        Check(edit && ControlText(GetDlgItem(edit, kTemplateFirstBox)) == "POLIGON.DB" &&
                  SendMessageW(GetDlgItem(edit, kTemplateFirstRadio), BM_GETCHECK, 0, 0) == BST_CHECKED,
              "the edit dialog shows the row: " + (edit ? ControlText(GetDlgItem(edit, kTemplateFirstBox)) : ""));
        if (edit) {
            SetControlText(GetDlgItem(edit, kTemplateFirstBox + 1), L"Вершины (правка)");
            SaveScreenshot(GetDesktopWindow(), shots / "07-template-edit.bmp");
            PostMessageW(edit, WM_COMMAND, MAKEWPARAM(kTemplateSave, 0), 0);
            WaitFor([&] { return !IsWindowVisible(edit); }, 10);
            Check(remote.Text(tableGrid, 0, 2) == "Вершины (правка)", "\"Сохранить\" stores the note: " +
                                                                           remote.Text(tableGrid, 0, 2));
        }
        SaveScreenshot(GetDesktopWindow(), shots / "07-table-templates.bmp");
        PostMessageW(tables, WM_COMMAND, MAKEWPARAM(kTemplateFields, 0), 0);
        HWND fields = WaitForWindow(kTemplateListClass, "Список полей базы данных");
        Check(fields && Rows(GetDlgItem(fields, kTemplateGrid)) == 7 &&
                  remote.Text(GetDlgItem(fields, kTemplateGrid), 0, 0) == "001",
              "\"Список полей\" lists POLIGON.DB's 7 fields, numbered 001…");
        if (fields) {
            SaveScreenshot(GetDesktopWindow(), shots / "08-template-fields.bmp");
            PostMessageW(fields, WM_CLOSE, 0, 0);
            WaitFor([&] { return !IsWindowVisible(fields); }, 10);
        }
        PostMessageW(tables, WM_CLOSE, 0, 0);
        WaitFor([&] { return !IsWindowVisible(tables); }, 10);
    }
    PostMessageW(groups, WM_COMMAND, IDCANCEL, 0);  // Escape closes the group list
    Check(WaitFor([&] { return !IsWindowVisible(groups) && IsWindowEnabled(main); }, 10),
          "Escape closes the group list");

    // The group reindex of the open base's marked tables.
    const std::filesystem::path primary = base / "POLIGON.PX";
    const auto beforeReindex = WriteTime(primary);
    Sleep(1100);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kReindexProgram, 0), 0);
    groups = WaitForWindow(kTemplateListClass, "Список баз данных переиндексируемых по шаблону");
    Check(groups != nullptr, "\"По шаблону выборочно по программе\" opens the group list");
    if (!groups) return;
    const auto reindexStart = Clock::now();
    PostMessageW(groups, WM_COMMAND, MAKEWPARAM(kTemplateSelect, 0), 0);
    const bool closed = WaitFor([&] { return !IsWindowVisible(groups) && IsWindowEnabled(main); }, 60);
    const double reindexSeconds = SecondsSince(reindexStart);
    const std::string message = closed ? std::string() : CloseMessageBox(processId);
    Check(closed && WriteTime(primary) != beforeReindex && Rows(parcels) > 0,
          "the group reindex rewrites POLIGON.PX, closes the list and opens the base again (" +
              std::to_string(reindexSeconds) + " s)" + (message.empty() ? "" : ": " + message));
    std::printf("measured: group reindex of the demo base %.3f s\n", reindexSeconds);

    // One table: the group list and the table list in "Select".
    const auto beforeTable = WriteTime(base / "TER.PX");
    Sleep(1100);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kReindexBase, 0), 0);
    groups = WaitForWindow(kTemplateListClass, "Список баз данных переиндексируемых по шаблону");
    if (groups) PostMessageW(groups, WM_COMMAND, IDOK, 0);
    tables = WaitForWindow(kTemplateListClass, "Перечень баз данных");
    Check(tables != nullptr, "\"По шаблону выборочно по базе данных\" leads to the table templates");
    if (!tables) return;
    SendMessageW(tables, WM_COMMAND, MAKEWPARAM(kTemplateLast, 0), 0);  // TER.DB
    PostMessageW(tables, WM_COMMAND, MAKEWPARAM(kTemplateSelect, 0), 0);
    const bool tableDone = WaitFor([&] { return !IsWindowVisible(tables) && !IsWindowVisible(groups) &&
                                                IsWindowEnabled(main) && WriteTime(base / "TER.PX") != beforeTable; }, 60);
    Check(tableDone, "selecting TER.DB closes both lists and reindexes it" +
                         (tableDone ? std::string() : ": " + CloseMessageBox(processId)));
}

// "Проверка и восстановление базы" on the open base with a stray file BROKEN.DB in it:
// the base's tables are in order, the stray one damaged; repairing it reports that it
// cannot be repaired (no structure for its header) and changes nothing.
void WalkRepair(HWND main, RemoteList& remote, const std::filesystem::path& base, const std::filesystem::path& shots) {
    const std::filesystem::path broken = base / "BROKEN.DB";
    std::ofstream(broken, std::ios::binary) << std::string(4096, '\x5A');
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kRepairBase, 0), 0);
    HWND repair = WaitForWindow(kRepairWindowClass, "Проверка и восстановление базы");
    Check(repair != nullptr, "\"Проверка и восстановление базы\" opens its window");
    if (!repair) return;
    HWND tables = GetDlgItem(repair, kRepairTables);
    std::string states;
    for (int row = 0; row < Rows(tables); ++row) states += remote.Text(tables, row, 0) + "=" + remote.Text(tables, row, 1) + "|";
    const bool brokenFirst = remote.Text(tables, 0, 0) == "BROKEN.DB" && remote.Text(tables, 0, 1) != "в порядке";
    Check(Rows(tables) == 4 && brokenFirst && states.find("ter.db=в порядке|") != std::string::npos,
          "the tables and their states: " + states);
    Check(IsWindowEnabled(GetDlgItem(repair, kRepairRun)) != FALSE, "\"Восстановить повреждённые\" is enabled");
    const std::string before = FileBytes(broken);
    SendMessageW(repair, WM_COMMAND, MAKEWPARAM(kRepairRun, 0), 0);
    const std::string report = ControlText(GetDlgItem(repair, kRepairReport));
    Check(report.find("BROKEN") != std::string::npos && FileBytes(broken) == before,
          "the report names the table, which is left as it was: " + report.substr(0, 160));
    SaveScreenshot(GetDesktopWindow(), shots / "09-repair.bmp");
    PostMessageW(repair, WM_COMMAND, MAKEWPARAM(kRepairClose, 0), 0);
    Check(WaitFor([&] { return !IsWindowVisible(repair) && IsWindowEnabled(main); }, 10), "\"Закрыть\" closes it");
    std::error_code ignored;
    std::filesystem::remove(broken, ignored);
}

int SelectedRow(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// The row of the tree's item `name` (its base mark aside); -1 if none.
int TreeRow(HWND tree, RemoteList& remote, const std::string& name) {
    for (int row = 0; row < Rows(tree); ++row) {
        const std::string text = remote.Text(tree, row, 0);
        if (text == name || text.rfind(name + "  ", 0) == 0) return row;
    }
    return -1;
}

// The directory commands of the tree's context menu with the name dialog, and the
// drive box, in the work directory (the tree's current directory at start). Whatever
// is created is deleted again, so the tree ends as it began, its selection included.
void WalkDirectoryCommands(HWND main, HWND tree, RemoteList& remote, DWORD processId,
                           const std::filesystem::path& work, const std::filesystem::path& shots) {
    const int selectedAtStart = SelectedRow(tree);
    // The drive box holds the work directory's drive.
    HWND drives = GetDlgItem(main, kDriveBox);
    std::wstring letter = work.wstring().substr(0, 2);
    CharLowerW(letter.data());
    Check(drives && ControlText(drives) == Narrow(letter),
          "the drive box shows the work directory's drive \"" + Narrow(letter) + "\": \"" + ControlText(drives) + "\"");
    const int driveCount = static_cast<int>(SendMessageW(drives, CB_GETCOUNT, 0, 0));
    Check(driveCount >= 1, "the drive box lists " + std::to_string(driveCount) + " drives");
    SendMessageW(drives, CB_SHOWDROPDOWN, TRUE, 0);
    SaveScreenshot(GetDesktopWindow(), shots / "10-drive-box.bmp");
    SendMessageW(drives, CB_SHOWDROPDOWN, FALSE, 0);

    // "Создать каталог": the name dialog, a name typed, Enter.
    // Names sorting before "demo": deleting the last one selects the current directory
    // again, where the selection was at the start.
    const std::string created = "1 Новый каталог", renamed = "2 Переименованный";
    const auto askName = [&](int command, const std::string& prompt, const std::string& text) -> HWND {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        HWND dialog = WaitForWindow(kNameDialogClass, "Каталог");
        Check(dialog != nullptr, "the name dialog opens");
        if (!dialog) return nullptr;
        wchar_t caption[64] = {};
        GetWindowTextW(dialog, caption, 64);
        const std::string shownPrompt = ControlText(GetDlgItem(dialog, kNamePrompt));
        Check(Narrow(caption) == "Каталог" && shownPrompt == prompt && !IsWindowEnabled(main),
              "the modal name dialog \"" + Narrow(caption) + "\" asks \"" + shownPrompt + "\"");
        SetControlText(GetDlgItem(dialog, kNameEdit), WideUtf8(text));
        return dialog;
    };
    const auto enter = [&](HWND dialog) {
        PressKey(GetDlgItem(dialog, kNameEdit), VK_RETURN);
        return WaitFor([&] { return !IsWindowVisible(dialog) && IsWindowEnabled(main); }, 10);
    };
    const auto selectedText = [&] {
        return SelectedRow(tree) >= 0 ? remote.Text(tree, SelectedRow(tree), 0) : std::string();
    };
    std::error_code ignored;

    if (HWND dialog = askName(kTreeCreateDir, "Имя нового каталога:", created)) {
        SaveScreenshot(GetDesktopWindow(), shots / "11-name-dialog.bmp");
        Check(enter(dialog), "Enter closes the name dialog");
        Check(std::filesystem::is_directory(work / WideUtf8(created), ignored) && selectedText() == created,
              "\"Создать каталог\" creates \"" + created + "\" and selects it: \"" + selectedText() + "\"");
    }

    // "Переименовать": the dialog shows the selected item's name.
    if (HWND dialog = askName(kTreeRenameDir, "Новое имя каталога:", renamed)) {
        Check(enter(dialog), "Enter closes the name dialog");
        Check(!std::filesystem::exists(work / WideUtf8(created), ignored) &&
                  std::filesystem::is_directory(work / WideUtf8(renamed), ignored) && selectedText() == renamed,
              "\"Переименовать\" renames it to \"" + renamed + "\", still selected: \"" + selectedText() + "\"");
    }

    // An existing name: the message, the item selected. The field kept the last text.
    PressKey(tree, VK_HOME);  // the root: nothing opens
    if (HWND dialog = askName(kTreeCreateDir, "Имя нового каталога:", renamed)) {
        PressKey(GetDlgItem(dialog, kNameEdit), VK_RETURN);
        HWND box = WaitForWindow(L"#32770", "TER5 Manager");
        const std::string said = box ? CloseMessageBox(processId) : std::string();
        Check(said == "Каталог " + renamed + " уже существует", "an existing name: \"" + said + "\"");
        Check(WaitFor([&] { return !IsWindow(box) && IsWindowEnabled(main); }, 10), "the message closes");
        Check(WaitFor([&] { return selectedText() == renamed; }, 5), "its item is selected: \"" + selectedText() + "\"");
    }

    // The right button shows the context menu without moving the selection.
    const int before = SelectedRow(tree);
    SendMessageW(tree, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 5));
    PostMessageW(tree, WM_RBUTTONUP, 0, MAKELPARAM(20, 5));
    HWND menu = WaitForWindow(L"#32768", "");
    Check(menu != nullptr && SelectedRow(tree) == before,
          "the right button opens the context menu, the selection stays on row " + std::to_string(SelectedRow(tree)));
    if (menu) {
        SaveScreenshot(GetDesktopWindow(), shots / "12-tree-menu.bmp");
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        Check(WaitFor([&] { return !IsWindowVisible(menu); }, 5), "Escape closes the context menu");
    }

    // "Удалить": the confirmation answered with OK.
    const std::wstring path = (work / WideUtf8(renamed)).wstring();
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kTreeDeleteDir, 0), 0);
    HWND confirm = WaitForWindow(L"#32770", "Предупреждение");
    const std::string asked = confirm ? CloseMessageBox(processId) : std::string();  // answered with OK
    Check(asked == "Удалить каталог " + Narrow(path), "\"Удалить\" asks: \"" + asked + "\"");
    Check(WaitFor([&] { return !std::filesystem::exists(path, ignored) && TreeRow(tree, remote, renamed) < 0; }, 10),
          "the directory is deleted and gone from the tree");
    Check(SelectedRow(tree) == selectedAtStart, "the selection is back on row " + std::to_string(SelectedRow(tree)));
}

// "Создать": the name dialog asks for the new base's directory (relative to the tree's
// current one, the base entered before), the group list in "CreateTerBases" creates the
// group's tables there, and the new directory is the tree's current one.
void WalkCreateBase(HWND main, const std::filesystem::path& base, const std::filesystem::path& shots) {
    const std::string name = "Новая база";
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kCreate, 0), 0);
    HWND dialog = WaitForWindow(kNameDialogClass, "Каталог");
    Check(dialog && ControlText(GetDlgItem(dialog, kNamePrompt)) == "Каталог новой базы:",
          "\"Создать\" asks for the new base's directory");
    if (!dialog) return;
    SetControlText(GetDlgItem(dialog, kNameEdit), WideUtf8(name));
    PressKey(GetDlgItem(dialog, kNameEdit), VK_RETURN);
    HWND groups = WaitForWindow(kTemplateListClass, "Список баз данных переиндексируемых по шаблону");
    Check(groups != nullptr, "then the group list opens");
    if (!groups) return;
    PostMessageW(groups, WM_COMMAND, MAKEWPARAM(kTemplateSelect, 0), 0);
    const std::filesystem::path created = base / WideUtf8(name);
    std::error_code ignored;
    const bool made = WaitFor([&] { return !IsWindowVisible(groups) && IsWindowEnabled(main); }, 30);
    bool tables = true;
    for (const char* table : {"ter.db", "subter.db", "poligon.db"})
        tables = tables && std::filesystem::exists(created / table, ignored);
    Check(made && tables, "the group's tables are created in \"" + name + "\" and the list closes");
    HWND tree = GetDlgItem(main, kDirectoryTree);
    const int selected = static_cast<int>(SendMessageW(tree, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    Check(selected >= 0, "the new directory is the tree's current one, selected (row " + std::to_string(selected) + ")");
    SaveScreenshot(main, shots / "13-base-created.bmp");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: winwalk PROGRAM WORKDIR SHOTDIR\n");
        return 2;
    }
    const std::filesystem::path program = argv[1], work = argv[2], shots = argv[3];
    const std::filesystem::path base = work / "demo";
    std::error_code ignored;
    std::filesystem::create_directories(shots, ignored);
    // map.wmf is written into the program's current directory, the tree's: the work
    // directory while the base is only selected, the base once it is entered.
    const std::filesystem::path mapFile = work / "map.wmf";
    std::filesystem::remove(mapFile, ignored);
    std::filesystem::remove(base / "map.wmf", ignored);

    // Start: the window waits hidden in the tray.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    const auto start = Clock::now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, work.c_str(),
                        &startup, &process)) {
        std::fprintf(stderr, "cannot start %ls: error %lu\n", program.c_str(), GetLastError());
        return 2;
    }
    HWND main = nullptr;
    const bool started = WaitFor([&] { return (main = FindWindowW(kMainWindowClass, nullptr)) != nullptr; }, 60);
    Check(started, "the main window exists after " + std::to_string(SecondsSince(start)) + " s");
    if (!started) {
        TerminateProcess(process.hProcess, 1);
        std::printf("%d passed, %d failed\n", passed, failed);
        return 1;
    }
    WaitForInputIdle(process.hProcess, 10000);
    Check(!IsWindowVisible(main), "the window starts hidden in the tray");
    wchar_t title[256] = {};
    GetWindowTextW(main, title, 256);
    Check(Narrow(title) == "TER5 Manager", "the window title is \"TER5 Manager\"");

    // "Открыть" of the tray menu shows it.
    Command(main, kRestoreItem);
    Check(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 10), "\"Открыть\" shows the window");
    MoveWindow(main, 0, 0, 1000, 700, TRUE);

    HWND tree = GetDlgItem(main, kDirectoryTree);
    HWND parcels = GetDlgItem(main, kParcelGrid);
    HWND owners = GetDlgItem(main, kOwnerGrid);
    HWND mapImage = GetDlgItem(main, kMapImage);
    Check(tree && parcels && owners && mapImage, "the tree, the grids and the map are there");
    RemoteList remote(process.hProcess);
    WalkDirectoryCommands(main, tree, remote, process.dwProcessId, work, shots);

    // The tree lists the base "demo" among the sub-directories; moving the selection
    // onto it with the keys opens it.
    const int treeRows = Rows(tree);
    int demoRow = -1;
    for (int row = 0; row < treeRows; ++row) {
        if (remote.Text(tree, row, 0).rfind("demo", 0) == 0) demoRow = row;
    }
    Check(demoRow > 0, "the tree lists the base \"demo\" (row " + std::to_string(demoRow) + " of " +
                           std::to_string(treeRows) + ")");
    const auto clickToMap = Clock::now();
    PressKey(tree, VK_END);
    for (int row = treeRows - 1; row > demoRow && demoRow > 0; --row) PressKey(tree, VK_UP);
    const bool opened = WaitFor([&] { return Rows(parcels) > 0 && std::filesystem::exists(mapFile); }, 120);
    const double openSeconds = SecondsSince(clickToMap);
    Check(opened, "selecting the base fills the grids and writes map.wmf (" + std::to_string(openSeconds) + " s)");
    Check(demoRow > 0 && remote.Text(tree, demoRow, 0).find("[Б]") != std::string::npos,
          "the base carries the base mark");
    const int parcelRows = Rows(parcels), ownerRows = Rows(owners);
    Check(parcelRows > 0 && ownerRows > 0,
          "parcels " + std::to_string(parcelRows) + ", owners " + std::to_string(ownerRows));
    SaveScreenshot(main, shots / "01-base-opened.bmp");

    // Moving in the parcel grid moves the owner grid to an owner of that parcel.
    for (int i = 0; i < 3; ++i) PressKey(parcels, VK_DOWN);
    Check(FocusedRow(parcels) == 3, "three steps down the parcel grid: row " + std::to_string(FocusedRow(parcels)));
    const std::string code = remote.Text(parcels, 3, 2);
    const int ownerRow = FocusedRow(owners);
    const std::string ownerCode = ownerRow >= 0 ? remote.Text(owners, ownerRow, 3) : std::string();
    Check(!code.empty() && (ownerRow < 0 || ownerCode == code),
          "the owner grid follows parcel " + code + " (owner row " + std::to_string(ownerRow) + ", code " + ownerCode + ")");

    // A pick on the map: the current parcel fitted into the map, the grid moved away,
    // then a click in the map's middle with the pick tool brings the grid back.
    Command(main, kViewObject);
    PressKey(parcels, VK_HOME);
    Check(FocusedRow(parcels) == 0, "Home moves the parcel grid to its first row");
    Command(main, kToolPick);
    RECT mapBox{};
    GetClientRect(mapImage, &mapBox);
    const LPARAM middle = MAKELPARAM(mapBox.right / 2, mapBox.bottom / 2);
    const auto pickStart = Clock::now();
    SendMessageW(mapImage, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageW(mapImage, WM_LBUTTONUP, 0, middle);
    Check(WaitFor([&] { return FocusedRow(parcels) == 3; }, 10),
          "a pick in the middle of the fitted parcel selects it again: row " + std::to_string(FocusedRow(parcels)) +
              " (" + std::to_string(SecondsSince(pickStart)) + " s)");
    SaveScreenshot(main, shots / "02-picked.bmp");

    // View all (F5), and a display option: the map is drawn again (map.wmf rewritten).
    const auto before = std::filesystem::last_write_time(mapFile, ignored);
    Sleep(1100);
    const auto viewAllStart = Clock::now();
    Command(main, kViewAll);
    const double viewAllSeconds = SecondsSince(viewAllStart);
    Check(std::filesystem::last_write_time(mapFile, ignored) != before,
          "view all draws the map again (" + std::to_string(viewAllSeconds) + " s)");
    // A display option ("точек") draws the map again with it.
    const auto beforeOption = std::filesystem::last_write_time(mapFile, ignored);
    Sleep(1100);
    Command(main, kFirstOption + 1);
    Check(std::filesystem::last_write_time(mapFile, ignored) != beforeOption,
          "\"точек\" draws the map again");
    SaveScreenshot(main, shots / "03-view-all-points.bmp");

    // The scale box: 500 typed and Enter released sets 1:500; the scale menu's "1:2000"
    // sets that, and the box follows.
    HWND scaleBox = GetDlgItem(GetDlgItem(main, kToolBar), kScaleBox);
    HWND status = GetDlgItem(main, kStatusBar);
    SetControlText(scaleBox, L"500");
    SendMessageW(scaleBox, WM_KEYUP, VK_RETURN, 0xC0000001);
    Check(ControlText(status) == "M 1:500", "500 in the scale box sets the scale: \"" + ControlText(status) + "\"");
    Command(main, kFirstScale + 6);
    Check(ControlText(status) == "M 1:2000" && ControlText(scaleBox) == "2000",
          "the scale menu's 1:2000: \"" + ControlText(status) + "\", box \"" + ControlText(scaleBox) + "\"");

    // Enter on the open base enters it: the map is drawn again into the base itself.
    PressKey(tree, VK_RETURN);
    Check(WaitFor([&] { return std::filesystem::exists(base / "map.wmf"); }, 10),
          "entering the open base writes map.wmf into it");

    // The search dialog: "Найти ..." opens it beside the map. A cadastral number of the
    // last parcel makes that parcel current and centres the map on it (map.wmf drawn
    // anew, differently); a name nobody has says "Ничего не найдено".
    const std::filesystem::path baseMap = base / "map.wmf";
    Command(main, kViewAll);
    const std::string allObjects = FileBytes(baseMap);
    const int target = parcelRows - 1;
    const std::string targetCode = remote.Text(parcels, target, 2);
    const std::string cadastral = remote.Text(parcels, target, 5);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kSeek, 0), 0);
    HWND seek = nullptr;
    Check(WaitFor([&] { return (seek = FindWindowW(kSeekDialogClass, nullptr)) && IsWindowVisible(seek); }, 10),
          "\"Найти ...\" opens the search dialog");
    if (seek) {
        wchar_t caption[128] = {};
        GetWindowTextW(seek, caption, 128);
        Check(Narrow(caption) == "Поиск по фамилии и адресу", "the dialog's caption: " + Narrow(caption));
        std::string captions;
        for (const int id : {int{kSeekFirstRadio}, kSeekFirstRadio + 4, int{kSeekFind}, int{kSeekFindNext}, int{kSeekCancel}})
            captions += ControlText(GetDlgItem(seek, id)) + "|";
        Check(captions == "Ф.И.О.|Координаты|&Найти|&Найти далее|&Отменить|", "the dialog's texts: " + captions);
        Check(!IsWindowEnabled(GetDlgItem(seek, kSeekFindNext)), "find-next is disabled before the first search");
        Check(!IsWindowEnabled(main), "the dialog is modal");
        RECT seekBox{}, mapScreen{};
        GetWindowRect(seek, &seekBox);
        GetWindowRect(mapImage, &mapScreen);
        const POINT mapCentre{(mapScreen.left + mapScreen.right) / 2, (mapScreen.top + mapScreen.bottom) / 2};
        Check(!PtInRect(&seekBox, mapCentre), "the dialog leaves the map's centre free");

        const HWND status = GetDlgItem(seek, kSeekStatus);
        SetControlText(GetDlgItem(seek, kSeekFirstField + 3), WideUtf8(cadastral));
        Click(seek, kSeekFirstRadio + 3);
        const auto searchStart = Clock::now();
        Click(seek, kSeekFind);
        const double searchSeconds = SecondsSince(searchStart);
        Check(FocusedRow(parcels) == target && remote.Text(parcels, FocusedRow(parcels), 2) == targetCode,
              "cadastral number " + cadastral + " makes parcel " + targetCode + " current: row " +
                  std::to_string(FocusedRow(parcels)) + " (" + std::to_string(searchSeconds) + " s)");
        const std::string found = FileBytes(baseMap);
        Check(!found.empty() && found != allObjects, "the map moved to the parcel found (map.wmf drawn anew)");
        Check(IsWindowEnabled(GetDlgItem(seek, kSeekFindNext)) && ControlText(status).empty(),
              "after a hit find-next is enabled (" + std::to_string(IsWindowEnabled(GetDlgItem(seek, kSeekFindNext))) +
                  ") and the status strip empty: \"" + ControlText(status) + "\"");
        SaveScreenshot(GetDesktopWindow(), shots / "05-search-found.bmp");

        SetControlText(GetDlgItem(seek, kSeekFirstField), L"Нет такого владельца");
        Click(seek, kSeekFirstRadio);
        Click(seek, kSeekFind);
        Check(ControlText(status) == "Ничего не найдено", "a name nobody has: \"" + ControlText(status) + "\"");
        Check(FocusedRow(parcels) == target, "nothing found leaves the parcel grid where it was");
        SaveScreenshot(GetDesktopWindow(), shots / "06-search-nothing-found.bmp");

        // Enter released in the cadastral field searches again; the status strip clears.
        Click(seek, kSeekFirstRadio + 3);
        SendMessageW(GetDlgItem(seek, kSeekFirstField + 3), WM_KEYUP, VK_RETURN, 0xC0000001);
        Check(ControlText(status).empty() && FocusedRow(parcels) == target,
              "Enter in the cadastral field searches it again: \"" + ControlText(status) + "\", row " +
                  std::to_string(FocusedRow(parcels)));

        // "&Отменить" closes it; Ctrl+N steps on without it; opened again it is where it was,
        // with its texts.
        Click(seek, kSeekCancel);
        Check(WaitFor([&] { return !IsWindowVisible(seek) && IsWindowEnabled(main); }, 10),
              "\"&Отменить\" closes the dialog");
        PressKey(parcels, VK_HOME);
        Command(main, kSeekNext);
        Check(FocusedRow(parcels) == target, "\"Продолжение поиска\" shows the hit again with the dialog closed");
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(kSeek, 0), 0);
        Check(WaitFor([&] { return IsWindowVisible(seek) != FALSE; }, 10), "\"Найти ...\" opens it again");
        RECT again{};
        GetWindowRect(seek, &again);
        Check(again.left == seekBox.left && again.top == seekBox.top &&
                  ControlText(GetDlgItem(seek, kSeekFirstField + 3)) == cadastral,
              "it opens where it was, with its texts");
        PostMessageW(seek, WM_CLOSE, 0, 0);
        Check(WaitFor([&] { return !IsWindowVisible(seek) && IsWindowEnabled(main); }, 10), "the dialog closes");
        std::printf("measured: search first hit %.3f s\n", searchSeconds);
    }

    WalkTemplates(main, remote, process.dwProcessId, base, shots);
    WalkRepair(main, remote, base, shots);
    WalkCreateBase(main, base, shots);

    // The about window: the strip of links, closed again.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kAboutItem, 0), 0);
    HWND about = nullptr;
    Check(WaitFor([&] { return (about = FindWindowW(kAboutWindowClass, nullptr)) != nullptr; }, 10),
          "\"?\" opens the about window");
    // Shown once its links are all there; a moment more for its first painting.
    if (about && WaitFor([&] { return IsWindowVisible(about) != FALSE; }, 10)) {
        Sleep(500);
        std::string strip;
        for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t text[128] = {};
            GetWindowTextW(child, text, 128);
            strip += Narrow(text) + "|";
        }
        bool allLinks = true;
        for (const char* link : {"Новости", "Изменения", "Обновления", "Заказать", "Менеджер", "Администратор"})
            allLinks = allLinks && ("|" + strip).find("|" + std::string(link) + "|") != std::string::npos;
        Check(allLinks, "the about window's links: " + strip);
        SaveScreenshot(about, shots / "04-about.bmp");
        PostMessageW(about, WM_CLOSE, 0, 0);
        Check(WaitFor([&] { return !IsWindow(about); }, 10), "the about window closes");
    }

    // Closing hides the window; "Выход" of the tray menu ends the program.
    SendMessageW(main, WM_CLOSE, 0, 0);
    Check(!IsWindowVisible(main) && IsWindow(main), "closing hides the window into the tray");
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kExitItem, 0), 0);
    const bool ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    DWORD code_ = 1;
    GetExitCodeProcess(process.hProcess, &code_);
    Check(ended && code_ == 0, "\"Выход\" ends the program with status 0");
    if (!ended) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::printf("measured: open base to map %.3f s, view all %.3f s\n", openSeconds, viewAllSeconds);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
