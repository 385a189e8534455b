// The main window's map: the map image in the map panel, the geometry load with
// its progress strips, and the commands that redraw the map: the map tool bar,
// the "Рисунок" menu, the scale box and scale menu, the "Отображение" options,
// the mouse tools with their cursors and the status-bar texts.

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include <array>
#include <functional>
#include <utility>

#include "app/CursorTable.h"
#include "app/MapPanel.h"
#include "app/MapStatusBar.h"
#include "app/ParcelCursorLink.h"
#include "app/TMain.h"
#include "base/GeometryLoad.h"
#include "base/RussianMessages.h"
#include "base/widgets/Messenger.h"
#include "map/Viewport.h"
#include "map/widgets/MapWidget.h"

namespace ter5::app {

namespace {

using map::DisplayOption;

// Status bar panels written by the map.
constexpr int kScalePanel = 0;
constexpr int kZoomPanel = 1;
constexpr int kCursorXPanel = 2;
constexpr int kCursorYPanel = 3;
// How often the strips show the progress of a background geometry load, milliseconds.
constexpr int kProgressIntervalMilliseconds = 40;

// Passes the key releases of a widget to a handler (`EditScaleKeyUp`).
class KeyUpFilter : public QObject {
public:
    KeyUpFilter(QObject* parent, std::function<void(int)> keyUp) : QObject(parent), keyUp_(std::move(keyUp)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyRelease) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat()) keyUp_(key->key());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(int)> keyUp_;
};

// The thirteen "Отображение" items with the option each one is.
std::array<std::pair<DisplayOption, QAction*>, 13> OptionItems(const TMain& w) {
    return {{{DisplayOption::Line, w.cbLine},
             {DisplayOption::Points, w.cbPoints},
             {DisplayOption::Length, w.cbLength},
             {DisplayOption::NumPoints, w.cbNumPoints},
             {DisplayOption::Area, w.cbArea},
             {DisplayOption::Perimetr, w.cbPerimetr},
             {DisplayOption::Shadow, w.cbShadow},
             {DisplayOption::Number, w.cbNumber},
             {DisplayOption::Code, w.cbCode},
             {DisplayOption::Metr1, w.cbMetr1},
             {DisplayOption::Metr2, w.cbMetr2},
             {DisplayOption::Metr3, w.cbMetr3},
             {DisplayOption::Declutter, w.cbDeclutter}}};
}

// The check marks of the items as the map's options hold them.
void ShowOptionChecks(const TMain& w) {
    for (const auto& [option, item] : OptionItems(w)) item->setChecked(w.MapImage->Options().IsChecked(option));
}

}  // namespace

void TMain::ConnectMap() {
    MapImage = new map::MapWidget;
    MapPanelWidget->SetMapView(MapImage);
    MapImage->SetModel(&MapObjects);
    parcelCursorLink_ = std::make_unique<ParcelCursorLink>(dm_->TbSubter, *MapImage);

    // A pick moves the grids; the link then hands the new current parcel to the map.
    connect(MapImage, &map::MapWidget::LocateParcelRequested, this, &TMain::LocateParcel);
    connect(MapImage, &map::MapWidget::LocateOwnerRequested, this, &TMain::LocateOwner);
    connect(MapImage, &map::MapWidget::ScaleStatusChanged, this,
            [this](const QString& scale, const QString& zoom, const QString& scaleBox) {
                StatusBar->SetPanelText(kScalePanel, scale);
                StatusBar->SetPanelText(kZoomPanel, zoom);
                EditScale->setText(scaleBox);
            });
    connect(MapImage, &map::MapWidget::CursorStatusChanged, this, [this](const QString& x, const QString& y) {
        StatusBar->SetPanelText(kCursorXPanel, x);
        StatusBar->SetPanelText(kCursorYPanel, y);
    });
    // The map is shown all the same; the status bar says once per directory why the file
    // is not there.
    connect(MapImage, &map::MapWidget::MapFileFailed, this, [this](const QString& message, const QString& reason) {
        StatusBar->ShowTransientMessage(
            message + QStringLiteral(": ") + QString::fromStdString(base::RussianMessage(reason.toStdString())));
    });

    // The mouse tools: the tool buttons only choose; the next mouse event uses it.
    const std::pair<QAction*, map::MapTool> tools[] = {
        {TBZoom, map::MapTool::Zoom}, {TBMove, map::MapTool::Move}, {TBPick, map::MapTool::Pick}};
    for (const auto& [button, tool] : tools) {
        connect(button, &QAction::toggled, this, [this, tool = tool](bool down) {
            if (down) MapImage->SetTool(tool);
        });
        if (button->isChecked()) MapImage->SetTool(tool);
    }

    // "Рисунок" and the map tool bar (whose buttons perform the menu items).
    connect(sbMapDraw, &QAction::triggered, this, &TMain::DrawMap);
    connect(sbZoomIn, &QAction::triggered, MapImage, &map::MapWidget::ZoomIn);
    connect(sbZoomOut, &QAction::triggered, MapImage, &map::MapWidget::ZoomOut);
    connect(sbViewAll, &QAction::triggered, MapImage, &map::MapWidget::ViewAll);
    connect(tbViewObject, &QAction::triggered, MapImage, &map::MapWidget::ViewObject);
    connect(tbShiftObject, &QAction::triggered, this, &TMain::tbShiftObjectClick);

    // The scale box and its menu NS1..NS17.
    EditScale->installEventFilter(new KeyUpFilter(EditScale, [this](int key) { EditScaleKeyUp(key); }));
    for (const map::ScaleMenuItem& entry : map::ScaleMenuItems()) {
        QAction* item = PMenuScale->addAction(QString::fromLatin1(entry.Caption));
        item->setObjectName(QString::fromLatin1(entry.Name));
        item->setToolTip(QString::fromLatin1(entry.Hint));
        const double denominator = QString::fromLatin1(entry.Hint).toDouble();
        connect(item, &QAction::triggered, MapImage,
                [this, denominator] { MapImage->SetScaleDenominator(denominator); });
        NS.append(item);
    }
    connect(SpeedButton3, &QToolButton::released, this, &TMain::SpeedButton3MouseUp);

    ConnectDisplayOptions();
}

