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
    kScaleBox = 106,       // EditScale, in the tool bar's scale panel
    kScaleMenuButton = 107,  // SpeedButton3, the arrow beside it
    kDriveBox = 108,       // DriveComboBox1
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

// The template list windows' class, and the ids in them: the grid, the bars, the
// tool buttons and menu commands.
inline constexpr wchar_t kTemplateListClass[] = L"Ter5ManagerTemplateList";
enum TemplateListId : int {
    kTemplateGrid = 300,  // DBGrid1
    kTemplateToolBar,     // ToolBar1
    kTemplateStatus,      // StatusBar1
    kTemplateProgress,    // ProgressBar1 (the group list)
    kTemplateDelete = 310,  // SpeedButton3 "Удалить запись"
    kTemplateFirst,         // DBNavigator1: first, prior, next, last, post, cancel, refresh
    kTemplatePrior,
    kTemplateNext,
    kTemplateLast,
    kTemplatePost,
    kTemplateCancel,
    kTemplateRefresh,
    kTemplateCreate,        // SpeedButton2 "Создать запись"
    kTemplateEdit,          // SpeedButton4 "Редактировать параметры записи"
    kTemplateSelect,        // SpeedButton5 "Выбрать строку из списка"
    kTemplateFields,        // SpeedButton1 "Список полей" (the table list)
    kTemplateImportBase,    // SpeedButton6
    kTemplateImportTables,  // SpeedButton7
    kTemplateMark,          // N6 "Пометить" (Ctrl+M)
};

// The template edit dialogs' class, and the ids in them: the edit boxes top to bottom,
// the radio buttons of group g at kTemplateFirstRadio + 10 g + i, the two buttons.
inline constexpr wchar_t kTemplateEditClass[] = L"Ter5ManagerTemplateEdit";
enum TemplateEditId : int {
    kTemplateFirstBox = 400,
    kTemplateFirstRadio = 420,
    kTemplateSave = 460,    // SpeedButton1 "Сохранить"
    kTemplateDiscard,       // SpeedButton2 "Отменить"
};

// The repair window's class, and its controls' ids.
inline constexpr wchar_t kRepairWindowClass[] = L"Ter5ManagerRepair";
enum RepairControlId : int {
    kRepairDirectory = 500,  // "Каталог: …"
    kRepairTables,           // TablesGrid: table, state
    kRepairGroup,            // GroupBox: the structure source
    kRepairCheck,            // "Проверить"
    kRepairRun,              // "Восстановить повреждённые"
    kRepairClose,            // "Закрыть"
    kRepairReport,           // ReportMemo
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
    // "Переиндексация".
    kReindexProgram = 1150,  // nReindexTERBases: the group list in "ReIndex"
    kReindexBase,            // nReindexSelectBase: the group list in "Select"
    kEditTemplates,          // nReindexEditBases: the group list in "Edit"
    kRepairBase,             // nRepairBase: "Проверка и восстановление базы"
    // The directory tree's context menu PopupMenuDir.
    kTreeOpenBase = 1170,  // TER1 "Открыть базу TER"
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
    // The scale menu PMenuScale: kFirstScale + the entry's place (NS1 … NS17).
    kFirstScale = 1600,
};

}  // namespace ter5::winapp
