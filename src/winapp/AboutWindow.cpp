#include "winapp/AboutWindow.h"

#include <filesystem>
#include <string>
#include <vector>

#include "base/AboutLinks.h"
#include "base/ProgramVersion.h"
#include "winapp/WideText.h"
#include "winapp/WindowClass.h"

namespace ter5::winapp {

namespace {

constexpr const wchar_t* kClassName = kAboutWindowClass;
constexpr int kWidth = 531;
constexpr int kHeight = 240;
constexpr int kFirstLink = 100;

struct AboutState {
    base::Platform* platform = nullptr;
    base::AboutLinks* links = nullptr;
    HFONT titleFont = nullptr;
    HFONT linkFont = nullptr;
    bool done = false;
};

void Activate(HWND window, AboutState& state, const std::string& name) {
    using Kind = base::AboutLinkAction::Kind;
    const base::AboutLinkAction action = state.links->Activate(name);
    const auto tell = [window](const std::string& text) {
        MessageBoxW(window, Wide(text).c_str(), L"TER5 Manager", MB_OK | MB_ICONINFORMATION);
    };
    switch (action.kind) {
    case Kind::Manual: {
        const std::string page = ManualPage(action.target);
        const base::StartResult opened = state.platform->OpenExternal(page);
        if (opened.status != base::StartStatus::Started) tell(base::AboutLinks::WebFailure(page, opened.error));
        break;
    }
    case Kind::Web: {
        const base::StartResult opened = state.platform->OpenExternal(action.target);
        if (opened.status != base::StartStatus::Started) tell(base::AboutLinks::WebFailure(action.target, opened.error));
        break;
    }
    case Kind::Mail: {
        const base::StartResult opened = state.platform->OpenExternal(action.target);
        if (opened.status != base::StartStatus::Started) tell(base::AboutLinks::MailFailure(action.address, opened.error));
        break;
    }
    case Kind::Unset:
        tell(action.target);
        break;
    case Kind::None:
        break;
    }
}

LRESULT CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<AboutState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_CTLCOLORSTATIC: {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        SetTextColor(dc, id >= kFirstLink ? RGB(0, 0, 255) : RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const auto& strip = base::AboutLinks::StripLinks();
        if (state && id >= kFirstLink && id < kFirstLink + static_cast<int>(strip.size())) {
            Activate(window, *state, strip[static_cast<std::size_t>(id - kFirstLink)].name);
        } else if (state && id == kFirstLink - 1) {
            Activate(window, *state, "Label3");  // the program's name: the home page
        }
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_CLOSE:
        if (state) state->done = true;
        PostMessageW(window, WM_NULL, 0, 0);  // wakes the window's message loop
        return 0;
    case WM_SETCURSOR:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(wParam)) >= kFirstLink - 1) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND AddText(HWND parent, int id, const std::string& text, int x, int y, int width, int height, HFONT font,
             DWORD style = 0) {
    const HWND label = CreateWindowExW(0, L"STATIC", Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width,
                                       height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       GetModuleHandleW(nullptr), nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return label;
}

}  // namespace

std::string ManualPage(const std::string& page) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::filesystem::path manual = std::filesystem::path(module).parent_path() / L"manual" / Wide(page);
    return Narrow(manual.wstring());
}

void ShowAboutWindow(HWND owner, base::Platform& platform) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClassOnce(kClassName, AboutProc, 0, LoadCursorW(nullptr, IDC_ARROW),
                            static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    base::AboutLinks links(platform);  // the settings as they are now
    AboutState state;
    state.platform = &platform;
    state.links = &links;
    state.titleFont = CreateFontW(-28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Arial");
    state.linkFont = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Arial");
    RECT area{};
    GetWindowRect(owner ? owner : GetDesktopWindow(), &area);
    const int x = (area.left + area.right - kWidth) / 2, y = (area.top + area.bottom - kHeight) / 2;
    const HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, L"TER5 Manager", WS_POPUP | WS_BORDER, x, y,
                                        kWidth, kHeight, owner, nullptr, instance, &state);
    AddText(window, kFirstLink - 1, "TER5 Manager", 40, 40, 450, 40, state.titleFont, SS_NOTIFY);
    AddText(window, 1, std::string("Версия ") + base::kProgramVersion, 40, 90, 450, 20, state.linkFont);
    int left = 12;
    const auto& strip = base::AboutLinks::StripLinks();
    for (std::size_t i = 0; i < strip.size(); ++i) {
        const std::string caption = strip[i].caption;
        const int width = static_cast<int>(Wide(caption).size()) * 8 + 6;
        AddText(window, kFirstLink + static_cast<int>(i), caption, left, kHeight - 34, width, 18, state.linkFont,
                SS_NOTIFY);
        left += width + 8;
    }
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (!state.done && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KEYDOWN && (message.wParam == VK_ESCAPE || message.wParam == VK_RETURN)) break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (owner) EnableWindow(owner, TRUE);
    DestroyWindow(window);
    DeleteObject(state.titleFont);
    DeleteObject(state.linkFont);
    if (owner) SetForegroundWindow(owner);
}

}  // namespace ter5::winapp