void TMain::ConnectDisplayOptions() {
    // The map's options decide the check rules (toggles, the number/code pair, the
    // unit radio group); the menu shows what they hold after each click.
    for (const auto& [option, item] : OptionItems(*this)) {
        connect(item, &QAction::triggered, this, [this, option = option] {
            MapImage->ClickOption(option);
            ShowOptionChecks(*this);
        });
    }
    ShowOptionChecks(*this);
}

void TMain::InstallMapCursors() {
    // A cursor whose file could not be loaded is the standard arrow.
    const CursorTable& table = CursorTable::Instance();
    for (map::MapCursor cursor : {map::MapCursor::ZoomIn, map::MapCursor::ZoomOut, map::MapCursor::Hand,
                                  map::MapCursor::Pick})
        MapImage->SetCursorShape(cursor, table.Cursor(static_cast<int>(cursor)));
}

void TMain::OpenBase(const std::string& directory) {
    const base::GeometryLoading loading =
        tbShowMap->isChecked() ? base::GeometryLoading::Background : base::GeometryLoading::DataSets;
    dm_->OpenBaseDirectory(directory, tbOpenTable->isChecked(), [this](bool changed) { ShowBaseGeometry(changed); },
                           loading);
}

void TMain::ShowBaseGeometry(bool changed) {
    // The map keeps its picture until the new one is drawn; the old parcels no longer
    // answer the mouse, and their memory is given back before the new ones are read.
    MapObjects = map::TArrObjects{};
    std::unique_ptr<base::GeometryLoad> load = dm_->TakeGeometry();
    if (load) {
        // The refresh at the end erases the strips, also after a failed load.
        struct StripsEraser {
            MapStatusBar* bar;
            ~StripsEraser() { bar->ClearProgress(); }
        } eraser{StatusBar};
        MapImage->SetLoading(true);
        QEventLoop loop;
        connect(this, &TMain::geometryLoadFinished, &loop, &QEventLoop::quit);
        QTimer strips;
        strips.setInterval(kProgressIntervalMilliseconds);
        connect(&strips, &QTimer::timeout, this, [this, &load] { ShowProgress(load->Progress(), 0.0); });
        ShowProgress(0.0, 0.0);
        strips.start();
        // Paints, resizes and timers go on; keys and clicks wait for the map.
        while (!load->Finished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
        strips.stop();
        MapImage->SetLoading(false);
        MapObjects = load->Take();
    }
    MapImage->SetModel(&MapObjects);
    // Another base is fitted into the view; the same one again keeps the view.
    MapImage->View().ViewAllPending = changed;
    DrawMap();
    // Shown now: the owner table opens after this returns.
    if (load && MapImage->isVisible()) MapImage->repaint();
}

void TMain::DrawMap() {
    if (MapImage) MapImage->DrawMap();
}

void TMain::ShowProgress(double upper, double lower) {
    StatusBar->ShowProgress(upper, lower);
}

void TMain::tbShiftObjectClick() {
    MapImage->ShiftObject();
}

void TMain::EditScaleKeyUp(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
    base::RunGuarded(this, [this] { MapImage->ApplyScaleText(EditScale->text()); });
}

void TMain::SpeedButton3MouseUp() {
    // Drops down under the scale box, at its lower-left corner.
    PMenuScale->popup(Panel6->mapToGlobal(QPoint(0, Panel6->height())));
}

void TMain::LocateParcel(int code) {
    if (!dm_->TbSubter.Active()) return;
    engine::LocateOptions options;
    options.caseInsensitive = true;
    dm_->TbSubter.Locate("Code", engine::Value::Int(code), options);
}

void TMain::LocateOwner(int code) {
    if (!dm_->Tbter.Active()) return;
    engine::LocateOptions options;
    options.caseInsensitive = true;
    dm_->Tbter.Locate("Poligon", engine::Value::Int(code), options);
}

}  // namespace ter5::app
