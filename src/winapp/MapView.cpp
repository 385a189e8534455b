#include "winapp/MapView.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "base/RussianMessages.h"
#include "map/DrawMap.h"
#include "winapp/GdiPicturePlayer.h"

namespace ter5::winapp {

namespace {

constexpr wchar_t kClassName[] = L"Ter5MapImage";

// The index of a map cursor number in MapView::cursors_.
int CursorSlot(map::MapCursor cursor) {
    switch (cursor) {
    case map::MapCursor::ZoomIn: return 0;
    case map::MapCursor::ZoomOut: return 1;
    case map::MapCursor::Hand: return 2;
    case map::MapCursor::Pick: return 3;
    }
    return 2;
}

map::MouseShift ShiftOf(WPARAM keys, bool doubleClick) {
    map::MouseShift shift;
    shift.Shift = (keys & MK_SHIFT) != 0;
    shift.Ctrl = (keys & MK_CONTROL) != 0;
    shift.Alt = GetKeyState(VK_MENU) < 0;
    shift.Left = (keys & MK_LBUTTON) != 0;
    shift.Right = (keys & MK_RBUTTON) != 0;
    shift.Middle = (keys & MK_MBUTTON) != 0;
    shift.Double = doubleClick;
    return shift;
}

}  // namespace

MapView::MapView(HWND parent, int id, MapViewHost host) : host_(std::move(host)) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    // No class cursor: the tool's cursor is set on WM_SETCURSOR.
    RegisterWindowClassOnce(kClassName, ObjectWindowProc<MapView>, CS_DBLCLKS, nullptr, nullptr);
    hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"MapImage", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
}

MapView::~MapView() {
    if (buffer_) DeleteObject(buffer_);
}

LRESULT MapView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the back buffer covers the window
    case WM_SIZE:
        if (IsWindowVisible(hwnd_) && LOWORD(lParam) > 0 && HIWORD(lParam) > 0) DrawMap();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(cursor_ ? cursor_ : LoadCursorW(nullptr, IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
        Mouse(message, wParam, lParam);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void MapView::Mouse(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(hwnd_);
        SetFocus(hwnd_);
        mouse_.MapImageMouseDown(map::MouseButton::Left, ShiftOf(wParam, message == WM_LBUTTONDBLCLK), x, y);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        SetCapture(hwnd_);
        mouse_.MapImageMouseDown(map::MouseButton::Right, ShiftOf(wParam, message == WM_RBUTTONDBLCLK), x, y);
        break;
    case WM_MBUTTONDOWN:
        mouse_.MapImageMouseDown(map::MouseButton::Middle, ShiftOf(wParam, false), x, y);
        break;
    case WM_MOUSEMOVE:
        mouse_.MapImageMouseMove(ShiftOf(wParam, false), x, y);
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        mouse_.MapImageMouseUp(map::MouseButton::Left, ShiftOf(wParam, false), x, y);
        break;
    case WM_RBUTTONUP:
        ReleaseCapture();
        mouse_.MapImageMouseUp(map::MouseButton::Right, ShiftOf(wParam, false), x, y);
        break;
    case WM_MBUTTONUP:
        mouse_.MapImageMouseUp(map::MouseButton::Middle, ShiftOf(wParam, false), x, y);
        break;
    default:
        break;
    }
}

void MapView::MeasureDevice() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    view_.SetImageSize(client.right, client.bottom);
    const HDC screen = GetDC(nullptr);
    const int widthMm = GetDeviceCaps(screen, HORZSIZE), heightMm = GetDeviceCaps(screen, VERTSIZE);
    const int widthPx = GetDeviceCaps(screen, HORZRES), heightPx = GetDeviceCaps(screen, VERTRES);
    textDpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (widthMm > 0 && heightMm > 0 && widthPx > 0 && heightPx > 0) {
        view_.SetScreen({widthMm, heightMm, widthPx, heightPx});
    } else {
        view_.SetScreen(map::kReferenceScreen);
    }
}

