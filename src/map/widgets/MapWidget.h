#pragma once
// The map image (MapImage): shows the picture DrawMap builds, writes it to map.wmf, and
// turns mouse events into the map's mouse tools (MapMouseHandler). The main window owns
// the model and the grids; it hands the widget the model, the current parcel and the
// display options, connects the map commands to the slots, and answers the locate
// signals of a pick.
//
// Resizing the widget measures the page anew and redraws, keeping the view centre and the
// scale.

#include <QCursor>
#include <QHash>
#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>

#include "map/DisplayOptions.h"
#include "map/MapFile.h"
#include "map/MapObjects.h"
#include "map/Picture.h"
#include "map/ScaleStatusFollower.h"
#include "map/Viewport.h"
#include "map/MapMouseHandler.h"
#include "map/widgets/PicturePainter.h"

namespace ter5::map {

class MapWidget : public QWidget, private MapMouseHost {
    Q_OBJECT

public:
    explicit MapWidget(QWidget* parent = nullptr);

    // The model drawn; the caller keeps it alive and unchanged while it is set, and sets it
    // again after reloading it. nullptr stands for an empty model.
    void SetModel(const TArrObjects* objects);
    // Whether the parcel query is open: with no parcels and the query closed DrawMap keeps
    // the old picture; with it open an empty model draws the white page.
    void SetParcelQueryOpen(bool open) { parcelQueryOpen_ = open; }
    // While a model is being loaded DrawMap does nothing: the picture on show stays until
    // the new model is drawn.
    void SetLoading(bool loading) { loading_ = loading; }
    bool Loading() const { return loading_; }
    // The parcel query's current Code (the parcel highlighted at the next drawing).
    void SetCurrentParcelCode(std::optional<std::int32_t> code) { currentCode_ = code; }
    std::optional<std::int32_t> CurrentParcelCode() const { return currentCode_; }

    void SetDisplayOptions(const DisplayOptions& options) { options_ = options; }
    const DisplayOptions& Options() const { return options_; }

    // The view (centre, scale, ViewAllPending); changes show at the next drawing.
    Viewport& View() override { return view_; }

    // Fixes the screen size the page is measured against (by default the widget's screen as
    // it reports itself, or a 96 dpi screen where it reports no physical size).
    void SetScreenMetrics(const ScreenMetrics& metrics) { fixedScreen_ = metrics; }

    void SetTool(MapTool tool) { mouse_.SetTool(tool); }
    MapTool Tool() const { return mouse_.Tool(); }

    // Directory map.wmf is written to; empty (the default) is the process's current
    // directory, which follows the directory tree. Writing can be switched off.
    void SetMapFileDirectory(const QString& directory) { mapFileDirectory_ = directory; }
    void SetMapFileEnabled(bool enabled) { mapFileEnabled_ = enabled; }

    // The cursor shown for a cursor number of the map (loaded from the cursor files by the
    // main window); numbers without one show Qt's nearest standard cursor.
    void SetCursorShape(MapCursor number, const QCursor& cursor) { cursors_.insert(static_cast<int>(number), cursor); }

    // The picture on show, none before the first drawing.
    const std::optional<Picture>& CurrentPicture() const { return picture_; }
    const MapMouseHandler& Mouse() const { return mouse_; }
    MapMouseHandler& Mouse() { return mouse_; }

public slots:
    // DrawMap: rebuilds the picture, writes map.wmf and shows it ("Формирование").
    void DrawMap() override;
    // tbZoomIn / sbZoomIn (F4) and tbZoomOut / sbZoomOut (F3).
    void ZoomIn() { mouse_.SetScale(ScaleMode::ZoomIn, 0.0); }
    void ZoomOut() { mouse_.SetScale(ScaleMode::ZoomOut, 0.0); }
    // tbViewAll / sbViewAll (F5): fit all parcels at the next drawing, and draw.
    void ViewAll();
    // tbViewObject: fit the current parcel; tbShiftObject: centre on it.
    void ViewObject();
    void ShiftObject() override;
    // A scale menu entry (NS1..NS17) or a scale denominator: 1:denominator.
    void SetScaleDenominator(double denominator);
    // The scale box's text after Enter: a whole number n > 0 sets 1:n, others change
    // nothing. Throws InvalidNumberError for text that is not a number.
    void ApplyScaleText(const QString& text);
    // One click of a display option, then a redraw.
    void ClickOption(ter5::map::DisplayOption option);

signals:
    // A pick found the parcel of `code`: move the parcel grid (and then the owner grid) to
    // it and call SetCurrentParcelCode with the parcel grid's Code afterwards.
    void LocateParcelRequested(int code);
    void LocateOwnerRequested(int code);
    // Status panels 0 and 1 and the scale box text; after every change of scale.
    void ScaleStatusChanged(const QString& scale, const QString& zoom, const QString& scaleBox);
    // Status panels 2 and 3: the world X and Y under the mouse.
    void CursorStatusChanged(const QString& x, const QString& y);
    // map.wmf could not be written; sent once per directory: "Рисунок карты не записан в
    // файл ..." and the failure as the system told it.
    void MapFileFailed(const QString& message, const QString& reason);
    // A new picture is on show.
    void MapDrawn();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // MapMouseHost.
    const TArrObjects& Objects() const override { return objects_ ? *objects_ : empty_; }
    void SetMapCursor(MapCursor cursor) override;
    void ShowScaleStatus(const ScaleStatus& status) override;
    void LocateParcel(std::int32_t code) override { emit LocateParcelRequested(code); }
    void LocateOwner(std::int32_t code) override { emit LocateOwnerRequested(code); }
    void FrameChanged(const DragFrame&) override { update(); }

    // Measures the screen the widget is on and the image size into the view.
    void MeasureDevice();
    static MouseShift ShiftOf(const QMouseEvent* event, bool doubleClick);

    const TArrObjects* objects_ = nullptr;
    TArrObjects empty_;
    bool parcelQueryOpen_ = false;
    bool loading_ = false;
    std::optional<std::int32_t> currentCode_;
    DisplayOptions options_;
    Viewport view_;
    MapMouseHandler mouse_{*this};
    std::optional<Picture> picture_;
    QImage image_;  // the picture played at its pixel size
    PicturePainter painter_;
    MapFileWriter mapFile_;
    ScaleStatusFollower scaleStatus_;
    QString mapFileDirectory_;
    bool mapFileEnabled_ = true;
    QHash<int, QCursor> cursors_;
    std::optional<ScreenMetrics> fixedScreen_;
    double textDpi_ = 96.0;
    bool releaseCompletesDoubleClick_ = false;
};

}  // namespace ter5::map
