#pragma once
// The map image `MapImage` as a Win32 child window: the picture DrawMap builds, played
// with GDI into a back buffer the window copies to the screen, map.wmf written at each
// drawing into the process's current directory (which follows the directory tree), and
// the window's mouse messages handed to the map's mouse tools (MapMouseHandler).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "map/DisplayOptions.h"
#include "map/MapFile.h"
#include "map/MapMouseHandler.h"
#include "map/MapObjects.h"
#include "map/Picture.h"
#include "map/ScaleStatusFollower.h"
#include "map/Viewport.h"
#include "winapp/WindowClass.h"

namespace ter5::winapp {

// What the map asks of the main window.
struct MapViewHost {
    std::function<void(std::int32_t)> locateParcel;
    std::function<void(std::int32_t)> locateOwner;
    std::function<void(const map::ScaleStatus&)> showScaleStatus;
    std::function<void(const std::string&)> showMessage;  // a transient status-bar message
    std::function<void()> shiftObject;
};

class MapView : private map::MapMouseHost {
public:
    MapView(HWND parent, int id, MapViewHost host);
    ~MapView() override;
    MapView(const MapView&) = delete;
    MapView& operator=(const MapView&) = delete;

    HWND Handle() const { return hwnd_; }

    void SetModel(const map::TArrObjects* objects) { objects_ = objects; }
    void SetParcelQueryOpen(bool open) { parcelQueryOpen_ = open; }
    void SetLoading(bool loading) { loading_ = loading; }
    void SetCurrentParcelCode(std::optional<std::int32_t> code) { currentCode_ = code; }
    map::DisplayOptions& Options() { return options_; }
    map::Viewport& ViewState() { return view_; }
    void SetTool(map::MapTool tool) { mouse_.SetTool(tool); }
    map::MapTool Tool() const { return mouse_.Tool(); }
    // A cursor for a map cursor number (loaded from the program's cursor files).
    void SetCursorShape(map::MapCursor number, HCURSOR cursor);

    // DrawMap: rebuilds the picture, writes map.wmf, fills the back buffer and shows it.
    void DrawMap() override;
    void ZoomIn() { mouse_.SetScale(map::ScaleMode::ZoomIn, 0.0); }
    void ZoomOut() { mouse_.SetScale(map::ScaleMode::ZoomOut, 0.0); }
    void ViewAll();
    void ViewObject();
    void ShiftObject() override;
    void SetScaleDenominator(double denominator);
    // Enter in the scale box: a typed whole n > 0 sets the scale 1:n; 0, negative or blank
    // text nothing. Throws for text that is no number.
    void ApplyScaleText(const std::string& text);

    // The picture on show; none before the first drawing.
    const std::optional<map::Picture>& CurrentPicture() const { return picture_; }

private:
    template <class T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void MeasureDevice();
    void Mouse(UINT message, WPARAM wParam, LPARAM lParam);

    // MapMouseHost.
    const map::TArrObjects& Objects() const override { return objects_ ? *objects_ : empty_; }
    map::Viewport& View() override { return view_; }
    void SetMapCursor(map::MapCursor cursor) override;
    void ShowScaleStatus(const map::ScaleStatus& status) override;
    void LocateParcel(std::int32_t code) override;
    void LocateOwner(std::int32_t code) override;
    void FrameChanged(const map::DragFrame&) override { InvalidateRect(hwnd_, nullptr, FALSE); }

    HWND hwnd_ = nullptr;
    MapViewHost host_;
    const map::TArrObjects* objects_ = nullptr;
    map::TArrObjects empty_;
    bool parcelQueryOpen_ = false;
    bool loading_ = false;
    std::optional<std::int32_t> currentCode_;
    map::DisplayOptions options_;
    map::Viewport view_;
    map::MapMouseHandler mouse_{*this};
    std::optional<map::Picture> picture_;
    map::MapFileWriter mapFile_;
    map::ScaleStatusFollower scaleStatus_;
    HBITMAP buffer_ = nullptr;  // the picture played at its pixel size
    SIZE bufferSize_{0, 0};
    HCURSOR cursors_[4] = {nullptr, nullptr, nullptr, nullptr};
    HCURSOR cursor_ = nullptr;
    double textDpi_ = 96.0;
};

}  // namespace ter5::winapp
