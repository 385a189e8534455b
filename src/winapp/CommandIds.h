#pragma once
// The command and control identifiers of the Windows program's main window. A program
// that drives the window (the walk test under Wine) sends WM_COMMAND with these and
// finds the controls by them, so they are part of the window's outside face.

namespace ter5::winapp {

// The main window's class name and the tray icon's message.
inline constexpr wchar_t kMainWindowClass[] = L"Ter5ManagerMain";

enum ControlId : int {
    kToolBar = 100,
    kStatusBar = 101,
    kDirectoryTree = 102,  // DirectoryListBox1
    kParcelGrid = 103,     // DBGrid4
    kOwnerGrid = 104,      // DBGrid1
    kMapImage = 105,       // MapImage
    kDriveBox = 106,       // DriveComboBox1
};

// The name dialog `TNewForm`'s class name, and its controls' ids in it.
inline constexpr wchar_t kNameDialogClass[] = L"Ter5ManagerName";
enum NameControlId : int {
    kNamePrompt = 240,  // the line saying what to type
    kNameEdit,          // Edit1
};

// The search dialog's class name, and its controls' ids in it.
inline constexpr wchar_t kSeekDialogClass[] = L"Ter5ManagerSeek";
enum SeekControlId : int {
    kSeekFirstRadio = 200,  // RadioButton1 .. RadioButton5: kSeekFirstRadio + 0..4
    kSeekFirstField = 210,  // Edit1 .. Edit6: kSeekFirstField + 0..5
    kSeekFind = 220,        // SpeedButton3 "&Найти"
    kSeekFindNext,          // FindNext "&Найти далее"
    kSeekCancel,            // SpeedButton2 "&Отменить"
    kSeekStatus,            // StatusBar1
    kSeekXLabel,
    kSeekYLabel,
};

enum CommandId : int {
    // Tray menu PopupMenu1.
    kRestoreItem = 1000,  // "Открыть"
    kHideItem,            // "Скрыть"
    kAboutItem,           // N4 "О программе ..."
    kExitItem,            // FileExitItem1 "Выход"
    // "База".
    kOpen = 1100,  // nOpen: the companion program on the selected directory
    kCreate,       // nCreate
    // The directory tree's context menu PopupMenuDir.
    kTreeOpenBase = 1150,  // TER1 "Открыть базу TER"
    kTreeCreateBase,       // N19 "Создать базу TER"
    kTreeReindexProgram,   // N23 "Переиндексация выборочно по программе"
    kTreeReindexBase,      // N24 "Переиндексация выборочно по базе"
    kTreeCreateDir,        // nCreateDir "Создать каталог"
    kTreeRenameDir,        // nRenameDir "Переименовать"
    kTreeDeleteDir,        // nDeleteDir "Удалить"
    // "Поиск".
    kSeek = 1200,
    kSeekNext,
    // "Рисунок" and the map tool bar.
    kMapDraw = 1300,  // sbMapDraw "Формирование"
    kZoomOut,         // F3
    kZoomIn,          // F4
    kViewAll,         // F5
    kViewObject,      // tbViewObject
    kShiftObject,     // tbShiftObject
    kToolZoom,        // TBZoom
    kToolMove,        // TBMove
    kToolPick,        // TBPick
    kShowMap,         // tbShowMap
    kOpenTables,      // tbOpenTable
    // "Отображение": kFirstOption + the option's place in DisplayOption order.
    kFirstOption = 1400,
    // "Быстрый старт": kFirstQuickStart + the line's place in the list.
    kFirstQuickStart = 1500,
};

}  // namespace ter5::winapp
