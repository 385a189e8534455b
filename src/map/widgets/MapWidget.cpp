#include "map/widgets/MapWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QScreen>

#include <cmath>
#include <filesystem>
#include <system_error>

#include "map/DrawMap.h"

namespace ter5::map {

namespace {

// Millimetres per inch, for screens that report no physical size.
constexpr double kMmPerInch = 25.4;

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

std::optional<MouseButton> ButtonOf(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return MouseButton::Left;
    case Qt::RightButton: return MouseButton::Right;
    case Qt::MiddleButton: return MouseButton::Middle;
    default: return std::nullopt;
    }
}

// Qt's standard cursor standing in for a map cursor without its own shape.
Qt::CursorShape StandardCursor(MapCursor cursor) {
    switch (cursor) {
    case MapCursor::ZoomIn:
    case MapCursor::ZoomOut: return Qt::CrossCursor;
    case MapCursor::Hand: return Qt::OpenHandCursor;
    case MapCursor::Pick: return Qt::PointingHandCursor;
    }
    return Qt::ArrowCursor;
}

}  // namespace

MapWidget::MapWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MapImage"));
    setMouseTracking(true);  // moves without a button show the coordinates
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

void MapWidget::SetModel(const TArrObjects* objects) { objects_ = objects; }

void MapWidget::MeasureDevice() {
    view_.SetImageSize(width(), height());
    if (fixedScreen_) {
        view_.SetScreen(*fixedScreen_);
        return;
    }
    const QScreen* s = screen();
    ScreenMetrics metrics = kReferenceScreen;
    if (s != nullptr) {
        textDpi_ = s->logicalDotsPerInchY();
        const QSize pixels = s->geometry().size();
        const QSizeF mm = s->physicalSize();
        if (pixels.width() > 0 && pixels.height() > 0 && mm.width() >= 1.0 && mm.height() >= 1.0) {
            metrics = {static_cast<std::int64_t>(std::lround(mm.width())), static_cast<std::int64_t>(std::lround(mm.height())),
                       pixels.width(), pixels.height()};
        } else if (textDpi_ > 0) {
            metrics = {static_cast<std::int64_t>(std::lround(pixels.width() * kMmPerInch / textDpi_)),
                       static_cast<std::int64_t>(std::lround(pixels.height() * kMmPerInch / textDpi_)), pixels.width(),
                       pixels.height()};
        }
    }
    view_.SetScreen(metrics);
}

void MapWidget::DrawMap() {
    if (loading_) return;
    MeasureDevice();
    DrawMapContext context;
    context.CurrentCode = currentCode_;
    context.ParcelQueryOpen = parcelQueryOpen_;
    context.TextDotsPerInch = textDpi_;
    std::optional<Picture> picture = ::ter5::map::DrawMap(Objects(), view_, options_, context);
    if (!picture) return;  // nothing loaded: the old picture stays
    if (mapFileEnabled_) {
        std::error_code error;
        const std::filesystem::path directory =
            mapFileDirectory_.isEmpty() ? std::filesystem::current_path(error)
                                        : std::filesystem::path(mapFileDirectory_.toStdString());
        const MapFileStatus status = mapFile_.Write(*picture, directory);
        // The picture is shown whatever became of the file.
        if (status.Report) emit MapFileFailed(ToQString(status.Message), ToQString(status.Reason));
    }
    picture_ = std::move(picture);
    image_ = QImage(std::max(1, picture_->WidthPx()), std::max(1, picture_->HeightPx()), QImage::Format_RGB32);
    image_.fill(Qt::white);
    QPainter imagePainter(&image_);
    painter_.Paint(imagePainter, *picture_);
    imagePainter.end();
    update();
    if (const auto status = scaleStatus_.AfterDrawing(view_)) ShowScaleStatus(*status);
    emit MapDrawn();
}

void MapWidget::ViewAll() {
    view_.ViewAllPending = true;
    DrawMap();
}

void MapWidget::ViewObject() {
    if (Objects().Polys.empty() || !currentCode_) return;
    if (view_.ViewArea(Objects(), ViewAreaMode::FitCurrent, *currentCode_)) DrawMap();
}

void MapWidget::ShiftObject() {
    if (Objects().Polys.empty() || !currentCode_) return;
    if (view_.ViewArea(Objects(), ViewAreaMode::CentreCurrent, *currentCode_)) DrawMap();
}