void MapView::DrawMap() {
    if (loading_) return;
    MeasureDevice();
    map::DrawMapContext context;
    context.CurrentCode = currentCode_;
    context.ParcelQueryOpen = parcelQueryOpen_;
    context.TextDotsPerInch = textDpi_;
    std::optional<map::Picture> picture = map::DrawMap(Objects(), view_, options_, context);
    if (!picture) return;  // nothing loaded: the old picture stays
    std::error_code error;
    const map::MapFileStatus status = mapFile_.Write(*picture, std::filesystem::current_path(error));
    // The picture is shown whatever became of the file.
    if (status.Report && host_.showMessage)
        host_.showMessage(status.Message + ": " + base::RussianMessage(status.Reason));
    picture_ = std::move(picture);

    const int width = std::max(1, picture_->WidthPx()), height = std::max(1, picture_->HeightPx());
    const HDC screen = GetDC(hwnd_);
    if (!buffer_ || bufferSize_.cx != width || bufferSize_.cy != height) {
        if (buffer_) DeleteObject(buffer_);
        buffer_ = CreateCompatibleBitmap(screen, width, height);
        bufferSize_ = {width, height};
    }
    const HDC memory = CreateCompatibleDC(screen);
    const HGDIOBJ old = SelectObject(memory, buffer_);
    RECT all{0, 0, width, height};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PlayPicture(memory, *picture_);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(hwnd_, screen);
    InvalidateRect(hwnd_, nullptr, FALSE);
    if (const auto scale = scaleStatus_.AfterDrawing(view_)) ShowScaleStatus(*scale);
}

void MapView::Paint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(hwnd_, &paint);
    RECT client{};
    GetClientRect(hwnd_, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (buffer_) {
        const HDC memory = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(memory, buffer_);
        BitBlt(dc, 0, 0, bufferSize_.cx, bufferSize_.cy, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    const map::DragFrame& frame = mouse_.Frame();
    if (frame.Visible) {
        const HPEN pen = CreatePen(PS_DOT, 1, RGB(255, 0, 0));
        const HGDIOBJ oldPen = SelectObject(dc, pen);
        SetBkMode(dc, TRANSPARENT);
        for (const map::FrameShape* shape : frame.Shapes()) {
            // A line of the frame; one drawn up or to the left has a negative extent.
            const int left = static_cast<int>(std::min(shape->Left, shape->Left + shape->Width));
            const int top = static_cast<int>(std::min(shape->Top, shape->Top + shape->Height));
            const int width = static_cast<int>(std::abs(shape->Width)), height = static_cast<int>(std::abs(shape->Height));
            MoveToEx(dc, left, top, nullptr);
            if (height <= map::kFrameLineWidth) {
                LineTo(dc, left + width, top);
            } else {
                LineTo(dc, left, top + height);
            }
        }
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    }
    EndPaint(hwnd_, &paint);
}

void MapView::ViewAll() {
    view_.ViewAllPending = true;
    DrawMap();
}

void MapView::ViewObject() {
    if (Objects().Polys.empty() || !currentCode_) return;
    if (view_.ViewArea(Objects(), map::ViewAreaMode::FitCurrent, *currentCode_)) DrawMap();
}

void MapView::ShiftObject() {
    if (Objects().Polys.empty() || !currentCode_) return;
    if (view_.ViewArea(Objects(), map::ViewAreaMode::CentreCurrent, *currentCode_)) DrawMap();
}

void MapView::SetScaleDenominator(double denominator) {
    if (denominator > 0) mouse_.SetScale(map::ScaleMode::Set, 1.0 / denominator);
}

void MapView::ApplyScaleText(const std::string& text) {
    if (const auto value = map::ScaleBoxValue(text)) mouse_.SetScale(map::ScaleMode::Set, *value);
}

void MapView::SetCursorShape(map::MapCursor number, HCURSOR cursor) {
    cursors_[CursorSlot(number)] = cursor;
}

void MapView::SetMapCursor(map::MapCursor cursor) {
    cursor_ = cursors_[CursorSlot(cursor)];
    POINT at{};
    GetCursorPos(&at);
    if (WindowFromPoint(at) == hwnd_) SetCursor(cursor_ ? cursor_ : LoadCursorW(nullptr, IDC_ARROW));
}

void MapView::ShowScaleStatus(const map::ScaleStatus& status) {
    scaleStatus_.Shown(status);
    if (host_.showScaleStatus) host_.showScaleStatus(status);
}

void MapView::LocateParcel(std::int32_t code) {
    if (host_.locateParcel) host_.locateParcel(code);
}

void MapView::LocateOwner(std::int32_t code) {
    if (host_.locateOwner) host_.locateOwner(code);
}

}  // namespace ter5::winapp
