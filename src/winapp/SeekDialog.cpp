#include "winapp/SeekDialog.h"

#include <commctrl.h>

#include <exception>
#include <string>

#include "winapp/ChildControls.h"
#include "winapp/CommandIds.h"
#include "winapp/ModalLoop.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

namespace {

using search::kSeekFieldCount;
using search::kSeekRadioCount;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The grid of fields: a row per radio button, pixels of the client area.
constexpr int kMargin = 8;
constexpr int kRowTop = 12;
constexpr int kRowStep = 32;
constexpr int kRowHeight = 24;
constexpr int kRadioWidth = 160;
constexpr int kFieldLeft = kMargin + kRadioWidth + 4;
constexpr int kLabelWidth = 30;
// The button strip above the status strip.
constexpr int kButtonHeight = 28;
constexpr int kStatusHeight = 22;
constexpr int kButtonWidths[] = {90, 120, 90};  // "&Найти", "&Найти далее", "&Отменить"

}  // namespace

SeekDialog::SeekDialog(search::SearchHost& host) : steps_(host) {}

SeekDialog::~SeekDialog() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (boldFont_) DeleteObject(boldFont_);
}

template <typename F>
void SeekDialog::Guarded(F&& step) {
    RunShowingErrors(hwnd_, step);
}

void SeekDialog::Create(HWND owner) {
    RegisterWindowClassOnce(kSeekDialogClass, ObjectWindowProc<SeekDialog>, 0, LoadCursorW(nullptr, IDC_ARROW),
                            reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    RECT frame{0, 0, search::kSeekClientWidth, search::kSeekClientHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    CreateWindowExW(kExStyle, kSeekDialogClass, Wide(search::kSeekCaption).c_str(), kStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                    GetModuleHandleW(nullptr), this);
    CreateControls();
    CheckRadioButton(hwnd_, kSeekFirstRadio, kSeekFirstRadio + kSeekRadioCount - 1, kSeekFirstRadio);
    lastFocus_ = GetDlgItem(hwnd_, kSeekFirstField);  // the name field has the focus first
}

void SeekDialog::CreateControls() {
    font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW bold{};
    GetObjectW(font_, sizeof bold, &bold);
    bold.lfWeight = FW_BOLD;
    boldFont_ = CreateFontIndirectW(&bold);

    const int fieldRight = search::kSeekClientWidth - kMargin;
    for (std::size_t i = 0; i < kSeekRadioCount; ++i) {
        const int top = kRowTop + static_cast<int>(i) * kRowStep;
        AddChildControl(hwnd_, L"BUTTON", search::kSeekRadioCaptions[i],
                   BS_AUTORADIOBUTTON | WS_TABSTOP | (i == 0 ? WS_GROUP : 0), kSeekFirstRadio + static_cast<int>(i),
                   {kMargin, top, kMargin + kRadioWidth, top + kRowHeight}, boldFont_);
    }
    // The text fields, a row each; the two coordinate fields share the last row with their labels.
    const int coordinateTop = kRowTop + static_cast<int>(kSeekRadioCount - 1) * kRowStep;
    const int half = (fieldRight - kFieldLeft) / 2;
    const RECT fieldBoxes[kSeekFieldCount] = {
        {kFieldLeft, kRowTop, fieldRight, kRowTop + kRowHeight},
        {kFieldLeft, kRowTop + kRowStep, fieldRight, kRowTop + kRowStep + kRowHeight},
        {kFieldLeft, kRowTop + 2 * kRowStep, fieldRight, kRowTop + 2 * kRowStep + kRowHeight},
        {kFieldLeft, kRowTop + 3 * kRowStep, fieldRight, kRowTop + 3 * kRowStep + kRowHeight},
        {kFieldLeft + kLabelWidth, coordinateTop, kFieldLeft + half - 6, coordinateTop + kRowHeight},
        {kFieldLeft + half + kLabelWidth, coordinateTop, fieldRight, coordinateTop + kRowHeight},
    };
    AddChildControl(hwnd_, L"STATIC", search::kSeekXLabel, SS_CENTERIMAGE, kSeekXLabel,
               {kFieldLeft, coordinateTop, kFieldLeft + kLabelWidth, coordinateTop + kRowHeight}, font_);
    AddChildControl(hwnd_, L"STATIC", search::kSeekYLabel, SS_CENTERIMAGE, kSeekYLabel,
               {kFieldLeft + half, coordinateTop, kFieldLeft + half + kLabelWidth, coordinateTop + kRowHeight}, font_);
    for (std::size_t i = 0; i < kSeekFieldCount; ++i) {
        // The first field ends the radio buttons' group, so that the arrow keys stay among them.
        const DWORD style = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (i == 0 ? WS_GROUP : 0);
        const HWND field =
            AddChildControl(hwnd_, L"EDIT", "", style, kSeekFirstField + static_cast<int>(i), fieldBoxes[i], font_);
        SetWindowSubclass(field, FieldProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }

    const char* captions[] = {search::kSeekFindCaption, search::kSeekFindNextCaption, search::kSeekCancelCaption};
    const int ids[] = {kSeekFind, kSeekFindNext, kSeekCancel};
    const int buttonTop = search::kSeekClientHeight - kStatusHeight - kMargin - kButtonHeight;
    int right = fieldRight;
    for (int i = 2; i >= 0; --i) {
        AddChildControl(hwnd_, L"BUTTON", captions[i], BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, ids[i],
                   {right - kButtonWidths[i], buttonTop, right, buttonTop + kButtonHeight}, font_);
        right -= kButtonWidths[i] + 6;
    }
    AddChildControl(hwnd_, STATUSCLASSNAMEW, "", 0, kSeekStatus, {0, 0, 0, 0}, font_);
}

void SeekDialog::ShowModal(HWND owner, const Placement& placement) {
    if (!hwnd_) Create(owner);
    if (!hwnd_ || shown_) return;
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    const POINT at = place_ ? *place_ : placement(SIZE{frame.right - frame.left, frame.bottom - frame.top});
    SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    shown_ = true;
    RunModal(hwnd_, owner, [this] {
        if (lastFocus_) SetFocus(lastFocus_);  // and the field checks its radio button
        ShowSteps();
    });
    shown_ = false;
}

void SeekDialog::FindNextCommand() {
    if (!hwnd_) return;
    EnableWindow(GetDlgItem(hwnd_, kSeekFindNext), steps_.FindNextEnabled());
    FindNext();
}

LRESULT SeekDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        Control(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) ShowSteps();
        break;
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

LRESULT CALLBACK SeekDialog::FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) {
    // Enter released in any field runs the search; its character would only beep.
    if (message == WM_KEYUP && wParam == VK_RETURN) {
        reinterpret_cast<SeekDialog*>(self)->Find();
        return 0;
    }
    if (message == WM_CHAR && wParam == L'\r') return 0;
    return DefSubclassProc(field, message, wParam, lParam);
}

void SeekDialog::Control(int id, int code) {
    if (id >= kSeekFirstRadio && id < kSeekFirstRadio + static_cast<int>(kSeekRadioCount)) {
        if (code == BN_CLICKED) CheckRadioButton(hwnd_, kSeekFirstRadio, kSeekFirstRadio + kSeekRadioCount - 1, id);
        return;
    }
    if (id >= kSeekFirstField && id < kSeekFirstField + static_cast<int>(kSeekFieldCount)) {
        // The field receiving the focus checks its radio button.
        if (code == EN_SETFOCUS) {
            const std::size_t radio = search::SeekRadioOfField(static_cast<std::size_t>(id - kSeekFirstField));
            CheckRadioButton(hwnd_, kSeekFirstRadio, kSeekFirstRadio + kSeekRadioCount - 1,
                             kSeekFirstRadio + static_cast<int>(radio));
        }
        return;
    }
    switch (id) {
    case kSeekFind: Find(); break;
    case kSeekFindNext: FindNext(); break;
    case kSeekCancel:
    case IDCANCEL: Close(); break;
    default: break;  // IDOK (Enter) belongs to the fields' key-up, never to a default button
    }
}

std::size_t SeekDialog::CheckedRadio() const {
    for (std::size_t i = 0; i < kSeekRadioCount; ++i) {
        if (IsDlgButtonChecked(hwnd_, kSeekFirstRadio + static_cast<int>(i)) == BST_CHECKED) return i;
    }
    return kSeekRadioCount - 1;
}

void SeekDialog::Find() {
    search::SeekFieldTexts fields;
    for (std::size_t i = 0; i < kSeekFieldCount; ++i) {
        fields[i] = WindowTextOf(GetDlgItem(hwnd_, kSeekFirstField + static_cast<int>(i)));
    }
    EnableWindow(GetDlgItem(hwnd_, kSeekFindNext), FALSE);
    SetDlgItemTextW(hwnd_, kSeekStatus, L"");
    const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    Guarded([&] { steps_.Find(search::SeekRequest(CheckedRadio(), fields)); });
    SetCursor(previous);
    ShowSteps();
}

void SeekDialog::FindNext() {
    Guarded([this] { steps_.FindNext(); });
}

void SeekDialog::Close() {
    if (!hwnd_ || !IsWindowVisible(hwnd_)) return;
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    place_ = POINT{frame.left, frame.top};
    HideModal(hwnd_);
}

void SeekDialog::ShowSteps() {
    if (!hwnd_) return;
    EnableWindow(GetDlgItem(hwnd_, kSeekFindNext), steps_.FindNextEnabled());
    SetDlgItemTextW(hwnd_, kSeekStatus, Wide(steps_.StatusText()).c_str());
}

}  // namespace ter5::winapp