void MapWidget::SetScaleDenominator(double denominator) {
    if (denominator > 0) mouse_.SetScale(ScaleMode::Set, 1.0 / denominator);
}

void MapWidget::ApplyScaleText(const QString& text) {
    if (const auto value = ScaleBoxValue(text.toStdString())) mouse_.SetScale(ScaleMode::Set, *value);
}

void MapWidget::ClickOption(DisplayOption option) {
    options_.Click(option);
    DrawMap();
}

void MapWidget::SetMapCursor(MapCursor cursor) {
    const auto it = cursors_.constFind(static_cast<int>(cursor));
    setCursor(it != cursors_.constEnd() ? *it : QCursor(StandardCursor(cursor)));
}

void MapWidget::ShowScaleStatus(const ScaleStatus& status) {
    scaleStatus_.Shown(status);
    emit ScaleStatusChanged(ToQString(status.Scale), ToQString(status.Zoom), ToQString(status.ScaleBox));
    if (status.CursorX && status.CursorY) emit CursorStatusChanged(ToQString(*status.CursorX), ToQString(*status.CursorY));
}

void MapWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!image_.isNull()) p.drawImage(0, 0, image_);
    const DragFrame& frame = mouse_.Frame();
    if (!frame.Visible) return;
    p.setPen(QPen(Qt::red, 1, Qt::DotLine));
    for (const FrameShape* line : frame.Shapes()) {
        const FrameShape& shape = *line;
        // A line of the frame; one drawn up or to the left has a negative extent.
        const QRect r = QRect(static_cast<int>(shape.Left), static_cast<int>(shape.Top),
                              static_cast<int>(shape.Width), static_cast<int>(shape.Height)).normalized();
        if (r.height() <= kFrameLineWidth) {
            p.drawLine(r.left(), r.top(), r.left() + r.width() - 1, r.top());
        } else {
            p.drawLine(r.left(), r.top(), r.left(), r.top() + r.height() - 1);
        }
    }
}

void MapWidget::resizeEvent(QResizeEvent*) {
    if (isVisible()) DrawMap();
}

void MapWidget::showEvent(QShowEvent*) {
    MeasureDevice();
    // Resized while hidden (the window in the tray): the picture no longer fits.
    if (picture_ && (picture_->WidthPx() != width() || picture_->HeightPx() != height())) DrawMap();
}

MouseShift MapWidget::ShiftOf(const QMouseEvent* event, bool doubleClick) {
    MouseShift shift;
    const Qt::KeyboardModifiers keys = event->modifiers();
    const Qt::MouseButtons buttons = event->buttons();
    shift.Shift = keys.testFlag(Qt::ShiftModifier);
    shift.Ctrl = keys.testFlag(Qt::ControlModifier);
    shift.Alt = keys.testFlag(Qt::AltModifier);
    shift.Left = buttons.testFlag(Qt::LeftButton);
    shift.Right = buttons.testFlag(Qt::RightButton);
    shift.Middle = buttons.testFlag(Qt::MiddleButton);
    shift.Double = doubleClick;
    return shift;
}

void MapWidget::mousePressEvent(QMouseEvent* event) {
    const auto button = ButtonOf(event->button());
    if (!button) return;
    releaseCompletesDoubleClick_ = false;
    const QPoint at = event->position().toPoint();
    mouse_.MapImageMouseDown(*button, ShiftOf(event, false), at.x(), at.y());
}

void MapWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    const auto button = ButtonOf(event->button());
    if (!button) return;
    releaseCompletesDoubleClick_ = true;
    const QPoint at = event->position().toPoint();
    mouse_.MapImageMouseDown(*button, ShiftOf(event, true), at.x(), at.y());
}

void MapWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    mouse_.MapImageMouseMove(ShiftOf(event, false), at.x(), at.y());
}

void MapWidget::mouseReleaseEvent(QMouseEvent* event) {
    const auto button = ButtonOf(event->button());
    if (!button) return;
    const bool doubleClick = releaseCompletesDoubleClick_;
    releaseCompletesDoubleClick_ = false;
    const QPoint at = event->position().toPoint();
    mouse_.MapImageMouseUp(*button, ShiftOf(event, doubleClick), at.x(), at.y());
}

}  // namespace ter5::map
