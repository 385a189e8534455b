#include "winapp/TemplateEditDialog.h"

#include "winapp/ChildControls.h"
#include "winapp/CommandIds.h"
#include "winapp/ModalLoop.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The form, pixels of the client area: a label column and a field column.
constexpr int kMargin = 10;
constexpr int kLabelWidth = 170;
constexpr int kFieldWidth = 300;
constexpr int kRowHeight = 24;
constexpr int kRowStep = 30;
constexpr int kRadioWidth = 150;
constexpr int kButtonWidth = 100;
constexpr int kClientWidth = kMargin + kLabelWidth + kFieldWidth + kMargin;

HWND AddControl(HWND parent, const wchar_t* kind, const std::string& text, DWORD style, int id, int x, int y,
                int width, int height) {
    return AddChildControl(parent, kind, text, style, id, RECT{x, y, x + width, y + height}, nullptr,
                           kind == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0);
}

}  // namespace

TemplateEditDialog::TemplateEditDialog(base::BaseTable& table, const templates::TemplateEditLayout& layout)
    : table_(table), layout_(layout) {
    for (const templates::TemplateEditBox& box : layout_.boxes) texts_.push_back({box.field, {}, {}});
    for (const templates::TemplateRadioGroup& group : layout_.radios) choices_.push_back({&group, -1, -1});
}

TemplateEditDialog::~TemplateEditDialog() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void TemplateEditDialog::Create(HWND owner) {
    RegisterWindowClassOnce(kTemplateEditClass, ObjectWindowProc<TemplateEditDialog>, 0,
                            LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    CreateWindowExW(kExStyle, kTemplateEditClass, Wide(layout_.caption).c_str(), kStyle, 0, 0, 100, 100, owner,
                    nullptr, GetModuleHandleW(nullptr), this);
    int y = kMargin;
    for (std::size_t i = 0; i < layout_.boxes.size(); ++i) {
        const templates::TemplateEditBox& box = layout_.boxes[i];
        AddControl(hwnd_, L"STATIC", box.label, SS_CENTERIMAGE, -1, kMargin, y, kLabelWidth - 6, kRowHeight);
        const int width = box.maxLength == 1 ? 40 : kFieldWidth;
        AddControl(hwnd_, L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | (i == 0 ? WS_GROUP : 0),
                   kTemplateFirstBox + static_cast<int>(i), kMargin + kLabelWidth, y, width, kRowHeight);
        y += kRowStep;
    }
    for (std::size_t g = 0; g < layout_.radios.size(); ++g) {
        const templates::TemplateRadioGroup& group = layout_.radios[g];
        const int rows = (static_cast<int>(group.captions.size()) + group.columns - 1) / group.columns;
        const int height = 24 + rows * kRowStep;
        AddControl(hwnd_, L"BUTTON", group.title, BS_GROUPBOX, -1, kMargin, y, kClientWidth - 2 * kMargin, height);
        for (std::size_t i = 0; i < group.captions.size(); ++i) {
            const int column = static_cast<int>(i) % group.columns, row = static_cast<int>(i) / group.columns;
            AddControl(hwnd_, L"BUTTON", group.captions[i], BS_AUTORADIOBUTTON | WS_TABSTOP | (i == 0 ? WS_GROUP : 0),
                       kTemplateFirstRadio + 10 * static_cast<int>(g) + static_cast<int>(i),
                       kMargin + 10 + column * kRadioWidth, y + 20 + row * kRowStep, kRadioWidth - 6, kRowHeight);
        }
        y += height + 8;
    }
    const templates::TemplateToolTexts& texts = templates::ToolTexts();
    y += 6;
    AddControl(hwnd_, L"BUTTON", texts.save, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, kTemplateSave,
               kClientWidth - kMargin - 2 * kButtonWidth - 6, y, kButtonWidth, 28);
    AddControl(hwnd_, L"BUTTON", texts.cancel, BS_PUSHBUTTON | WS_TABSTOP, kTemplateDiscard,
               kClientWidth - kMargin - kButtonWidth, y, kButtonWidth, 28);
    RECT frame{0, 0, kClientWidth, y + 28 + kMargin};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const SIZE size{frame.right - frame.left, frame.bottom - frame.top};
    const POINT at = CentredOnScreen(owner, size);
    SetWindowPos(hwnd_, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TemplateEditDialog::ShowModal(HWND owner) {
    if (!hwnd_) Create(owner);
    if (!hwnd_ || IsWindowVisible(hwnd_)) return;
    Load();
    RunModal(hwnd_, owner, [this] {
        if (!layout_.boxes.empty()) SetFocus(GetDlgItem(hwnd_, kTemplateFirstBox));
    });
}

void TemplateEditDialog::Load() {
    for (std::size_t i = 0; i < layout_.boxes.size(); ++i) {
        const templates::TemplateEditBox& box = layout_.boxes[i];
        texts_[i].loaded = templates::TemplateFieldText(table_, box.field, box.numberFormat);
        const HWND edit = GetDlgItem(hwnd_, kTemplateFirstBox + static_cast<int>(i));
        SetWindowTextW(edit, Wide(texts_[i].loaded).c_str());
        // An alpha field takes no more characters than it has room for.
        SendMessageW(edit, EM_SETLIMITTEXT,
                     static_cast<WPARAM>(box.maxLength > 0 ? box.maxLength : templates::TemplateBoxLength(table_, box.field)),
                     0);
    }
    for (std::size_t g = 0; g < choices_.size(); ++g) {
        choices_[g].loaded = templates::TemplateRadioIndex(table_, *choices_[g].group);
        for (std::size_t i = 0; i < choices_[g].group->captions.size(); ++i) {
            CheckDlgButton(hwnd_, kTemplateFirstRadio + 10 * static_cast<int>(g) + static_cast<int>(i),
                           static_cast<int>(i) == choices_[g].loaded ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

bool TemplateEditDialog::Commit() {
    for (std::size_t i = 0; i < texts_.size(); ++i)
        texts_[i].typed = WindowTextOf(GetDlgItem(hwnd_, kTemplateFirstBox + static_cast<int>(i)));
    for (std::size_t g = 0; g < choices_.size(); ++g) {
        choices_[g].chosen = -1;
        for (std::size_t i = 0; i < choices_[g].group->captions.size(); ++i) {
            if (IsDlgButtonChecked(hwnd_, kTemplateFirstRadio + 10 * static_cast<int>(g) + static_cast<int>(i)) ==
                BST_CHECKED)
                choices_[g].chosen = static_cast<int>(i);
        }
    }
    return RunShowingErrors(hwnd_, [this] { templates::CommitTypedValues(table_, texts_, choices_); });
}

void TemplateEditDialog::Save() {
    if (Commit() && RunShowingErrors(hwnd_, [this] { templates::SaveTemplateTable(table_); })) HideModal(hwnd_);
}

void TemplateEditDialog::Discard() {
    table_.Cancel();
    HideModal(hwnd_);
}

void TemplateEditDialog::CloseKeepingRow() {
    if (Commit()) HideModal(hwnd_);
}

LRESULT TemplateEditDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kTemplateSave: Save(); return 0;
        case kTemplateDiscard: Discard(); return 0;
        case IDCANCEL: CloseKeepingRow(); return 0;  // Escape
        default: return 0;                          // Enter (IDOK) saves nothing by itself
        }
    case WM_CLOSE:
        CloseKeepingRow();
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
