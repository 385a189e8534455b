#include "winapp/NameDialog.h"

#include <commctrl.h>

#include <algorithm>

#include "winapp/ChildControls.h"
#include "winapp/CommandIds.h"
#include "winapp/ModalLoop.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

namespace {

// A fixed frame with a caption and the close box.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The client area, pixels: the prompt line above the field.
struct ClientLayout {
    int minimumWidth;  // the narrowest the dialog gets
    int margin;        // around the two rows
    int promptHeight;
    int fieldHeight;
    int gap;  // between the rows
};
constexpr ClientLayout kLayout{220, 8, 16, 22, 4};

// The field tells the dialog that Enter (wParam 1) or Escape (0) was released.
constexpr UINT kAnswerMessage = WM_APP + 1;

LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    // The release decides, as `Edit1KeyUp` does; the press and its character would only beep.
    const bool answerKey = wParam == VK_RETURN || wParam == VK_ESCAPE;
    if (message == WM_KEYUP && answerKey) {
        SendMessageW(GetParent(field), kAnswerMessage, wParam == VK_RETURN ? 1 : 0, 0);
        return 0;
    }
    if ((message == WM_KEYDOWN && answerKey) || (message == WM_CHAR && (wParam == L'\r' || wParam == 0x1B))) return 0;
    return DefSubclassProc(field, message, wParam, lParam);
}

// The width of `window`'s text drawn in `font`, pixels.
int TextWidth(HWND window, HFONT font) {
    const std::wstring text = Wide(WindowTextOf(window));
    HDC dc = GetDC(window);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
}

}  // namespace

NameDialog::~NameDialog() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void NameDialog::Create(HWND owner) {
    RegisterWindowClassOnce(kNameDialogClass, ObjectWindowProc<NameDialog>, 0, LoadCursorW(nullptr, IDC_ARROW),
                            reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    CreateWindowExW(kExStyle, kNameDialogClass, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, kLayout.minimumWidth, 100,
                    owner, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd_) return;
    prompt_ = AddChildControl(hwnd_, L"STATIC", "", SS_LEFT, kNamePrompt, RECT{});
    edit_ = AddChildControl(hwnd_, L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kNameEdit, RECT{}, nullptr,
                            WS_EX_CLIENTEDGE);
    SetWindowSubclass(edit_, FieldProc, 0, 0);
}

void NameDialog::Fit(HWND owner) {
    // Wide enough for the caption on the title bar (with the close box and the
    // frame) and for the prompt, so that neither is cut.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT captionFont = CreateFontIndirectW(&metrics.lfCaptionFont);
    const int caption = TextWidth(hwnd_, captionFont) + 3 * GetSystemMetrics(SM_CXSIZE);
    DeleteObject(captionFont);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(prompt_, WM_GETFONT, 0, 0));
    const int prompt = TextWidth(prompt_, font) + 2 * kLayout.margin;
    const int width = std::max({kLayout.minimumWidth, caption, prompt});
    const int fieldTop = kLayout.margin + kLayout.promptHeight + kLayout.gap;
    const int height = fieldTop + kLayout.fieldHeight + kLayout.margin;
    MoveWindow(prompt_, kLayout.margin, kLayout.margin, width - 2 * kLayout.margin, kLayout.promptHeight, FALSE);
    MoveWindow(edit_, kLayout.margin, fieldTop, width - 2 * kLayout.margin, kLayout.fieldHeight, FALSE);

    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
    RECT over{};
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &over))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
    SetWindowPos(hwnd_, nullptr, over.left + (over.right - over.left - frameWidth) / 2,
                 over.top + (over.bottom - over.top - frameHeight) / 2, frameWidth, frameHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

std::optional<std::string> NameDialog::Ask(HWND owner, const std::string& caption, const std::string& prompt,
                                           const std::optional<std::string>& text) {
    if (!hwnd_) Create(owner);
    if (!hwnd_ || IsWindowVisible(hwnd_)) return std::nullopt;
    SetWindowTextW(hwnd_, Wide(caption).c_str());
    SetWindowTextW(prompt_, Wide(prompt).c_str());
    if (text) SetWindowTextW(edit_, Wide(*text).c_str());
    Fit(owner);
    // `FormActivate`: anything but Enter answers "Cancel".
    ok_ = false;
    RunModal(hwnd_, owner, [this] {
        SetFocus(edit_);
        SendMessageW(edit_, EM_SETSEL, 0, -1);
    });
    if (!ok_) return std::nullopt;
    return WindowTextOf(edit_);
}

void NameDialog::Finish(bool ok) {
    ok_ = ok;
    HideModal(hwnd_);
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the modal loop, which then sees the dialog hidden
}

LRESULT NameDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    // Enter comes from the field's key-up, never as IDOK; Escape comes as IDCANCEL too.
    const bool cancel = message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL);
    if (message == kAnswerMessage || cancel) {
        Finish(message == kAnswerMessage && wParam == 1);
        return 0;
    }
    if (message == WM_COMMAND) return 0;
    if (message == WM_DESTROY) {
        hwnd_ = nullptr;
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace ter5::winapp
